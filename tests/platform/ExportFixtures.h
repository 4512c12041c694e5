#pragma once

// Pictures, files and a scratch folder for the export tests.

#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessaline {

using Bytes = std::vector<std::uint8_t>;

// A photo-like picture: colour ramps with texture and an off-white highlight
// (which gives the palette near-white entries that dithering likes to push band
// pixels onto), between pure white bands of `band` rows, as a squared wide picture has.
inline Picture bandedPhoto(int width, int height, int band)
{
    Picture p(width, height);
    for (int y = band; y < height - band; ++y)
        for (int x = 0; x < width; ++x) {
            const double fx = double(x) / width, fy = double(y - band) / (height - 2 * band);
            std::uint8_t* px = p.row(y) + x * 3;
            const bool highlight = fx > 0.67 && fy > 0.5;
            px[0] = highlight ? 250 : static_cast<std::uint8_t>(40 + 200 * fx);
            px[1] =
                highlight ? 252 : static_cast<std::uint8_t>(30 + 180 * fy + 20 * std::sin(x * 0.3));
            px[2] =
                highlight ? 253 : static_cast<std::uint8_t>(128 + 100 * std::sin(fx * 6 + fy * 4));
        }
    return p;
}

inline double psnr(const Picture& a, const Picture& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i)
        sum += (double(a.rgb[i]) - b.rgb[i]) * (double(a.rgb[i]) - b.rgb[i]);
    return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * a.rgb.size() / sum);
}

inline Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/tessaline-export-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // The names in the folder, sorted: what a failure may have left behind.
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

} // namespace tessaline
