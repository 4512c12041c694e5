#include "WindowsBitmapStore.h"

#include "ExportFixtures.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

// Every pixel different, so a swapped channel, a flipped row or a lost padding byte shows.
Picture gradient(int width, int height)
{
    Picture p(width, height);
    for (std::size_t i = 0; i < p.rgb.size(); ++i)
        p.rgb[i] = static_cast<std::uint8_t>(i * 37 + i / 7);
    return p;
}

TEST(WindowsBitmapStore, ReadsBackExactlyWhatItSaved)
{
    TempDir dir;
    WindowsBitmapStore store;
    // Widths 1 to 4 cover every row padding (3 bytes a pixel, rows of 4 bytes).
    for (const Size size : {Size{1, 1}, Size{2, 3}, Size{3, 5}, Size{4, 2}, Size{298, 297}}) {
        ASSERT_FALSE(store.save(gradient(size.width, size.height), dir / "temp.bmp"));
        const Result<Picture> back = store.load(dir / "temp.bmp");
        ASSERT_TRUE(back) << back.failure().detail;
        EXPECT_EQ(back.value().size(), size);
        EXPECT_EQ(back.value().rgb, gradient(size.width, size.height).rgb) << size.width;
    }
    EXPECT_EQ(encodeWindowsBitmap(Picture(2, 2))[28], 24); // bits per pixel
}

TEST(WindowsBitmapStore, RefusesDamagedBitmaps)
{
    TempDir dir;
    WindowsBitmapStore store;
    ASSERT_FALSE(store.save(gradient(5, 4), dir / "good.bmp"));
    const Bytes good = readBytes(dir / "good.bmp");
    Bytes cut = good, taller = good, notBmp = good;
    cut.pop_back();
    taller[22] = 40; // ten times the rows the file holds
    notBmp[0] = 'X';
    for (const Bytes& bytes :
         {cut, taller, notBmp, Bytes(good.begin(), good.begin() + 20), Bytes{}}) {
        writeBytes(dir / "bad.bmp", bytes);
        const Result<Picture> read = store.load(dir / "bad.bmp");
        ASSERT_FALSE(read) << bytes.size();
        EXPECT_EQ(read.failure().file, dir / "bad.bmp");
    }
}

} // namespace
} // namespace tessaline
