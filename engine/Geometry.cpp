#include "Geometry.h"

#include <algorithm>

namespace tessaline {

int squareSide(Size picture)
{
    // Strictly wider pictures take their width; taller and exactly square ones their height.
    return picture.width > picture.height ? picture.width : picture.height;
}

Placement placeOnSquare(Size picture, Size output)
{
    const double side = squareSide(picture);
    if (side <= 0)
        return {};
    const double sx = output.width / side;
    const double sy = output.height / side;
    return {
        (side - picture.width) / 2.0 * sx,
        (side - picture.height) / 2.0 * sy,
        picture.width * sx,
        picture.height * sy,
    };
}

int jpegShrinkFactor(Size picture, Size output)
{
    const int longer = std::max(picture.width, picture.height);
    const int needed = 2 * std::max(output.width, output.height);
    int factor = 1;
    while (factor < 8 && longer / (factor * 2) >= needed)
        factor *= 2;
    return factor;
}

bool exceedsPictureLimits(Size picture)
{
    return picture.width > maxPictureSide || picture.height > maxPictureSide ||
           static_cast<long long>(picture.width) * picture.height > maxPicturePixels;
}

} // namespace tessaline
