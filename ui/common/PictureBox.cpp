#include "PictureBox.h"

#include <QPainter>

namespace tessaline {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setDrawableSize(Size size)
{
    resize(size.width + 2 * border, size.height + 2 * border);
}

Size PictureBox::drawableSize() const
{
    return {width() - 2 * border, height() - 2 * border};
}

void PictureBox::setPicture(Picture picture)
{
    picture_ = std::move(picture);
    image_ = picture_.empty() ? QImage()
                              : QImage(picture_.rgb.data(), picture_.width, picture_.height,
                                       picture_.width * 3, QImage::Format_RGB888);
    update();
}

void PictureBox::clear()
{
    setPicture(Picture());
}

QImage PictureBox::drawableImage() const
{
    QImage shown(drawableSize().width, drawableSize().height, QImage::Format_RGB888);
    shown.fill(palette().color(QPalette::Base));
    QPainter painter(&shown);
    painter.drawImage(0, 0, image_);
    return shown;
}

void PictureBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, width() - 1, height() - 1);
    const QRect area(border, border, width() - 2 * border, height() - 2 * border);
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setClipRect(area);
    painter.drawImage(border, border, image_);
}

} // namespace tessaline
