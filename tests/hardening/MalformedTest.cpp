// Malformed pictures among good ones: each bad file is one clear error naming
// it, in the command line and in the window; the good ones are converted whole
// and nothing half-written is left. A PNG named .gif is read by its content; a
// folder named like a picture is not listed at all.

#include "Hardening.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <random>

namespace tessaline::hardening {
namespace {

Bytes randomBytes(std::size_t count, unsigned seed, Bytes prefix = {})
{
    std::mt19937 generator(seed);
    Bytes bytes = std::move(prefix);
    while (bytes.size() < count)
        bytes.push_back(static_cast<std::uint8_t>(generator()));
    return bytes;
}

Bytes firstHalf(Bytes bytes)
{
    bytes.resize(bytes.size() / 2);
    return bytes;
}

const std::vector<std::string> badNames{"b-empty.jpg", "c-half.jpg",  "d-half.gif", "e-half.bmp",
                                        "f-noise.jpg", "g-noise.gif", "h-noise.bmp"};
const std::vector<std::string> goodOutputs{"a.jpg", "i-png.jpg", "z.jpg"};

class MalformedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeFile(src_ / "a.jpg", jpegBytes(photo(200, 120)));
        writeFile(src_ / "b-empty.jpg", {});
        writeFile(src_ / "c-half.jpg", firstHalf(jpegBytes(photo(640, 480), true)));
        writeFile(src_ / "d-half.gif", firstHalf(gifBytes(photo(200, 100))));
        writeFile(src_ / "e-half.bmp",
                  firstHalf(bitmapBytes(100, 100, 24, 0, Bytes(300 * 100, 90))));
        writeFile(src_ / "f-noise.jpg", randomBytes(20000, 1));
        writeFile(src_ / "g-noise.gif", randomBytes(20000, 2));
        writeFile(src_ / "h-noise.bmp", randomBytes(20000, 3, {'B', 'M'}));
        flat(60, 40, {0, 0, 255}).pngsave((src_ / "i-png.gif").c_str());
        fs::create_directory(src_ / "photo.jpg");
        writeFile(src_ / "photo.jpg" / "inside.jpg", jpegBytes(photo(20, 20)));
        flat(30, 90, {0, 200, 0}).gifsave((src_ / "z.gif").c_str());
    }

    // Every output whole at the default size; the PNG came out blue.
    void expectGoodOutputs() const
    {
        ASSERT_EQ(entries(dst_), goodOutputs);
        for (const std::string& name : goodOutputs) {
            const std::optional<Decoded> out = decodeWhole(dst_ / name);
            ASSERT_TRUE(out) << name;
            EXPECT_EQ(out->width, 300) << name;
            EXPECT_EQ(out->height, 300) << name;
        }
        const std::vector<double> blue = decodeWhole(dst_ / "i-png.jpg")->centre;
        EXPECT_LT(blue[0], 30);
        EXPECT_GT(blue[2], 220);
    }

    Scratch dir_;
    fs::path src_ = dir_.folder("src"), dst_ = dir_.folder("dst");
};

TEST_F(MalformedTest, TheCommandLineNamesEachBadFileOnceAndConvertsTheRest)
{
    const Outcome o = run(cli({"--quiet", src_, dst_}), dir_ / "log");
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), static_cast<long>(badNames.size()))
        << o.err;
    for (const std::string& name : badNames)
        EXPECT_NE(o.err.find((src_ / name).string() + ": "), std::string::npos) << name << "\n"
                                                                                << o.err;
    EXPECT_NE(o.err.find("b-empty.jpg: damaged or truncated picture"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(o.err.find("photo.jpg"), std::string::npos) << o.err;
    expectGoodOutputs();
}

TEST_F(MalformedTest, TheWindowListsNoFolderAndReportsEachBadFile)
{
    Window window(dir_.folder("program"), dir_ / "program" / "temp.bmp");
    window.chooseSource(src_);
    EXPECT_FALSE(window.listed().contains(QStringLiteral("photo.jpg")));
    EXPECT_EQ(window.listed().size(), 10);
    window.chooseDestination(dst_);
    window.pressStart();

    const QString message = window.closingMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("3 immagini scritte su 10")))
        << message.toStdString();
    for (const std::string& name : badNames)
        EXPECT_TRUE(message.contains(QStringLiteral("«%1»: ").arg(shown(name)))) << name;
    EXPECT_TRUE(
        message.contains(QStringLiteral("«b-empty.jpg»: l'immagine è danneggiata o incompleta.")));
    expectGoodOutputs();
    // The temporary bitmap holds the last picture written, whole.
    WindowsBitmapStore bitmaps;
    const Result<Picture> bitmap = bitmaps.load(dir_ / "program" / "temp.bmp");
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap.value().size(), (Size{300, 300}));
}

} // namespace
} // namespace tessaline::hardening
