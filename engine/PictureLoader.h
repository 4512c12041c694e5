#pragma once

// Loading a picture file for a given output size. Implementations decode GIF,
// JPEG and Windows bitmaps into 8-bit sRGB with their orientation applied and
// transparent parts on white. They may decode a reduced copy (shrink-on-load)
// as long as its longer edge stays at least twice the larger output side, and
// report the picture's full size in `original`. Failures come back as values
// naming the file; implementations never throw.

#include "Failure.h"
#include "Picture.h"

#include <string>

namespace tessaline {

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    virtual Result<LoadedPicture> load(const std::string& path, Size output) = 0;
};

} // namespace tessaline
