#pragma once

// Turning a decoded picture upright by its EXIF orientation (1 to 8): the
// mirrorings and quarter turns a camera records instead of rotating pixels.

#include "Picture.h"

namespace tessaline {

// True for the orientations that swap width and height (5 to 8).
bool swapsAxes(int orientation);

// The picture as it is meant to be seen; 1 and unknown values leave it as it is.
Picture applyOrientation(Picture picture, int orientation);

} // namespace tessaline
