#include "Outline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaline {
namespace {

constexpr double twipsPerInch = 1440;
// The panel's figures are pixels of a screen of 15 twips per pixel.
constexpr double designTwipsPerPixel = 15;
constexpr double panelLeft = 2, panelTop = 1, panelRight = 462, panelBottom = 301;
constexpr double cornerDiameter = 60;

template <class Int> std::optional<Int> toWhole(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = roundHalfToEven(value);
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

std::optional<double> quotient(double dividend, double divisor)
{
    if (divisor == 0)
        return std::nullopt;
    return dividend / divisor;
}

// design pixels x scale, converted to the screen's pixels, then shifted.
std::optional<std::int32_t> screenPixels(double designPixels, float scale,
                                         std::int16_t twipsPerPixel, int offset = 0)
{
    const auto pixels = quotient(double(scale) * designPixels * designTwipsPerPixel, twipsPerPixel);
    if (!pixels)
        return std::nullopt;
    return toWhole<std::int32_t>(*pixels + offset);
}

} // namespace

double roundHalfToEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<OutlineRect> CreaRegione(float scaleX, float scaleY, std::int16_t offsetX,
                                       std::int16_t offsetY, double dotsPerInchX,
                                       double dotsPerInchY)
{
    const auto ratioX = quotient(twipsPerInch, dotsPerInchX);
    const auto ratioY = quotient(twipsPerInch, dotsPerInchY);
    if (!ratioX || !ratioY)
        return std::nullopt;
    const auto tx = toWhole<std::int16_t>(*ratioX);
    const auto ty = toWhole<std::int16_t>(*ratioY);
    if (!tx || !ty)
        return std::nullopt;

    const auto left = screenPixels(panelLeft, scaleX, *tx, offsetX);
    const auto top = screenPixels(panelTop, scaleY, *ty, offsetY);
    const auto right = screenPixels(panelRight, scaleX, *tx, offsetX);
    const auto bottom = screenPixels(panelBottom, scaleY, *ty, offsetY);
    const auto ellipseWidth = screenPixels(cornerDiameter, scaleX, *tx);
    const auto ellipseHeight = screenPixels(cornerDiameter, scaleY, *ty);
    if (!left || !top || !right || !bottom || !ellipseWidth || !ellipseHeight)
        return std::nullopt;
    return OutlineRect{*left, *top, *right, *bottom, *ellipseWidth, *ellipseHeight};
}

std::vector<OutlineSpan> outlineSpans(const OutlineRect& outline, int width, int height)
{
    std::vector<OutlineSpan> spans;
    const double across = double(outline.right) - outline.left;
    const double down = double(outline.bottom) - outline.top;
    if (across <= 0 || down <= 0)
        return spans;
    // A corner ellipse larger than the rectangle is cut down to it, as Windows does.
    const double rx = std::clamp(double(outline.ellipseWidth), 0.0, across) / 2;
    const double ry = std::clamp(double(outline.ellipseHeight), 0.0, down) / 2;
    const double upperArc = outline.top + ry;    // centre row of the top corners
    const double lowerArc = outline.bottom - ry; // centre row of the bottom corners

    const int firstRow = std::max(outline.top, 0);
    const int endRow = std::min(outline.bottom, height);
    for (int y = firstRow; y < endRow; ++y) {
        const double centre = y + 0.5;
        const double dy = centre < upperArc   ? upperArc - centre
                          : centre > lowerArc ? centre - lowerArc
                                              : 0;
        double dx = rx; // how far the row reaches beyond the corners' centres
        if (dy > 0) {
            if (dy > ry)
                continue;
            dx = rx * std::sqrt(std::max(0.0, 1 - (dy / ry) * (dy / ry)));
        }
        // Pixels whose centres lie within [from, to].
        const double from = outline.left + rx - dx;
        const double to = outline.right - rx + dx;
        const int first = int(std::max({double(outline.left), std::ceil(from - 0.5), 0.0}));
        const int end =
            int(std::min({double(outline.right), std::floor(to - 0.5) + 1, double(width)}));
        if (first < end)
            spans.push_back({y, first, end});
    }
    return spans;
}

} // namespace tessaline
