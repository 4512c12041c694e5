#include "Orientation.h"

#include <cstring>

namespace tessaline {

bool swapsAxes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

Picture applyOrientation(Picture picture, int orientation)
{
    if (orientation < 2 || orientation > 8 || picture.empty())
        return picture;
    const int w = picture.width, h = picture.height;
    const bool swap = swapsAxes(orientation);
    Picture out(swap ? h : w, swap ? w : h);
    // For each upright pixel (x, y), where it lies in the stored picture.
    for (int y = 0; y < out.height; ++y) {
        std::uint8_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;                       // mirrored left to right
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;       // half turn
            case 4: sy = h - 1 - y; break;                       // mirrored top to bottom
            case 5: sx = y; sy = x; break;                       // transposed
            case 6: sx = y; sy = h - 1 - x; break;               // stored a quarter turn left
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;       // transversed
            case 8: sx = w - 1 - y; sy = x; break;               // stored a quarter turn right
            }
            std::memcpy(dst + 3 * x, picture.at(sx, sy), 3);
        }
    }
    return out;
}

} // namespace tessaline
