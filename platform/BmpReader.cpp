#include "BmpReader.h"

#include "Geometry.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <vector>

namespace tessaline {
namespace {

constexpr std::uint32_t rgb = 0, rle8 = 1, rle4 = 2, bitFields = 3, alphaBitFields = 6;

std::uint32_t u32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

Failure corrupt(std::string detail) { return Failure{{}, FailureKind::Corrupt, std::move(detail)}; }

// Run-length pictures above this size must paint at least half their pixels:
// end-of-line, delta and end-of-bitmap codes skip any number of pixels in two
// or four bytes, so a few bytes could otherwise declare a canvas of gigabytes.
constexpr long long sparseRleLimit = 4'000'000;

// Walks an RLE stream to its end-of-bitmap mark and counts the pixels its runs
// paint (skipped ones are left out); nothing when the data runs out first.
std::optional<long long> rlePaintedPixels(const std::uint8_t* p, std::size_t length, int bits)
{
    long long painted = 0;
    std::size_t i = 0;
    while (i + 1 < length) {
        const std::uint8_t count = p[i], code = p[i + 1];
        i += 2;
        if (count != 0) { // an encoded run: count pixels of one value
            painted += count;
            continue;
        }
        if (code == 1)
            return painted; // end of bitmap
        if (code == 0)
            continue;   // end of line
        if (code == 2) { // delta: two more bytes
            i += 2;
            continue;
        }
        // An absolute run of `code` pixels, padded to a 16-bit boundary.
        painted += code;
        std::size_t bytes = bits == 8 ? code : (code + 1) / 2;
        i += (bytes + 1) & ~std::size_t(1);
    }
    return std::nullopt;
}

} // namespace

bool looksLikeBmp(const std::uint8_t* bytes, std::size_t length)
{
    return length >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

Result<BmpHeader> checkBmp(const std::uint8_t* bytes, std::size_t length)
{
    if (length < 26 || !looksLikeBmp(bytes, length))
        return corrupt("not a bitmap header");
    BmpHeader h;
    h.dataOffset = u32(bytes + 10);
    const std::uint32_t infoSize = u32(bytes + 14);
    long long width = 0, height = 0;
    if (infoSize == 12) { // OS/2 1.x
        width = u16(bytes + 18);
        height = u16(bytes + 20);
        h.bitsPerPixel = u16(bytes + 24);
    } else if (infoSize >= 16 && infoSize <= 124 && length >= 14 + 16) {
        width = static_cast<std::int32_t>(u32(bytes + 18));
        height = static_cast<std::int32_t>(u32(bytes + 22));
        h.bitsPerPixel = u16(bytes + 28);
        if (infoSize >= 20 && length >= 34 + 4)
            h.compression = u32(bytes + 30);
    } else {
        return corrupt("unknown bitmap header size " + std::to_string(infoSize));
    }
    if (height < 0)
        height = -height; // top-down rows
    if (width <= 0 || height <= 0)
        return corrupt("no pixels");
    if (width > maxPictureSide * 100LL || height > maxPictureSide * 100LL)
        width = height = maxPictureSide + 1LL; // absurd: report as too large
    h.size = {static_cast<int>(width), static_cast<int>(height)};
    if (exceedsPictureLimits(h.size))
        return Failure{{}, FailureKind::TooLarge, std::to_string(width) + " x " + std::to_string(height)};

    const int bits = h.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return corrupt("unsupported depth " + std::to_string(bits));
    if (h.dataOffset >= length)
        return corrupt("pixel data missing");

    const std::size_t available = length - h.dataOffset;
    if (h.compression == rgb || h.compression == bitFields || h.compression == alphaBitFields) {
        const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
        if (stride * static_cast<std::size_t>(height) > available)
            return corrupt("truncated: the header declares more pixels than the file holds");
    } else if (h.compression == rle8 || h.compression == rle4) {
        const std::optional<long long> painted =
            rlePaintedPixels(bytes + h.dataOffset, available, h.compression == rle8 ? 8 : 4);
        if (!painted)
            return corrupt("truncated run-length data");
        const long long declared = width * height;
        if (declared > sparseRleLimit && *painted * 2 < declared)
            return corrupt("declares " + std::to_string(width) + " x " + std::to_string(height) +
                           " pixels but its runs paint only " + std::to_string(*painted));
    } else {
        return corrupt("unsupported compression " + std::to_string(h.compression));
    }
    return h;
}

Result<LoadedPicture> readBmp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Failure{path, FailureKind::Unreadable, "cannot open"};
    std::vector<std::uint8_t> bytes;
    // Peek at the header first: the size check comes before reading a whole bomb.
    bytes.resize(64);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    Result<BmpHeader> early = checkBmp(bytes.data(), bytes.size());
    if (!early && early.failure().kind == FailureKind::TooLarge)
        return Failure{path, FailureKind::TooLarge, early.failure().detail};
    bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

    Result<BmpHeader> header = checkBmp(bytes.data(), bytes.size());
    if (!header) {
        Failure f = header.failure();
        f.file = path;
        return f;
    }

    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return Failure{path, FailureKind::TooLarge, "file over 2 GB"};
    QImageReader::setAllocationLimit(0); // the size limits above already bound it
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "BMP"))
        return Failure{path, FailureKind::Corrupt, "the bitmap could not be decoded"};
    if (image.hasAlphaChannel()) {
        // Transparent parts on white, like every other format.
        QImage flat(image.size(), QImage::Format_RGB888);
        flat.fill(Qt::white);
        QPainter(&flat).drawImage(0, 0, image);
        image = flat;
    } else {
        image = image.convertToFormat(QImage::Format_RGB888);
    }
    LoadedPicture result;
    result.original = {image.width(), image.height()};
    result.pixels = Picture(image.width(), image.height());
    const std::size_t rowBytes = static_cast<std::size_t>(image.width()) * 3;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(result.pixels.row(y), image.constScanLine(y), rowBytes);
    return result;
}

} // namespace tessaline
