#include "VipsPictureLoader.h"

#include "BmpReader.h"
#include "Geometry.h"
#include "TurboJpegDecoder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>
#include <vips/vips8>

namespace tessaline {
namespace {

using vips::VImage;

Failure failure(const std::string& path, FailureKind kind, std::string detail)
{
    return Failure{path, kind, std::move(detail)};
}

// Existence and permission problems get their own kinds, so the message can say
// "not found" or "cannot be read" rather than the decoder's words.
std::optional<Failure> checkReadable(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        return failure(path, err == ENOENT || err == ENOTDIR ? FailureKind::NotFound
                                                             : FailureKind::Unreadable,
                       std::strerror(err));
    }
    if (!S_ISREG(st.st_mode))
        return failure(path, FailureKind::NotAPicture, "not a regular file");
    if (st.st_size == 0)
        return failure(path, FailureKind::Corrupt, "empty file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failure(path, FailureKind::Unreadable, std::strerror(errno));
    ::close(fd);
    return std::nullopt;
}

enum class Kind { Bmp, Jpeg, Gif, Other };

// The format by its first bytes, whatever the name says.
Kind sniff(const std::string& path)
{
    std::uint8_t magic[4] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Kind::Other;
    const bool read = ::read(fd, magic, sizeof magic) == sizeof magic;
    ::close(fd);
    if (read && looksLikeBmp(magic, 2))
        return Kind::Bmp;
    if (read && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF)
        return Kind::Jpeg;
    if (read && std::memcmp(magic, "GIF8", 4) == 0)
        return Kind::Gif;
    return Kind::Other;
}

constexpr std::size_t maxJpegFileBytes = std::size_t(1) << 30;
constexpr std::size_t maxKeptBytes = std::size_t(64) << 20;

// The whole file, for the JPEG decoder, in a buffer each thread keeps from file
// to file (fresh pages for every file cost more than reading them); nothing when
// the file cannot be read or is absurdly large.
const std::vector<std::uint8_t>* readWhole(const std::string& path)
{
    thread_local std::vector<std::uint8_t> bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    const bool fits = ::fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) <= maxJpegFileBytes;
    if (fits) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        if (bytes.capacity() > 4 * maxKeptBytes && bytes.size() < maxKeptBytes)
            bytes.shrink_to_fit();
    }
    ::close(fd);
    return fits ? &bytes : nullptr;
}

bool isJpegLoader(const char* loader)
{
    return loader && std::string_view(loader).starts_with("VipsForeignLoadJpeg");
}

bool swapsAxes(const VImage& image)
{
    if (image.get_typeof(VIPS_META_ORIENTATION) == 0)
        return false;
    const int orientation = image.get_int(VIPS_META_ORIENTATION);
    return orientation >= 5 && orientation <= 8;
}

VImage toSrgb(VImage image)
{
    if (image.get_typeof(VIPS_META_ICC_NAME) != 0) {
        // Embedded profile: honour it. A broken profile falls back to the plain conversion.
        try {
            return image.icc_transform("srgb", VImage::option()
                                                   ->set("embedded", true)
                                                   ->set("intent", VIPS_INTENT_PERCEPTUAL)
                                                   ->set("depth", 8));
        } catch (const vips::VError&) {
        }
    }
    if (image.interpretation() != VIPS_INTERPRETATION_sRGB &&
        image.interpretation() != VIPS_INTERPRETATION_RGB)
        image = image.colourspace(VIPS_INTERPRETATION_sRGB);
    return image;
}

VImage toRgb8(VImage image)
{
    image = toSrgb(image);
    if (image.has_alpha())
        image = image.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
    if (image.format() != VIPS_FORMAT_UCHAR)
        image = image.cast(VIPS_FORMAT_UCHAR);
    if (image.bands() == 1 || image.bands() == 2) {
        const VImage grey = image.extract_band(0);
        image = VImage::bandjoin({grey, grey, grey});
    }
    if (image.bands() > 3)
        image = image.extract_band(0, VImage::option()->set("n", 3));
    return image;
}

VImage open(const std::string& path, int shrink)
{
    auto options = VImage::option()
                       ->set("access", VIPS_ACCESS_SEQUENTIAL)
                       ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
    if (shrink > 1)
        options->set("shrink", shrink);
    return VImage::new_from_file(path.c_str(), options);
}

} // namespace

bool startVips(const char* argv0)
{
    // libvips loads every module under its prefix at start-up (PDF, slides, HEIF,
    // JPEG XL, ImageMagick): scores of libraries we never use, and half of a short
    // run's start-up. Its prefix pointed elsewhere, it loads none; the loaders we
    // use are built in.
    ::setenv("VIPSHOME", "/nonexistent/tessaline", 0);
    if (VIPS_INIT(argv0 ? argv0 : "tessaline") != 0)
        return false;
    // Damaged files come back as failures with their reason; the library's
    // warnings about them on stderr would only be noise.
    if (!std::getenv("TESSALINE_VIPS_WARNINGS"))
        g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                          [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    // Each picture is decoded once; caching operations only holds on to memory.
    vips_cache_set_max(0);
    // Only the loaders meant for untrusted files: no ImageMagick, no PDF, no slides.
    vips_block_untrusted_set(TRUE);
    return true;
}

Result<LoadedPicture> VipsPictureLoader::load(const std::string& path, Size output)
{
    if (auto problem = checkReadable(path))
        return *problem;

    const Kind kind = sniff(path);
    // libvips reads bitmaps only through ImageMagick, which is slow and lenient
    // with truncated files; ours checks the header against the file first.
    if (kind == Kind::Bmp)
        return readBmp(path);
    if (kind == Kind::Jpeg) {
        const std::vector<std::uint8_t>* bytes = readWhole(path);
        if (!bytes)
            return failure(path, FailureKind::TooLarge, "file over 1 GB");
        if (auto fast = decodeJpegFast(path, bytes->data(), bytes->size(), output))
            return std::move(*fast);
    }

    // Asking every loader costs dozens of opens of the file; the common ones are known.
    const char* loader = kind == Kind::Jpeg ? "VipsForeignLoadJpegFile"
                         : kind == Kind::Gif ? "VipsForeignLoadNsgifFile"
                                             : vips_foreign_find_load(path.c_str());
    if (!loader) {
        vips_error_clear();
        return failure(path, FailureKind::NotAPicture, "unknown format");
    }

    try {
        VImage header = open(path, 1);
        Size original{header.width(), header.height()};
        if (swapsAxes(header))
            std::swap(original.width, original.height);
        if (exceedsPictureLimits(original))
            return failure(path, FailureKind::TooLarge,
                           std::to_string(original.width) + " x " + std::to_string(original.height));

        const int shrink = isJpegLoader(loader) ? jpegShrinkFactor(original, output) : 1;
        VImage image = shrink > 1 ? open(path, shrink) : header;
        // Decode in one sequential pass into memory, then turn the (already
        // reduced) picture upright: rotating while decoding would read rows
        // out of order.
        image = toRgb8(image).copy_memory().autorot();

        LoadedPicture result;
        result.original = original;
        result.pixels = Picture(image.width(), image.height());
        size_t bytes = 0;
        void* memory = image.write_to_memory(&bytes);
        const bool complete = bytes == result.pixels.rgb.size();
        if (complete)
            std::memcpy(result.pixels.rgb.data(), memory, bytes);
        g_free(memory);
        if (!complete)
            return failure(path, FailureKind::Corrupt, "unexpected decoded size");
        return result;
    } catch (const vips::VError& e) {
        vips_error_clear();
        std::string detail = e.what();
        while (!detail.empty() && (detail.back() == '\n' || detail.back() == ' '))
            detail.pop_back();
        return failure(path, FailureKind::Corrupt, detail);
    }
}

} // namespace tessaline
