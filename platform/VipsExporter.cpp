#include "VipsExporter.h"

#include "AtomicFile.h"

#include <cstring>
#include <vips/vips8>

namespace tessaline {
namespace {

using vips::VImage;
using Bytes = std::vector<std::uint8_t>;

constexpr double pixelsPerMillimetre = 72 / 25.4; // 72 dots per inch

Failure encodeFailure(std::string detail)
{
    return Failure{{}, FailureKind::WriteFailed, std::move(detail)};
}

// A view of the picture's pixels; the picture must outlive the image.
VImage imageOf(const Picture& picture)
{
    return VImage::new_from_memory(const_cast<std::uint8_t*>(picture.rgb.data()),
                                   picture.rgb.size(), picture.width, picture.height, 3,
                                   VIPS_FORMAT_UCHAR)
        .copy(VImage::option()
                  ->set("interpretation", VIPS_INTERPRETATION_sRGB)
                  ->set("xres", pixelsPerMillimetre)
                  ->set("yres", pixelsPerMillimetre));
}

Bytes takeBlob(VipsBlob* blob)
{
    std::size_t length = 0;
    const auto* data = static_cast<const std::uint8_t*>(vips_blob_get(blob, &length));
    Bytes bytes(data, data + length);
    vips_area_unref(VIPS_AREA(blob));
    return bytes;
}

Bytes gifBytes(const Picture& picture, double dither)
{
    return takeBlob(imageOf(picture).gifsave_buffer(VImage::option()
                                                        ->set("dither", dither)
                                                        ->set("effort", 7)
                                                        ->set("bitdepth", 8)
                                                        ->set("strip", true)));
}

Picture decodeGif(const Bytes& gif)
{
    VImage image = VImage::new_from_buffer(gif.data(), gif.size(), "");
    if (image.bands() > 3)
        image = image.extract_band(0, VImage::option()->set("n", 3));
    Picture picture(image.width(), image.height());
    std::size_t length = 0;
    void* memory = image.write_to_memory(&length);
    if (length == picture.rgb.size())
        std::memcpy(picture.rgb.data(), memory, length);
    g_free(memory);
    if (length != picture.rgb.size())
        throw vips::VError("decoded GIF has an unexpected size");
    return picture;
}

bool isWhite(const std::uint8_t* p)
{
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// True when every pure white pixel of `source` is pure white in `result`.
bool keepsWhite(const Picture& source, const Picture& result)
{
    for (std::size_t i = 0; i + 2 < source.rgb.size(); i += 3)
        if (isWhite(&source.rgb[i]) && !isWhite(&result.rgb[i]))
            return false;
    return true;
}

bool hasWhite(const Picture& picture)
{
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        if (isWhite(&picture.rgb[i]))
            return true;
    return false;
}

// Error diffusion carries the photo's quantisation error into the first rows of
// a white band, which then land on a near-white palette entry. No gifsave
// option prevents that short of turning dithering off, which bands photos. So
// the dithered result is decoded, its white pixels are put back, and that
// picture, already within the palette (at most 255 colours, white among them),
// is written again without dithering, which the quantiser reproduces exactly.
Bytes whiteKeepingGif(const Picture& picture)
{
    Bytes dithered = gifBytes(picture, 1.0);
    if (!hasWhite(picture))
        return dithered;
    Picture repaired = decodeGif(dithered);
    if (keepsWhite(picture, repaired))
        return dithered;
    for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3)
        if (isWhite(&picture.rgb[i]))
            repaired.rgb[i] = repaired.rgb[i + 1] = repaired.rgb[i + 2] = 255;
    Bytes rewritten = gifBytes(repaired, 0.0);
    // Should the palette have had no exact white, the rewrite may merge colours;
    // then it is kept only if white came out right.
    return keepsWhite(picture, decodeGif(rewritten)) ? rewritten : dithered;
}

template <class Encode> Result<Bytes> encodeWith(const Picture& picture, Encode encode)
{
    if (picture.empty())
        return encodeFailure("empty picture");
    try {
        return encode();
    } catch (const vips::VError& e) {
        vips_error_clear();
        return encodeFailure(e.what());
    }
}

std::optional<Failure> writeEncoded(Result<Bytes> encoded, const std::string& destinationPath, FileSync sync)
{
    if (!encoded) {
        Failure failure = encoded.failure();
        failure.file = destinationPath;
        return failure;
    }
    return writeFileAtomically(destinationPath, encoded.value(), sync);
}

Failure badQuality(const std::string& destinationPath, const std::string& text)
{
    return Failure{destinationPath, FailureKind::BadQuality,
                   "quality \"" + text + "\" is not a whole number from 1 to 100"};
}

} // namespace

Result<Bytes> encodeJpeg(const Picture& picture, int quality)
{
    return encodeWith(picture, [&] {
        return takeBlob(imageOf(picture).jpegsave_buffer(
            VImage::option()
                ->set("Q", quality)
                ->set("optimize_coding", true)
                ->set("subsample_mode",
                      quality < 90 ? VIPS_FOREIGN_SUBSAMPLE_ON : VIPS_FOREIGN_SUBSAMPLE_OFF)
                ->set("strip", true)));
    });
}

Result<Bytes> encodeGif(const Picture& picture)
{
    return encodeWith(picture, [&] { return whiteKeepingGif(picture); });
}

std::optional<Failure> VipsExporter::convertToJpeg(const std::string& bitmapPath,
                                                   const std::string& destinationPath,
                                                   const std::string& qualityText)
{
    const std::optional<int> quality = jpegQualityFromText(qualityText);
    if (!quality)
        return badQuality(destinationPath, qualityText);
    Result<Picture> bitmap = bitmaps_.load(bitmapPath);
    if (!bitmap)
        return bitmap.failure();
    return writeEncoded(encodeJpeg(bitmap.value(), *quality), destinationPath, sync_);
}

std::optional<Failure> VipsExporter::convertToGif(const std::string& bitmapPath,
                                                  const std::string& destinationPath)
{
    Result<Picture> bitmap = bitmaps_.load(bitmapPath);
    if (!bitmap)
        return bitmap.failure();
    return writeEncoded(encodeGif(bitmap.value()), destinationPath, sync_);
}

std::optional<Failure> VipsExporter::writePicture(const Picture& picture,
                                                  const std::string& destinationPath,
                                                  const ExportSettings& settings)
{
    if (settings.format == OutputFormat::Gif)
        return writeEncoded(encodeGif(picture), destinationPath, sync_);
    const std::optional<int> quality = jpegQualityFromText(settings.quality);
    if (!quality)
        return badQuality(destinationPath, settings.quality);
    return writeEncoded(encodeJpeg(picture, *quality), destinationPath, sync_);
}

} // namespace tessaline
