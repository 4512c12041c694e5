#pragma once

// The windows' designs are laid out in twips (1440 an inch, 15 a pixel at 96
// dots per inch) and name Windows fonts; these turn them into Qt's terms.

#include <QFont>
#include <QRect>

namespace tessaline {

inline constexpr int twipsPerPixel = 15;

// A rectangle of the design, in pixels.
inline QRect twips(int left, int top, int width, int height)
{
    const auto px = [](int t) { return qRound(double(t) / twipsPerPixel); };
    return {px(left), px(top), px(width), px(height)};
}

// The design's Windows fonts map to Liberation Sans, metric-compatible with Arial.
inline QFont sans(double points, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace tessaline
