#pragma once

// Windows bitmaps: the header is checked by hand against the file (so a
// truncated file or one whose declared size disagrees with it is refused before
// decoding), then Qt's reader decodes it: 1, 4, 8, 16, 24 and 32 bits, RLE4/RLE8,
// bit fields, bottom-up and top-down, Windows and OS/2 headers.

#include "Failure.h"
#include "Picture.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessaline {

struct BmpHeader {
    Size size;               // pixels, always positive
    int bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t dataOffset = 0;
};

// True when the bytes start like a Windows bitmap ("BM").
bool looksLikeBmp(const std::uint8_t* bytes, std::size_t length);

// Parses and checks the header of a whole bitmap file held in memory: the pixel
// data the header declares must be present. The failure's file is left empty.
Result<BmpHeader> checkBmp(const std::uint8_t* bytes, std::size_t length);

// Reads the bitmap at `path` into 8-bit RGB.
Result<LoadedPicture> readBmp(const std::string& path);

} // namespace tessaline
