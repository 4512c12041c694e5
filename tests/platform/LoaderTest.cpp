// The picture loader against real files made here: every format the list
// offers, its variants, orientation, colour, transparency and damage.

#include "BmpReader.h"
#include "FitPipeline.h"
#include "VipsPictureLoader.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vips/vips8>

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using vips::VImage;

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessaline-loader-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    // A smooth, photo-like picture: colour ramps with a soft disc, no flat areas.
    static VImage photo(int w, int h)
    {
        VImage xy = VImage::xyz(w, h);
        VImage x = xy.extract_band(0), y = xy.extract_band(1);
        VImage r = x * (255.0 / w);
        VImage g = y * (255.0 / h);
        VImage d = ((x - w / 2.0).pow(2) + (y - h / 2.0).pow(2)).pow(0.5);
        VImage b = (d * (6.283 / (std::min(w, h) / 3.0))).sin() * 100 + 128;
        return VImage::bandjoin({r, g, b}).cast(VIPS_FORMAT_UCHAR).copy(
            VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    }

    static void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<std::uint8_t> readBytes(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    VipsPictureLoader loader_;
    fs::path dir_;
};

const std::uint8_t* px(const LoadedPicture& p, int x, int y) { return p.pixels.at(x, y); }

testing::AssertionResult near(const std::uint8_t* p, int r, int g, int b, int tolerance)
{
    if (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "got " << int(p[0]) << "," << int(p[1]) << "," << int(p[2])
                                       << " want " << r << "," << g << "," << b;
}

TEST_F(LoaderTest, JpegVariantsDecodeAndShrinkOnLoad)
{
    const VImage big = photo(2400, 1600);
    big.jpegsave(file("baseline.jpg").c_str(), VImage::option()->set("Q", 92));
    big.jpegsave(file("progressive.jpg").c_str(), VImage::option()->set("interlace", true));
    big.colourspace(VIPS_INTERPRETATION_B_W).jpegsave(file("grey.jpg").c_str());

    for (const char* name : {"baseline.jpg", "progressive.jpg", "grey.jpg"}) {
        Result<LoadedPicture> r = loader_.load(file(name), {300, 300});
        ASSERT_TRUE(r) << name << ": " << r.failure().detail;
        EXPECT_EQ(r.value().original, (Size{2400, 1600})) << name;
        // 2400 / 4 = 600 keeps twice the output side; 1/8 would not.
        EXPECT_EQ(r.value().pixels.size(), (Size{600, 400})) << name;
    }
    // Left column is dark red, right is bright red: the ramp survived.
    Result<LoadedPicture> colour = loader_.load(file("baseline.jpg"), {300, 300});
    EXPECT_LT(px(colour.value(), 2, 200)[0], 20);
    EXPECT_GT(px(colour.value(), 597, 200)[0], 235);
    // Grey comes back as three equal channels.
    Result<LoadedPicture> grey = loader_.load(file("grey.jpg"), {300, 300});
    const auto* g = px(grey.value(), 300, 200);
    EXPECT_EQ(g[0], g[1]);
    EXPECT_EQ(g[1], g[2]);
    // A large output asks for the full picture.
    EXPECT_EQ(loader_.load(file("baseline.jpg"), {1500, 1500}).value().pixels.size(), (Size{2400, 1600}));
}

TEST_F(LoaderTest, ExifOrientationIsApplied)
{
    // Landscape pixels tagged "rotate 90° clockwise to view" (6) are a portrait picture.
    VImage img = photo(400, 200).copy();
    img.set(VIPS_META_ORIENTATION, 6);
    img.jpegsave(file("rotated.jpg").c_str());
    Result<LoadedPicture> r = loader_.load(file("rotated.jpg"), {300, 300});
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value().original, (Size{200, 400}));
    EXPECT_EQ(r.value().pixels.size(), (Size{200, 400}));
    // Red grows along the stored x axis, which now runs top to bottom.
    EXPECT_LT(px(r.value(), 100, 3)[0], 25);
    EXPECT_GT(px(r.value(), 100, 396)[0], 230);
}

TEST_F(LoaderTest, OrientationAppliesToShrunkDecodesToo)
{
    // A large rotated photo decoded at 1/4: the rotation must not upset the decode.
    VImage img = photo(2400, 1600).copy();
    img.set(VIPS_META_ORIENTATION, 8);
    img.jpegsave(file("big-rotated.jpg").c_str(), VImage::option()->set("interlace", true));
    Result<LoadedPicture> r = loader_.load(file("big-rotated.jpg"), {300, 300});
    ASSERT_TRUE(r) << r.failure().detail;
    EXPECT_EQ(r.value().original, (Size{1600, 2400}));
    EXPECT_EQ(r.value().pixels.size(), (Size{400, 600}));
    // Orientation 8 turns the picture a quarter left: its red ramp now rises upwards.
    EXPECT_GT(px(r.value(), 200, 3)[0], 230);
    EXPECT_LT(px(r.value(), 200, 596)[0], 25);
}

TEST_F(LoaderTest, EveryOrientationMatchesLibvipsOwnRotation)
{
    // Our decoder turns the reduced picture itself; libvips's autorot is the referee.
    const VImage stored = photo(1400, 900);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string name = file(std::to_string(orientation).insert(0, 1, 'o').append(".jpg"));
        VImage tagged = stored.copy();
        tagged.set(VIPS_META_ORIENTATION, orientation);
        tagged.jpegsave(name.c_str());
        Result<LoadedPicture> ours = loader_.load(name, {150, 150}); // shrink 4
        ASSERT_TRUE(ours) << orientation << ": " << ours.failure().detail;
        VImage theirs = VImage::new_from_file(name.c_str(), VImage::option()->set("shrink", 4)).autorot();
        ASSERT_EQ(ours.value().pixels.size(), (Size{theirs.width(), theirs.height()})) << orientation;
        std::size_t bytes = 0;
        auto* ref = static_cast<std::uint8_t*>(theirs.write_to_memory(&bytes));
        ASSERT_EQ(bytes, ours.value().pixels.rgb.size());
        int worst = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            worst = std::max(worst, std::abs(int(ref[i]) - int(ours.value().pixels.rgb[i])));
        g_free(ref);
        EXPECT_LE(worst, 1) << "orientation " << orientation;
    }
}

TEST_F(LoaderTest, CmykAndEmbeddedProfilesComeOutAsSrgb)
{
    const VImage rgb = VImage::black(64, 64, VImage::option()->set("bands", 3)).new_from_image({200, 40, 40})
                           .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    const VImage cmyk = rgb.icc_export(VImage::option()->set("output_profile", "cmyk"));
    cmyk.jpegsave(file("cmyk-profile.jpg").c_str());
    cmyk.jpegsave(file("cmyk-bare.jpg").c_str(), VImage::option()->set("strip", true));
    for (const char* name : {"cmyk-profile.jpg", "cmyk-bare.jpg"}) {
        Result<LoadedPicture> r = loader_.load(file(name), {64, 64});
        ASSERT_TRUE(r) << name << ": " << r.failure().detail;
        EXPECT_TRUE(near(px(r.value(), 32, 32), 200, 40, 40, 25)) << name;
    }
}

TEST_F(LoaderTest, GifFirstFrameWithTransparencyOnWhite)
{
    // Two frames: the first a red square with a transparent left half, the second blue.
    VImage red = VImage::black(20, 10, VImage::option()->set("bands", 3)).new_from_image({255, 0, 0});
    VImage alpha = VImage::black(20, 10).new_from_image({255}).insert(VImage::black(10, 10), 0, 0);
    VImage first = red.bandjoin(alpha).copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    VImage second = VImage::black(20, 10, VImage::option()->set("bands", 3))
                        .new_from_image({0, 0, 255})
                        .bandjoin(VImage::black(20, 10).new_from_image({255}));
    VImage frames = first.join(second, VIPS_DIRECTION_VERTICAL).copy();
    frames.set("page-height", 10);
    frames.gifsave(file("anim.gif").c_str());

    Result<LoadedPicture> r = loader_.load(file("anim.gif"), {20, 20});
    ASSERT_TRUE(r) << r.failure().detail;
    EXPECT_EQ(r.value().pixels.size(), (Size{20, 10}));
    EXPECT_TRUE(near(px(r.value(), 2, 5), 255, 255, 255, 0));
    EXPECT_TRUE(near(px(r.value(), 17, 5), 255, 0, 0, 8));
}

// A bitmap file made by hand: `info` 12 (OS/2) or 40 (Windows), `bits`, rows
// bottom-up unless `topDown`, `palette` entries as BGR0, `data` the pixel bytes.
std::vector<std::uint8_t> bitmap(int info, int w, int h, int bits, std::uint32_t compression,
                                 const std::vector<std::uint8_t>& palette, const std::vector<std::uint8_t>& data,
                                 bool topDown = false)
{
    std::vector<std::uint8_t> out(14 + info);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&](std::size_t at, std::uint16_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    std::vector<std::uint8_t> pal = palette;
    if (info == 12) { // OS/2 palettes are BGR triples, always 2^bits of them
        pal.clear();
        for (std::size_t i = 0; i < palette.size(); i += 4)
            pal.insert(pal.end(), palette.begin() + i, palette.begin() + i + 3);
        pal.resize(static_cast<std::size_t>(3) << bits, 0);
    }
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size() + pal.size() + data.size()));
    put32(10, static_cast<std::uint32_t>(out.size() + pal.size()));
    put32(14, info);
    if (info == 12) {
        put16(18, w);
        put16(20, h);
        put16(22, 1);
        put16(24, bits);
    } else {
        put32(18, w);
        put32(22, topDown ? -h : h);
        put16(26, 1);
        put16(28, bits);
        put32(30, compression);
        put32(46, static_cast<std::uint32_t>(palette.size() / 4));
    }
    out.insert(out.end(), pal.begin(), pal.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

TEST_F(LoaderTest, BitmapVariants)
{
    const std::vector<std::uint8_t> redBlue{0, 0, 255, 0, 255, 0, 0, 0}; // 0 red, 1 blue (BGR0)
    // 2 x 2: bottom row red red, top row blue red (8 bits, rows padded to 4 bytes)
    const std::vector<std::uint8_t> rows8{0, 0, 0, 0, 1, 0, 0, 0};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        bool topIsBlueFirst;
    };
    const std::vector<Case> cases{
        {"8bit.bmp", bitmap(40, 2, 2, 8, 0, redBlue, rows8), true},
        {"topdown.bmp", bitmap(40, 2, 2, 8, 0, redBlue, rows8, true), false},
        {"os2.bmp", bitmap(12, 2, 2, 8, 0, redBlue, rows8), true},
        // 1 bit: bit 7 is the first pixel
        {"1bit.bmp", bitmap(40, 2, 2, 1, 0, redBlue, {0x00, 0, 0, 0, 0x80, 0, 0, 0}), true},
        // 4 bits: the high nibble is the first pixel
        {"4bit.bmp", bitmap(40, 2, 2, 4, 0, redBlue, {0x00, 0, 0, 0, 0x10, 0, 0, 0}), true},
        // RLE8: run of 2 red, end of line, 1 blue + 1 red, end of bitmap
        {"rle8.bmp", bitmap(40, 2, 2, 8, 1, redBlue, {2, 0, 0, 0, 1, 1, 1, 0, 0, 1}), true},
        // 24 bits BGR, rows padded to 8 bytes
        {"24bit.bmp", bitmap(40, 2, 2, 24, 0, {}, {0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0}), true},
        // 32 bits BGRx
        {"32bit.bmp", bitmap(40, 2, 2, 32, 0, {}, {0, 0, 255, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 0, 255, 0}), true},
    };
    for (const Case& c : cases) {
        writeBytes(file(c.name), c.bytes);
        Result<LoadedPicture> r = loader_.load(file(c.name), {10, 10});
        ASSERT_TRUE(r) << c.name << ": " << r.failure().detail;
        ASSERT_EQ(r.value().pixels.size(), (Size{2, 2})) << c.name;
        const auto* topLeft = px(r.value(), 0, 0);
        if (c.topIsBlueFirst)
            EXPECT_TRUE(near(topLeft, 0, 0, 255, 0)) << c.name;
        else
            EXPECT_TRUE(near(topLeft, 255, 0, 0, 0)) << c.name;
        EXPECT_TRUE(near(px(r.value(), 1, 1), 255, 0, 0, 0)) << c.name;
    }
    // 16 bits (5-5-5): pure green 0x03E0
    writeBytes(file("16bit.bmp"), bitmap(40, 1, 1, 16, 0, {}, {0xE0, 0x03, 0, 0}));
    Result<LoadedPicture> g = loader_.load(file("16bit.bmp"), {10, 10});
    ASSERT_TRUE(g) << g.failure().detail;
    EXPECT_TRUE(near(px(g.value(), 0, 0), 0, 255, 0, 8));
}

TEST_F(LoaderTest, DamagedFilesAreFailuresNotGreyPictures)
{
    photo(800, 600).jpegsave(file("whole.jpg").c_str());
    const auto jpeg = readBytes(file("whole.jpg"));
    writeBytes(file("half.jpg"), {jpeg.begin(), jpeg.begin() + jpeg.size() / 2});
    writeBytes(file("empty.jpg"), {});
    writeBytes(file("noise.jpg"), std::vector<std::uint8_t>(5000, 0x5a));
    photo(200, 100).gifsave(file("whole.gif").c_str());
    const auto gif = readBytes(file("whole.gif"));
    writeBytes(file("half.gif"), {gif.begin(), gif.begin() + gif.size() / 2});
    auto bmp = bitmap(40, 100, 100, 24, 0, {}, std::vector<std::uint8_t>(300 * 100, 128));
    writeBytes(file("half.bmp"), {bmp.begin(), bmp.begin() + bmp.size() / 2});
    writeBytes(file("rle-cut.bmp"), bitmap(40, 2, 2, 8, 1, {0, 0, 255, 0}, {2, 0, 0, 0, 2, 0}));
    fs::create_directory(dir_ / "folder.jpg");

    const std::vector<std::pair<const char*, FailureKind>> cases{
        {"half.jpg", FailureKind::Corrupt},      {"empty.jpg", FailureKind::Corrupt},
        {"noise.jpg", FailureKind::NotAPicture}, {"half.gif", FailureKind::Corrupt},
        {"half.bmp", FailureKind::Corrupt},      {"rle-cut.bmp", FailureKind::Corrupt},
        {"missing.jpg", FailureKind::NotFound},  {"folder.jpg", FailureKind::NotAPicture},
    };
    for (const auto& [name, kind] : cases) {
        Result<LoadedPicture> r = loader_.load(file(name), {300, 300});
        ASSERT_FALSE(r) << name;
        EXPECT_EQ(r.failure().kind, kind) << name << ": " << r.failure().detail;
        EXPECT_EQ(r.failure().file, file(name));
    }
}

TEST_F(LoaderTest, AbsurdHeadersAreRefusedBeforeDecoding)
{
    // A 65535 x 65535 bitmap whose file is tiny: refused from the header.
    writeBytes(file("bomb.bmp"), bitmap(40, 65535, 65535, 24, 0, {}, std::vector<std::uint8_t>(64, 0)));
    // A GIF whose logical screen claims 65535 x 65535.
    photo(16, 16).gifsave(file("bomb.gif").c_str());
    auto gif = readBytes(file("bomb.gif"));
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
    // The same for the frame descriptor, wherever it is.
    for (std::size_t i = 13; i + 9 < gif.size(); ++i)
        if (gif[i] == 0x2C) {
            gif[i + 5] = gif[i + 6] = gif[i + 7] = gif[i + 8] = 0xFF;
            break;
        }
    writeBytes(file("bomb.gif"), gif);
    // A JPEG whose frame header claims 65000 x 65000.
    photo(16, 16).jpegsave(file("bomb.jpg").c_str());
    auto jpg = readBytes(file("bomb.jpg"));
    for (std::size_t i = 2; i + 8 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC2)) {
            jpg[i + 5] = jpg[i + 7] = 0xFD;
            jpg[i + 6] = jpg[i + 8] = 0xE8;
            break;
        }
    writeBytes(file("bomb.jpg"), jpg);

    for (const char* name : {"bomb.bmp", "bomb.gif", "bomb.jpg"}) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        Result<LoadedPicture> r = loader_.load(file(name), {300, 300});
        getrusage(RUSAGE_SELF, &after);
        ASSERT_FALSE(r) << name;
        EXPECT_TRUE(r.failure().kind == FailureKind::TooLarge || r.failure().kind == FailureKind::Corrupt)
            << name << ": " << r.failure().detail;
        EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200 * 1024) << name; // kilobytes
    }
}

// The whole pipeline against a float reference: full-size decode, pad on white,
// Lanczos-3 to the output. Shrink-on-load and the direct resample must not cost
// visible quality.
TEST_F(LoaderTest, RenderingMatchesThePadThenScaleReference)
{
    const VImage source = photo(1800, 1200);
    source.jpegsave(file("photo.jpg").c_str(), VImage::option()->set("Q", 95));
    FitPipeline pipeline(loader_);
    for (Size out : {Size{300, 300}, Size{200, 120}}) {
        Result<Picture> ours = pipeline.render(file("photo.jpg"), out);
        ASSERT_TRUE(ours);
        ASSERT_EQ(ours.value().size(), out);

        VImage full = VImage::new_from_file(file("photo.jpg").c_str()).cast(VIPS_FORMAT_FLOAT);
        VImage square = full.embed(0, 300, 1800, 1800,
                                   VImage::option()
                                       ->set("extend", VIPS_EXTEND_BACKGROUND)
                                       ->set("background", std::vector<double>{255, 255, 255}));
        VImage reference = square.resize(out.width / 1800.0,
                                         VImage::option()
                                             ->set("vscale", out.height / 1800.0)
                                             ->set("kernel", VIPS_KERNEL_LANCZOS3));
        ASSERT_EQ(reference.width(), out.width);
        ASSERT_EQ(reference.height(), out.height);
        std::size_t bytes = 0;
        auto* ref = static_cast<float*>(reference.write_to_memory(&bytes));
        double squared = 0;
        const auto& rgb = ours.value().rgb;
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            const double d = rgb[i] - std::clamp(ref[i], 0.f, 255.f);
            squared += d * d;
        }
        g_free(ref);
        const double psnr = 10 * std::log10(255.0 * 255.0 / (squared / rgb.size()));
        EXPECT_GT(psnr, 38.0) << out.width << "x" << out.height;
        std::printf("PSNR against the reference at %d x %d: %.2f dB\n", out.width, out.height, psnr);
        // The bands are white and the picture starts where it should.
        EXPECT_TRUE(near(ours.value().at(out.width / 2, 0), 255, 255, 255, 0));
        EXPECT_TRUE(near(ours.value().at(out.width / 2, out.height - 1), 255, 255, 255, 0));
    }
}

} // namespace
} // namespace tessaline
