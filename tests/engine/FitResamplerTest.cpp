#include "FitResampler.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tessaline {
namespace {

Picture filled(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    Picture p(w, h);
    for (std::size_t i = 0; i < p.rgb.size(); i += 3) {
        p.rgb[i] = r;
        p.rgb[i + 1] = g;
        p.rgb[i + 2] = b;
    }
    return p;
}

bool isWhite(const Picture& p, int x, int y)
{
    const auto* px = p.at(x, y);
    return px[0] == 255 && px[1] == 255 && px[2] == 255;
}

bool isColour(const Picture& p, int x, int y, int r, int g, int b, int tolerance = 2)
{
    const auto* px = p.at(x, y);
    return std::abs(px[0] - r) <= tolerance && std::abs(px[1] - g) <= tolerance &&
           std::abs(px[2] - b) <= tolerance;
}

TEST(RenderSquared, OutputHasExactlyTheRequestedSize)
{
    const LoadedPicture red{filled(40, 30, 255, 0, 0), {40, 30}};
    for (Size out : {Size{300, 300}, Size{300, 200}, Size{1, 1}, Size{7, 3}}) {
        const Picture p = renderSquared(red, out);
        EXPECT_EQ(p.width, out.width);
        EXPECT_EQ(p.height, out.height);
        EXPECT_EQ(p.rgb.size(), static_cast<std::size_t>(out.width) * out.height * 3);
    }
}

TEST(RenderSquared, WidePictureGetsWhiteBandsAboveAndBelow)
{
    // 400 x 300 into 300 x 300: the picture covers rows 37.5 .. 262.5.
    const LoadedPicture red{filled(400, 300, 255, 0, 0), {400, 300}};
    const Picture p = renderSquared(red, {300, 300});
    for (int x : {0, 150, 299}) {
        EXPECT_TRUE(isWhite(p, x, 0));
        EXPECT_TRUE(isWhite(p, x, 33));
        EXPECT_TRUE(isColour(p, x, 42, 255, 0, 0));
        EXPECT_TRUE(isColour(p, x, 150, 255, 0, 0));
        EXPECT_TRUE(isColour(p, x, 257, 255, 0, 0));
        EXPECT_TRUE(isWhite(p, x, 266));
        EXPECT_TRUE(isWhite(p, x, 299));
    }
    // The picture reaches the left and right edges: no band there.
    EXPECT_TRUE(isColour(p, 0, 150, 255, 0, 0));
    EXPECT_TRUE(isColour(p, 299, 150, 255, 0, 0));
}

TEST(RenderSquared, TallPictureGetsWhiteBandsLeftAndRight)
{
    const LoadedPicture blue{filled(30, 60, 0, 0, 255), {30, 60}};
    const Picture p = renderSquared(blue, {60, 60});
    EXPECT_TRUE(isWhite(p, 0, 30));
    EXPECT_TRUE(isWhite(p, 11, 30));
    EXPECT_TRUE(isColour(p, 17, 30, 0, 0, 255));
    EXPECT_TRUE(isColour(p, 42, 30, 0, 0, 255));
    EXPECT_TRUE(isWhite(p, 48, 30));
    EXPECT_TRUE(isWhite(p, 59, 30));
    EXPECT_TRUE(isColour(p, 30, 0, 0, 0, 255));
    EXPECT_TRUE(isColour(p, 30, 59, 0, 0, 255));
}

TEST(RenderSquared, BandsAreSymmetric)
{
    // An odd difference of sides: the half-pixel offset must not favour one side.
    const LoadedPicture green{filled(101, 50, 0, 128, 0), {101, 50}};
    const Picture p = renderSquared(green, {101, 101});
    for (int y = 0; y < 101; ++y)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(p.at(50, y)[c], p.at(50, 100 - y)[c], 1) << "row " << y;
}

TEST(RenderSquared, SquarePictureFillsTheOutput)
{
    const LoadedPicture grey{filled(50, 50, 90, 90, 90), {50, 50}};
    const Picture p = renderSquared(grey, {120, 120});
    for (int x : {0, 60, 119})
        for (int y : {0, 60, 119})
            EXPECT_TRUE(isColour(p, x, y, 90, 90, 90, 1)) << x << "," << y;
}

TEST(RenderSquared, OnePixelPictureScalesUp)
{
    const LoadedPicture dot{filled(1, 1, 10, 20, 30), {1, 1}};
    const Picture p = renderSquared(dot, {300, 300});
    EXPECT_TRUE(isColour(p, 0, 0, 10, 20, 30, 0));
    EXPECT_TRUE(isColour(p, 299, 299, 10, 20, 30, 0));
}

TEST(RenderSquared, NonSquareOutputStretchesTheSquare)
{
    // 200 x 100 into 300 x 200: the picture spans x 0..300, y 50..150.
    const LoadedPicture red{filled(200, 100, 255, 0, 0), {200, 100}};
    const Picture p = renderSquared(red, {300, 200});
    EXPECT_TRUE(isWhite(p, 150, 45));
    EXPECT_TRUE(isColour(p, 150, 55, 255, 0, 0));
    EXPECT_TRUE(isColour(p, 150, 144, 255, 0, 0));
    EXPECT_TRUE(isWhite(p, 150, 155));
}

TEST(RenderSquared, ShrunkDecodeMapsOntoTheOriginalGeometry)
{
    // A 1/4 decode of an 800 x 400 picture must land exactly where the full one does.
    Picture full = filled(800, 400, 0, 0, 0);
    Picture quarter = filled(200, 100, 0, 0, 0);
    const Picture a = renderSquared({full, {800, 400}}, {100, 100});
    const Picture b = renderSquared({quarter, {800, 400}}, {100, 100});
    for (int y = 0; y < 100; ++y)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(a.at(50, y)[c], b.at(50, y)[c], 4) << "row " << y;
}

TEST(RenderSquared, DetailSurvivesAndMeanIsKept)
{
    // A checkerboard of 2-pixel cells shrunk 4x averages to mid grey, not to a moiré.
    Picture board(400, 400);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 400; ++x) {
            const std::uint8_t v = ((x / 2 + y / 2) % 2) ? 255 : 0;
            std::uint8_t* px = board.row(y) + x * 3;
            px[0] = px[1] = px[2] = v;
        }
    const Picture p = renderSquared({board, {400, 400}}, {100, 100});
    double sum = 0;
    for (auto v : p.rgb)
        sum += v;
    EXPECT_NEAR(sum / p.rgb.size(), 127.5, 2.0);
    for (int y = 10; y < 90; y += 7)
        EXPECT_NEAR(p.at(50, y)[0], 127.5, 12);
}

} // namespace
} // namespace tessaline

namespace tessaline {
namespace {

TEST(BoxShrink, AveragesWholeAndPartialBlocks)
{
    // 5 x 3, red channel = x * 10 + y; factor 2 gives 3 x 2 blocks, the last column
    // and row partial.
    Picture p(5, 3, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            p.row(y)[3 * x] = static_cast<std::uint8_t>(x * 10 + y);
    const Picture s = boxShrink(p, 2);
    ASSERT_EQ(s.size(), (Size{3, 2}));
    EXPECT_EQ(s.at(0, 0)[0], 6);  // (0+1+10+11)/4 = 5.5, rounded
    EXPECT_EQ(s.at(2, 0)[0], 41); // (40+41)/2 = 40.5
    EXPECT_EQ(s.at(1, 1)[0], 27); // (22+32)/2
    EXPECT_EQ(s.at(2, 1)[0], 42); // a single pixel
    EXPECT_EQ(boxShrink(p, 1).rgb, p.rgb);
}

TEST(RenderSquared, LargeUnshrunkPicturesLandWhereAReducedDecodeWould)
{
    // A bitmap-sized picture is pre-averaged; edges and bands must not move.
    const Picture big = filled(2400, 1200, 200, 30, 30);
    const Picture p = renderSquared({big, {2400, 1200}}, {300, 300});
    EXPECT_TRUE(isWhite(p, 150, 70));
    EXPECT_TRUE(isColour(p, 150, 80, 200, 30, 30));
    EXPECT_TRUE(isColour(p, 150, 219, 200, 30, 30));
    EXPECT_TRUE(isWhite(p, 150, 229));
    EXPECT_TRUE(isColour(p, 0, 150, 200, 30, 30));
}

} // namespace
} // namespace tessaline
