#include "Geometry.h"
#include "LeadingNumber.h"

#include <cmath>
#include <string>
#include <gtest/gtest.h>

namespace tessaline {
namespace {

struct PlacementCase {
    Size picture;
    Size output;
    Placement expected;
};

void PrintTo(const PlacementCase& c, std::ostream* os)
{
    *os << c.picture.width << "x" << c.picture.height << " into " << c.output.width << "x" << c.output.height;
}

class PlaceOnSquare : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlaceOnSquare, CentresOnTheLongerEdgeAndScales)
{
    const auto& c = GetParam();
    const Placement p = placeOnSquare(c.picture, c.output);
    EXPECT_DOUBLE_EQ(p.x, c.expected.x);
    EXPECT_DOUBLE_EQ(p.y, c.expected.y);
    EXPECT_DOUBLE_EQ(p.width, c.expected.width);
    EXPECT_DOUBLE_EQ(p.height, c.expected.height);
    // The bands on either side are equal: the picture is centred.
    EXPECT_NEAR(c.output.width - (p.x + p.width), p.x, 1e-9);
    EXPECT_NEAR(c.output.height - (p.y + p.height), p.y, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, PlaceOnSquare,
    ::testing::Values(
        // wide: 400 x 300 on a 400 square, bands of 50 above and below, scaled by 3/4
        PlacementCase{{400, 300}, {300, 300}, {0, 37.5, 300, 225}},
        // tall: bands left and right
        PlacementCase{{300, 400}, {300, 300}, {37.5, 0, 225, 300}},
        // exactly square: fills the output
        PlacementCase{{500, 500}, {300, 300}, {0, 0, 300, 300}},
        // 1 x 1 is scaled up to the whole output
        PlacementCase{{1, 1}, {300, 300}, {0, 0, 300, 300}},
        // odd difference: a half-pixel offset before scaling
        PlacementCase{{300, 301}, {301, 301}, {0.5, 0, 300, 301}},
        // non-square output stretches the square
        PlacementCase{{400, 200}, {300, 200}, {0, 50, 300, 100}},
        // a one-pixel-high strip
        PlacementCase{{1000, 1}, {100, 100}, {0, 49.95, 100, 0.1}}),
    [](const ::testing::TestParamInfo<PlacementCase>& info) {
        const auto& c = info.param;
        std::string name = std::to_string(c.picture.width);
        for (int v : {c.picture.height, c.output.width, c.output.height})
            name.append("x").append(std::to_string(v));
        return name;
    });

TEST(SquareSide, StrictlyWiderTakesWidthElseHeight)
{
    EXPECT_EQ(squareSide({401, 400}), 401);
    EXPECT_EQ(squareSide({400, 401}), 401);
    EXPECT_EQ(squareSide({400, 400}), 400);
}

TEST(JpegShrink, KeepsTwiceTheOutputSide)
{
    EXPECT_EQ(jpegShrinkFactor({6000, 4000}, {300, 300}), 8);  // 750 >= 600
    EXPECT_EQ(jpegShrinkFactor({4000, 3000}, {300, 300}), 4);  // 1000 >= 600, 500 is not
    EXPECT_EQ(jpegShrinkFactor({1199, 800}, {300, 300}), 1);   // half would be 599
    EXPECT_EQ(jpegShrinkFactor({1200, 800}, {300, 300}), 2);
    EXPECT_EQ(jpegShrinkFactor({4000, 3000}, {300, 1000}), 2); // the larger output side counts
    EXPECT_EQ(jpegShrinkFactor({4000, 3000}, {300, 1001}), 1);
    EXPECT_EQ(jpegShrinkFactor({100000, 10}, {1, 1}), 8);      // never beyond 1/8
}

TEST(PictureLimits, SideAndAreaBothBound)
{
    EXPECT_FALSE(exceedsPictureLimits({30000, 16666}));
    EXPECT_TRUE(exceedsPictureLimits({30001, 10}));
    EXPECT_TRUE(exceedsPictureLimits({10, 30001}));
    EXPECT_TRUE(exceedsPictureLimits({25000, 25000})); // 625 MP
    EXPECT_TRUE(exceedsPictureLimits({65535, 65535}));
}

TEST(LeadingNumber, ReadsTheLeadingNumberLikeTheSizeFields)
{
    EXPECT_EQ(leadingNumber("300"), 300);
    EXPECT_EQ(leadingNumber("250px"), 250);
    EXPECT_EQ(leadingNumber("&H100"), 256);
    EXPECT_EQ(leadingNumber("&h1f"), 31);
    EXPECT_EQ(leadingNumber("&O17"), 15);
    EXPECT_EQ(leadingNumber("&17"), 15);
    EXPECT_EQ(leadingNumber("&HFFFF"), -1); // 16-bit literals are signed
    EXPECT_EQ(leadingNumber("&H10000"), 65536);
    EXPECT_EQ(leadingNumber(" 1 2 0"), 120);
    EXPECT_EQ(leadingNumber("\t1\n5"), 15);
    EXPECT_EQ(leadingNumber("abc"), 0);
    EXPECT_EQ(leadingNumber(""), 0);
    EXPECT_EQ(leadingNumber("-"), 0);
    EXPECT_EQ(leadingNumber("-12"), -12);
    EXPECT_EQ(leadingNumber("+12"), 12);
    EXPECT_EQ(leadingNumber("250.7"), 250.7);
    EXPECT_EQ(leadingNumber(".5"), 0.5);
    EXPECT_EQ(leadingNumber("1e3"), 1000);
    EXPECT_EQ(leadingNumber("1D2"), 100);
    EXPECT_EQ(leadingNumber("2e"), 2);     // an exponent without digits is not read
    EXPECT_EQ(leadingNumber("3,5"), 3);    // the comma is not a decimal separator
    EXPECT_EQ(leadingNumber("1e-999"), 0); // underflow
    EXPECT_TRUE(std::isinf(leadingNumber("1e999")));
    EXPECT_TRUE(std::isinf(leadingNumber("&HFFFFFFFFF")));
}

TEST(OutputSide, AcceptsOneToTenThousandAfterRounding)
{
    EXPECT_EQ(outputSideFromText("300"), 300);
    EXPECT_EQ(outputSideFromText("250px"), 250);
    EXPECT_EQ(outputSideFromText("250.7"), 251);
    EXPECT_EQ(outputSideFromText("0.5"), std::nullopt); // half to even: 0
    EXPECT_EQ(outputSideFromText("1.5"), 2);
    EXPECT_EQ(outputSideFromText("2.5"), 2);
    EXPECT_EQ(outputSideFromText("10000"), 10000);
    EXPECT_EQ(outputSideFromText("10000.4"), 10000);
    EXPECT_EQ(outputSideFromText("10001"), std::nullopt);
    EXPECT_EQ(outputSideFromText("abc"), std::nullopt);
    EXPECT_EQ(outputSideFromText(""), std::nullopt);
    EXPECT_EQ(outputSideFromText("-5"), std::nullopt);
    EXPECT_EQ(outputSideFromText("1e999"), std::nullopt);
    EXPECT_EQ(outputSideFromText("&H100"), 256);
}

} // namespace
} // namespace tessaline
