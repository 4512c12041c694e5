// Draws the program's pictures into a folder: the About window's background,
// the main window's icon, the About window's three link pictures, the main
// window's payment-service button and the larger icons of the desktop's menus.
// The PNGs it writes are kept in the project; run it again (target `pictures`)
// after changing a drawing.
//
// The background's blue panel is laid out from the About window's outline at
// 96 dots per inch, so its rim falls exactly where the outline cuts.

#include "Outline.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using tessaline::OutlineSpan;

const QColor panelBlue(91, 132, 194);
const QColor panelRim(228, 227, 215);
const QColor surround(236, 233, 216);

QFont boldSans(int pixels)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

// 1028 x 472, 24 bits: the panel inside the outline with a one-pixel rim on
// its edge, the surround over the first 597 x 414 pixels, white beyond.
QImage aboutBackground()
{
    QImage image(1028, 472, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 597, 414, surround);

    const auto outline = tessaline::CreaRegione(1.0f, 1.0f, 0, 0, 96, 96);
    const std::vector<OutlineSpan> spans = tessaline::outlineSpans(*outline, 1028, 472);
    QImage inside(image.size(), QImage::Format_Mono);
    inside.fill(0);
    for (const OutlineSpan& span : spans)
        for (int x = span.left; x < span.right; ++x)
            inside.setPixel(x, span.y, 1);
    const auto in = [&](int x, int y) {
        return inside.valid(x, y) && inside.pixelIndex(x, y) == 1;
    };
    for (const OutlineSpan& span : spans)
        for (int x = span.left; x < span.right; ++x) {
            const int y = span.y;
            const bool edge = !in(x - 1, y) || !in(x + 1, y) || !in(x, y - 1) || !in(x, y + 1);
            image.setPixelColor(x, y, edge ? panelRim : panelBlue);
        }
    return image;
}

// The sixteen colours of a 16-colour icon, and a transparent entry for its mask.
QList<QRgb> iconColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
            qRgba(0, 0, 0, 0)};
}

// Maps a picture drawn without antialiasing in the icon colours onto them.
QImage toIconColours(const QImage& drawn)
{
    const QList<QRgb> colours = iconColours();
    QImage indexed(drawn.size(), QImage::Format_Indexed8);
    indexed.setColorTable(colours);
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb pixel = drawn.pixel(x, y);
            const qsizetype index =
                qAlpha(pixel) < 128 ? colours.size() - 1 : colours.indexOf(pixel);
            indexed.setPixel(x, y, uint(index < 0 ? 0 : index));
        }
    return indexed;
}

// One yellow ruler lying across the icon's centre at `degrees`, with marks
// along one edge, every fourth one longer.
void drawRuler(QPainter& painter, int side, double degrees)
{
    const double unit = side / 32.0;
    const double length = 40 * unit;
    const double breadth = side >= 32 ? 9 : 5;
    painter.save();
    painter.translate(side / 2.0, side / 2.0);
    painter.rotate(degrees);
    painter.setPen(QPen(QColor(0, 0, 0), 0));
    painter.setBrush(QColor(255, 255, 0));
    painter.drawRect(QRectF(-length / 2, -breadth / 2, length, breadth));
    painter.setPen(QPen(QColor(128, 128, 0), 0));
    painter.drawLine(QPointF(-length / 2 + 1, breadth / 2 - 1),
                     QPointF(length / 2 - 1, breadth / 2 - 1));
    painter.setPen(QPen(QColor(0, 0, 0), 0));
    const double step = side >= 32 ? 3 : 2.5;
    int mark = 0;
    for (double x = -length / 2 + step; x < length / 2 - 1; x += step, ++mark) {
        const double reach = (mark % 4 == 0 ? 0.55 : 0.3) * breadth;
        painter.drawLine(QPointF(x, -breadth / 2), QPointF(x, -breadth / 2 + reach));
    }
    painter.restore();
}

QImage rulersIcon(int side)
{
    QImage drawn(side, side, QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    drawRuler(painter, side, 45);
    drawRuler(painter, side, -45);
    painter.end();
    return toIconColours(drawn);
}

// The crossed rulers for the desktop's menus and launchers (48 pixels and up):
// the small icon's drawing in full colour and antialiased, the rulers a little
// shorter so that their ends stay inside the square.
QImage desktopRulersIcon(int side)
{
    const double unit = side / 32.0;
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double length = 35 * unit, breadth = 8 * unit, step = 3 * unit;
    const double outline = std::max(1.0, 0.6 * unit);
    for (const double degrees : {45.0, -45.0}) {
        painter.save();
        painter.translate(side / 2.0, side / 2.0);
        painter.rotate(degrees);
        const QRectF ruler(-length / 2, -breadth / 2, length, breadth);
        painter.setPen(QPen(QColor(0, 0, 0), outline));
        painter.setBrush(QColor(255, 255, 0));
        painter.drawRoundedRect(ruler, unit, unit);
        painter.setPen(QPen(QColor(128, 128, 0), outline));
        painter.drawLine(QPointF(ruler.left() + 2 * outline, ruler.bottom() - 1.5 * outline),
                         QPointF(ruler.right() - 2 * outline, ruler.bottom() - 1.5 * outline));
        painter.setPen(QPen(QColor(0, 0, 0), outline));
        int mark = 0;
        for (double x = ruler.left() + step; x < ruler.right() - unit; x += step, ++mark) {
            const double reach = (mark % 4 == 0 ? 0.55 : 0.3) * breadth;
            painter.drawLine(QPointF(x, ruler.top()), QPointF(x, ruler.top() + reach));
        }
        painter.restore();
    }
    return image;
}

// A pill-shaped button of the payment service with `word` on it.
void drawPaymentButton(QPainter& painter, QRectF pill, const QString& word, int pixels)
{
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gold(pill.topLeft(), pill.bottomLeft());
    gold.setColorAt(0, QColor(255, 224, 140));
    gold.setColorAt(1, QColor(247, 176, 36));
    painter.setPen(QPen(QColor(196, 128, 20), 1));
    painter.setBrush(gold);
    painter.drawRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    painter.setFont(boldSans(pixels));
    painter.setPen(QColor(22, 48, 110));
    painter.drawText(pill, Qt::AlignCenter, word);
}

// Small cards of the service under a button.
void drawCards(QPainter& painter, QPointF from, int count, QSizeF card)
{
    const QColor colours[] = {QColor(40, 80, 160), QColor(200, 60, 50), QColor(240, 170, 30),
                              QColor(60, 140, 90)};
    painter.setPen(QPen(QColor(90, 90, 90), 0.5));
    for (int i = 0; i < count; ++i) {
        painter.setBrush(colours[i % 4]);
        painter.drawRoundedRect(QRectF(from + QPointF(i * (card.width() + 2), 0), card), 1, 1);
    }
}

// 115 x 44; the box shows its top-left 109 x 40, so nothing that matters lies
// in the last columns and rows.
QImage donationButton()
{
    QImage image(115, 44, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawPaymentButton(painter, QRectF(3.5, 2.5, 101, 22), QStringLiteral("Donazione"), 13);
    drawCards(painter, QPointF(20.5, 28.5), 4, QSizeF(15, 9));
    return image;
}

// 60 x 38, the main window's donation button.
QImage paymentButton()
{
    QImage image(60, 38, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawPaymentButton(painter, QRectF(1.5, 1.5, 57, 20), QStringLiteral("Dona"), 12);
    drawCards(painter, QPointF(6.5, 26.5), 4, QSizeF(10, 7));
    return image;
}

// 41 x 40: a globe of meridians and parallels, the web site.
QImage globe()
{
    QImage image(41, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(20.5, 20);
    const double radius = 17;
    QRadialGradient sea(centre - QPointF(6, 6), radius * 1.6);
    sea.setColorAt(0, QColor(130, 190, 255));
    sea.setColorAt(1, QColor(20, 80, 170));
    painter.setPen(QPen(QColor(15, 50, 120), 1.2));
    painter.setBrush(sea);
    painter.drawEllipse(centre, radius, radius);

    QPainterPath sphere;
    sphere.addEllipse(centre, radius, radius);
    painter.setClipPath(sphere);
    painter.setPen(QPen(QColor(230, 240, 255), 1));
    painter.setBrush(Qt::NoBrush);
    for (const double across : {radius * 0.35, radius * 0.75})
        painter.drawEllipse(centre, across, radius);
    painter.drawLine(QPointF(centre.x(), centre.y() - radius),
                     QPointF(centre.x(), centre.y() + radius));
    for (const double down : {-0.55, 0.0, 0.55})
        painter.drawLine(QPointF(centre.x() - radius, centre.y() + down * radius),
                         QPointF(centre.x() + radius, centre.y() + down * radius));
    return image;
}

// 40 x 40: the maker's page on a social network, a speech bubble of three dots.
QImage socialLogo()
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 150, 136));
    painter.drawRoundedRect(QRectF(2, 2, 36, 36), 8, 8);

    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(8, 9, 24, 16), 7, 7);
    QPainterPath tail;
    tail.moveTo(12, 23);
    tail.lineTo(10, 31);
    tail.lineTo(19, 24.5);
    tail.closeSubpath();
    painter.setBrush(Qt::white);
    painter.drawPath(bubble.united(tail));
    painter.setBrush(QColor(0, 150, 136));
    for (const double x : {14.0, 20.0, 26.0})
        painter.drawEllipse(QPointF(x, 17), 2.2, 2.2);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const std::pair<const char*, std::function<QImage()>> pictures[] = {
        {"AboutBackground.png", aboutBackground},
        {"Tessaline32.png", [] { return rulersIcon(32); }},
        {"Tessaline16.png", [] { return rulersIcon(16); }},
        {"Tessaline48.png", [] { return desktopRulersIcon(48); }},
        {"Tessaline64.png", [] { return desktopRulersIcon(64); }},
        {"Tessaline128.png", [] { return desktopRulersIcon(128); }},
        {"Tessaline256.png", [] { return desktopRulersIcon(256); }},
        {"Donazione.png", donationButton},
        {"Globe.png", globe},
        {"Social.png", socialLogo},
        {"Image1.png", paymentButton},
    };
    for (const auto& [name, draw] : pictures) {
        const QString path = folder.filePath(QLatin1String(name));
        if (!draw().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
