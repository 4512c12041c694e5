#pragma once

// Where a picture lands when it is centred on a white square whose side is its
// longer edge and that square is scaled to the output size. All figures are
// pixels; nothing here touches pixels or files.

#include "Picture.h"

namespace tessaline {

// The picture's rectangle inside the output, in output pixels (fractional).
struct Placement {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// The side of the square canvas: the longer edge of the picture.
int squareSide(Size picture);

// The picture's rectangle once its square is scaled to `output`. The square is
// stretched when `output` is not square, as the window's output box is.
Placement placeOnSquare(Size picture, Size output);

// The largest JPEG DCT shrink (1, 2, 4 or 8) that keeps the longer edge at least
// twice the larger output side, so the final resample still has detail to use.
int jpegShrinkFactor(Size picture, Size output);

// Pictures beyond these are refused before decoding.
inline constexpr int maxPictureSide = 30000;
inline constexpr long long maxPicturePixels = 500'000'000;
bool exceedsPictureLimits(Size picture);

// Output sides the size fields accept.
inline constexpr int minOutputSide = 1;
inline constexpr int maxOutputSide = 10000;

} // namespace tessaline
