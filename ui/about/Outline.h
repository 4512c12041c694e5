#pragma once

// The About window's outline: a rectangle with rounded corners that covers the
// blue panel of its background. Plain arithmetic on the standard library only.
//
// Units: window pixels of the screen asked about; (0, 0) is the window's
// top-left corner. As with a Windows round-rect region, the right and bottom
// edges lie outside the outline. A computation that overflows, divides by zero
// or meets a value out of range gives no outline (std::nullopt), never throws.

#include <cstdint>
#include <optional>
#include <vector>

namespace tessaline {

struct OutlineRect {
    int left = 0;
    int top = 0;
    int right = 0;  // first column outside
    int bottom = 0; // first row outside
    int ellipseWidth = 0;
    int ellipseHeight = 0;

    friend bool operator==(const OutlineRect&, const OutlineRect&) = default;
};

// The pixels of one row that lie inside the outline: columns [left, right).
struct OutlineSpan {
    int y = 0;
    int left = 0;
    int right = 0;

    friend bool operator==(const OutlineSpan&, const OutlineSpan&) = default;
};

// Rounds to the nearest whole number, halves to the even one, whatever the
// floating-point rounding mode.
double roundHalfToEven(double value);

// The panel's rounded rectangle for a screen of dotsPerInchX x dotsPerInchY,
// scaled by scaleX, scaleY and shifted by offsetX, offsetY pixels. The figures
// are kept as a screen of 15 twips per pixel gives them; the twips-per-pixel
// ratios are rounded to 16-bit whole numbers and the six results to 32-bit ones.
std::optional<OutlineRect> CreaRegione(float scaleX, float scaleY, std::int16_t offsetX,
                                       std::int16_t offsetY, double dotsPerInchX,
                                       double dotsPerInchY);

// The outline's rows within the area (0, 0) to (width, height), top to bottom,
// each with the pixels whose centres lie inside the outline; rows without such
// a pixel are left out. Empty for an empty rectangle.
std::vector<OutlineSpan> outlineSpans(const OutlineRect& outline, int width, int height);

} // namespace tessaline
