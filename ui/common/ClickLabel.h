#pragma once

// A label that reports a press of the left mouse button as a click: the links
// of both windows.

#include <QLabel>

namespace tessaline {

class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace tessaline
