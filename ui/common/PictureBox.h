#pragma once

// The output box: a drawable area of exactly the output size inside a flat
// 1-pixel border, showing one rendered picture pixel for pixel. Its outer size
// is the drawable size plus 2 each way.

#include "Picture.h"

#include <QImage>
#include <QWidget>

namespace tessaline {

class PictureBox : public QWidget {
    Q_OBJECT
public:
    static constexpr int border = 1;

    explicit PictureBox(QWidget* parent = nullptr);

    // Resizes the box so its drawable area is `size`; clears nothing.
    void setDrawableSize(Size size);
    Size drawableSize() const;

    // Shows `picture` from the drawable area's top-left corner.
    void setPicture(Picture picture);
    // Erases the drawable area to the background colour.
    void clear();
    // The picture on show; empty after clear().
    const Picture& picture() const { return picture_; }
    // What the drawable area shows now, as pixels (for tests and screenshots).
    QImage drawableImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Picture picture_;
    QImage image_; // a view of picture_'s pixels
};

} // namespace tessaline
