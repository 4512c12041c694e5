#include "WindowsBitmapStore.h"

#include "AtomicFile.h"
#include "BmpReader.h"

namespace tessaline {
namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderSize = 40;
constexpr std::uint32_t pixelsPerMetre = 2835; // 72 dots per inch

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

} // namespace

std::vector<std::uint8_t> encodeWindowsBitmap(const Picture& picture)
{
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * 3 + 3) & ~std::size_t(3);
    const std::size_t dataSize = stride * static_cast<std::size_t>(picture.height);
    const std::size_t offset = fileHeaderSize + infoHeaderSize;
    std::vector<std::uint8_t> bytes(offset + dataSize, 0);

    std::uint8_t* h = bytes.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<std::uint32_t>(bytes.size()));
    put32(h + 10, static_cast<std::uint32_t>(offset));
    put32(h + 14, infoHeaderSize);
    put32(h + 18, static_cast<std::uint32_t>(picture.width));
    put32(h + 22, static_cast<std::uint32_t>(picture.height)); // positive: bottom-up rows
    put16(h + 26, 1);                                          // planes
    put16(h + 28, 24);                                         // bits per pixel
    put32(h + 34, static_cast<std::uint32_t>(dataSize));       // compression 0 (BI_RGB) at 30
    put32(h + 38, pixelsPerMetre);
    put32(h + 42, pixelsPerMetre);

    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.row(y);
        std::uint8_t* out = bytes.data() + offset + stride * (picture.height - 1 - y);
        for (int x = 0; x < picture.width; ++x, in += 3, out += 3) {
            out[0] = in[2]; // BGR
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return bytes;
}

std::optional<Failure> WindowsBitmapStore::save(const Picture& picture, const std::string& path)
{
    if (picture.empty())
        return Failure{path, FailureKind::WriteFailed, "empty picture"};
    // No fsync: the bitmap is read back at once and rewritten for the next file.
    return writeFileAtomically(path, encodeWindowsBitmap(picture), FileSync::None);
}

Result<Picture> WindowsBitmapStore::load(const std::string& path)
{
    Result<LoadedPicture> loaded = readBmp(path);
    if (!loaded)
        return loaded.failure();
    return std::move(loaded.value().pixels);
}

} // namespace tessaline
