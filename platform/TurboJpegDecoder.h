#pragma once

// The fast road for the JPEGs most folders hold: RGB or greyscale, with no
// colour profile or an sRGB one. TurboJPEG decodes straight at the DCT scale
// the output needs and the EXIF orientation is applied to the reduced picture.
// CMYK files and files with another profile are left to libvips, which converts
// their colours; the caller tells them apart by an empty answer.

#include "Failure.h"
#include "Picture.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaline {

struct JpegFacts {
    int orientation = 1;         // EXIF orientation, 1 when absent
    bool foreignProfile = false; // an ICC profile that is not sRGB
};

// What the markers before the picture data say; never reads past `length`.
JpegFacts readJpegFacts(const std::uint8_t* bytes, std::size_t length);

// The decoded picture, a failure naming `path`, or nothing when libvips should
// decode this file instead. Truncated or damaged data is a failure.
std::optional<Result<LoadedPicture>> decodeJpegFast(const std::string& path, const std::uint8_t* bytes,
                                                    std::size_t length, Size output);

} // namespace tessaline
