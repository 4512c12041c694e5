#include "TurboJpegDecoder.h"

#include "Geometry.h"
#include "Orientation.h"

#include <cstring>
#include <string_view>
#include <turbojpeg.h>

namespace tessaline {
namespace {

std::uint16_t be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

std::uint16_t tiff16(const std::uint8_t* p, bool little)
{
    return little ? static_cast<std::uint16_t>(p[0] | p[1] << 8) : be16(p);
}

std::uint32_t tiff32(const std::uint8_t* p, bool little)
{
    return little ? (p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24)
                  : (std::uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]);
}

// Tag 0x0112 of IFD0 in an "Exif\0\0" segment; 1 when missing or malformed.
int exifOrientation(const std::uint8_t* p, std::size_t n)
{
    if (n < 6 + 8 || std::memcmp(p, "Exif\0\0", 6) != 0)
        return 1;
    const std::uint8_t* tiff = p + 6;
    const std::size_t size = n - 6;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M'))
        return 1;
    const std::uint32_t ifd = tiff32(tiff + 4, little);
    if (ifd > size - 2)
        return 1;
    const std::uint16_t entries = tiff16(tiff + ifd, little);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t at = ifd + 2 + std::size_t(i) * 12;
        if (at + 12 > size)
            return 1;
        if (tiff16(tiff + at, little) == 0x0112) {
            const int value = tiff16(tiff + at + 8, little);
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

// An ICC profile is taken as sRGB when its description names it; anything else
// goes through the colour conversion.
bool isSrgbProfile(const std::uint8_t* p, std::size_t n)
{
    const std::string_view profile(reinterpret_cast<const char*>(p), n);
    return profile.find("sRGB") != std::string_view::npos;
}

struct Handle {
    tjhandle h = tjInitDecompress();
    ~Handle()
    {
        if (h)
            tjDestroy(h);
    }
};

Failure corrupt(const std::string& path, tjhandle h)
{
    return Failure{path, FailureKind::Corrupt, tjGetErrorStr2(h)};
}

} // namespace

JpegFacts readJpegFacts(const std::uint8_t* bytes, std::size_t length)
{
    JpegFacts facts;
    std::size_t i = 2; // after SOI
    while (i + 4 <= length) {
        if (bytes[i] != 0xFF) // not a marker: the headers are damaged; let the decoder say so
            break;
        const std::uint8_t marker = bytes[i + 1];
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) // start of scan, end of image
            break;
        const std::size_t segment = be16(bytes + i + 2);
        if (segment < 2 || i + 2 + segment > length)
            break;
        const std::uint8_t* payload = bytes + i + 4;
        const std::size_t size = segment - 2;
        if (marker == 0xE1 && facts.orientation == 1)
            facts.orientation = exifOrientation(payload, size);
        if (marker == 0xE2 && size > 14 && std::memcmp(payload, "ICC_PROFILE\0", 12) == 0 &&
            payload[12] == 1 && !isSrgbProfile(payload + 14, size - 14))
            facts.foreignProfile = true;
        i += 2 + segment;
    }
    return facts;
}

std::optional<Result<LoadedPicture>> decodeJpegFast(const std::string& path, const std::uint8_t* bytes,
                                                    std::size_t length, Size output)
{
    thread_local Handle turbo;
    if (!turbo.h)
        return std::nullopt;
    const auto size = static_cast<unsigned long>(length);
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(turbo.h, bytes, size, &width, &height, &subsampling, &colourspace) != 0)
        return Result<LoadedPicture>(corrupt(path, turbo.h));
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK)
        return std::nullopt;
    const JpegFacts facts = readJpegFacts(bytes, length);
    if (facts.foreignProfile)
        return std::nullopt;

    Size original{width, height};
    if (swapsAxes(facts.orientation))
        std::swap(original.width, original.height);
    if (exceedsPictureLimits(original))
        return Result<LoadedPicture>(Failure{path, FailureKind::TooLarge,
                                             std::to_string(original.width) + " x " +
                                                 std::to_string(original.height)});

    const tjscalingfactor scale{1, jpegShrinkFactor(original, output)};
    const int w = TJSCALED(width, scale), h = TJSCALED(height, scale);
    Picture decoded(w, h, 0);
    // Stop on warnings: libjpeg only warns about a file that ends early, and
    // fills the rest with grey.
    if (tjDecompress2(turbo.h, bytes, size, decoded.rgb.data(), w, w * 3, h, TJPF_RGB,
                      TJFLAG_STOPONWARNING) != 0)
        return Result<LoadedPicture>(corrupt(path, turbo.h));
    return Result<LoadedPicture>(LoadedPicture{applyOrientation(std::move(decoded), facts.orientation), original});
}

} // namespace tessaline
