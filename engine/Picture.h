#pragma once

// Plain picture values shared by every layer. Pixels are 8-bit sRGB, three
// interleaved channels (R, G, B), rows top to bottom without padding.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessaline {

struct Size {
    int width = 0;
    int height = 0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb; // width * height * 3 bytes

    Picture() = default;
    // A picture of the given size, every channel set to fill.
    Picture(int w, int h, std::uint8_t fill = 255)
        : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, fill)
    {
    }

    bool empty() const { return width <= 0 || height <= 0; }
    Size size() const { return {width, height}; }
    std::uint8_t* row(int y) { return rgb.data() + static_cast<std::size_t>(y) * width * 3; }
    const std::uint8_t* row(int y) const
    {
        return rgb.data() + static_cast<std::size_t>(y) * width * 3;
    }
    const std::uint8_t* at(int x, int y) const { return row(y) + static_cast<std::size_t>(x) * 3; }
};

// A decoded picture together with the size of the file's picture before any
// shrink-on-load: the geometry is computed on `original`, the pixels may be
// a reduced copy of it.
struct LoadedPicture {
    Picture pixels;
    Size original;
};

} // namespace tessaline
