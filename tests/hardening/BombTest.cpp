// Decompression bombs and absurd headers: small files that declare enormous
// pictures are refused from their headers, fast and in little memory, by the
// command line and by the window, naming the file; honest extremes still load.

#include "Hardening.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace tessaline::hardening {
namespace {

void put16le(Bytes& b, std::size_t at, unsigned v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A GIF whose logical screen and first frame claim the sizes given.
Bytes gifClaiming(unsigned screenW, unsigned screenH, unsigned frameW, unsigned frameH)
{
    Bytes gif = gifBytes(photo(16, 16));
    put16le(gif, 6, screenW);
    put16le(gif, 8, screenH);
    std::size_t i = 13 + ((gif[10] & 0x80) ? 3u << ((gif[10] & 7) + 1) : 0);
    while (gif.at(i) == 0x21) { // extensions before the frame
        i += 2;
        while (gif.at(i) != 0)
            i += gif[i] + 1u;
        ++i;
    }
    EXPECT_EQ(gif.at(i), 0x2C);
    put16le(gif, i + 5, frameW);
    put16le(gif, i + 7, frameH);
    return gif;
}

// A JPEG whose frame header claims the size given.
Bytes jpegClaiming(unsigned width, unsigned height, bool progressive)
{
    Bytes jpg = jpegBytes(photo(16, 16), progressive);
    for (std::size_t i = 2; i + 8 < jpg.size(); ++i)
        if (jpg[i] == 0xFF && (jpg[i + 1] == 0xC0 || jpg[i + 1] == 0xC2)) {
            jpg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpg[i + 6] = static_cast<std::uint8_t>(height);
            jpg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpg[i + 8] = static_cast<std::uint8_t>(width);
            return jpg;
        }
    ADD_FAILURE() << "no frame header";
    return jpg;
}

struct Bomb {
    std::string name;
    Bytes bytes;
};

std::vector<Bomb> bombs()
{
    Bytes rle4Deltas;
    for (int i = 0; i < 50; ++i)
        rle4Deltas.insert(rle4Deltas.end(), {0, 2, 255, 255});
    rle4Deltas.insert(rle4Deltas.end(), {0, 1});
    return {
        {"screen-65535.gif", gifClaiming(65535, 65535, 65535, 65535)},
        {"lzw-bomb.gif", gifClaiming(29000, 17000, 29000, 17000)},
        {"wide-screen.gif", gifClaiming(29000, 17000, 16, 16)},
        {"sof-65000.jpg", jpegClaiming(65000, 65000, false)},
        {"sof-bomb.jpg", jpegClaiming(29000, 17000, false)},
        {"sof-bomb-progressive.jpg", jpegClaiming(29000, 17000, true)},
        {"header-65535.bmp", bitmapBytes(65535, 65535, 24, 0, Bytes(64, 0))},
        {"short-data.bmp", bitmapBytes(20000, 20000, 24, 0, Bytes(300, 7))},
        {"rle8-skips.bmp", bitmapBytes(12000, 12000, 8, 1, {255, 1, 0, 0, 0, 0, 0, 1})},
        {"rle4-deltas.bmp", bitmapBytes(12000, 12000, 4, 2, rle4Deltas)},
    };
}

TEST(Bombs, TheCommandLineRefusesEachInUnderASecondAndTwoHundredMegabytes)
{
    for (const Bomb& bomb : bombs()) {
        Scratch dir;
        writeFile(dir.folder("src") / bomb.name, bomb.bytes);
        // The largest output: no shrink-on-load would soften a decode.
        const Outcome o =
            run(cli({"--quiet", "--width", "10000", "--height", "10000", dir / "src", dir / "dst"}),
                dir / "log");
        EXPECT_EQ(o.status, 1) << bomb.name << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
        EXPECT_NE(o.err.find((dir / "src" / bomb.name).string()), std::string::npos) << o.err;
        EXPECT_LT(o.seconds, 1.0) << bomb.name;
        EXPECT_LT(o.peakKilobytes, 200 * 1024) << bomb.name;
        EXPECT_TRUE(entries(dir / "dst").empty()) << bomb.name;
    }
}

TEST(Bombs, TheWindowNamesEveryOneAndWritesTheRest)
{
    Scratch dir;
    const fs::path src = dir.folder("src"), dst = dir.folder("dst");
    const std::vector<Bomb> all = bombs();
    for (const Bomb& bomb : all)
        writeFile(src / bomb.name, bomb.bytes);
    writeFile(src / "good.jpg", jpegBytes(photo(120, 80)));

    Window window(dir.folder("program"), dir / "program" / "temp.bmp");
    window.chooseSource(src);
    window.chooseDestination(dst);
    ASSERT_EQ(window.listed().size(), static_cast<int>(all.size()) + 1);
    QElapsedTimer timer;
    timer.start();
    window.pressStart();
    EXPECT_LT(timer.elapsed(), 3000);

    const QString message = window.closingMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("1 immagini scritte su 11")))
        << message.toStdString();
    for (const Bomb& bomb : all)
        EXPECT_TRUE(message.contains(shown(bomb.name))) << bomb.name << "\n"
                                                        << message.toStdString();
    // Those beyond the limits say so; the others are damaged: their data cannot fill them.
    EXPECT_TRUE(message.contains(QStringLiteral("«screen-65535.gif»: l'immagine è troppo grande")));
    EXPECT_TRUE(message.contains(QStringLiteral("«lzw-bomb.gif»: l'immagine è danneggiata")));
    EXPECT_EQ(entries(dst), std::vector<std::string>{"good.jpg"});
}

// The best compression each format has is within what the checks allow.
TEST(Bombs, HonestPicturesAtTheFormatsBestCompressionStillLoad)
{
    Scratch dir;
    const vips::VImage white = flat(6000, 4000, {250, 250, 250});
    writeFile(dir / "flat.gif", gifBytes(white));
    writeFile(dir / "flat.jpg", jpegBytes(white));
    writeFile(dir / "flat-progressive.jpg", jpegBytes(white, true));
    // 5000 x 1000 in runs of 250 pixels, one line after another.
    Bytes runs;
    for (int y = 0; y < 1000; ++y) {
        for (int x = 0; x < 5000; x += 250)
            runs.insert(runs.end(), {250, 1});
        runs.insert(runs.end(), {0, 0});
    }
    runs.insert(runs.end(), {0, 1});
    writeFile(dir / "runs.bmp", bitmapBytes(5000, 1000, 8, 1, runs));

    VipsPictureLoader decoder;
    CheckedPictureLoader loader(decoder);
    for (const auto& [name, size] :
         std::vector<std::pair<std::string, Size>>{{"flat.gif", {6000, 4000}},
                                                   {"flat.jpg", {6000, 4000}},
                                                   {"flat-progressive.jpg", {6000, 4000}},
                                                   {"runs.bmp", {5000, 1000}}}) {
        Result<LoadedPicture> r = loader.load(dir / name, {300, 300});
        ASSERT_TRUE(r) << name << ": " << r.failure().detail;
        EXPECT_EQ(r.value().original, size) << name;
    }
}

} // namespace
} // namespace tessaline::hardening
