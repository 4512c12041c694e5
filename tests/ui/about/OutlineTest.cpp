// The About window's outline arithmetic: rounding, common and absurd screen
// densities, scale and offsets, and the rows the rounded rectangle covers.

#include "Outline.h"

#include <cfenv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace tessaline {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::optional<OutlineRect> at(double dpiX, double dpiY)
{
    return CreaRegione(1.0f, 1.0f, 0, 0, dpiX, dpiY);
}

TEST(RoundHalfToEven, HalvesGoToTheEvenNeighbourInEveryRoundingMode)
{
    const std::pair<double, double> rows[] = {{0.5, 0},    {1.5, 2},    {2.5, 2},
                                              {-0.5, 0},   {-1.5, -2},  {-2.5, -2},
                                              {2.4999, 2}, {2.5001, 3}, {1e300, 1e300}};
    for (const int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
        std::fesetround(mode);
        for (const auto& [value, expected] : rows)
            EXPECT_EQ(roundHalfToEven(value), expected) << value << " in mode " << mode;
    }
    std::fesetround(FE_TONEAREST);
}

TEST(CreaRegione, GivesThePanelAtCommonDensitiesEachDirectionOnItsOwn)
{
    EXPECT_EQ(at(96, 96), (OutlineRect{2, 1, 462, 301, 60, 60}));
    // 12 twips per pixel: 2.5 and 577.5 round to even, 1.25 and 376.25 down.
    EXPECT_EQ(at(120, 120), (OutlineRect{2, 1, 578, 376, 75, 75}));
    // 10 twips per pixel: 1.5 and 451.5 round up to even.
    EXPECT_EQ(at(144, 144), (OutlineRect{3, 2, 693, 452, 90, 90}));
    EXPECT_EQ(at(96, 144), (OutlineRect{2, 2, 462, 452, 60, 90}));
    // 14.4 twips per pixel is taken as 14; 4515 / 14 = 322.5 goes to even.
    EXPECT_EQ(at(100, 100), (OutlineRect{2, 1, 495, 322, 64, 64}));
}

TEST(CreaRegione, ScalesThenAddsTheOffsetBeforeRounding)
{
    // top 0.5 - 5 = -4.5 and bottom 150.5 - 5 = 145.5, rounded after the offset
    // (rounding first would give -5 and 145). The ellipse takes no offset.
    EXPECT_EQ(CreaRegione(2.0f, 0.5f, 10, -5, 96, 96), (OutlineRect{14, -4, 934, 146, 120, 30}));
    // A negative density is arithmetic, not a fault: an inside-out rectangle.
    EXPECT_EQ(at(-96, -96), (OutlineRect{-2, -1, -462, -301, -60, -60}));
}

TEST(CreaRegione, GivesNoOutlineForAbsurdDensitiesAndScales)
{
    for (const double dpi : {0.0, nan, inf, -inf})
        EXPECT_FALSE(at(dpi, 96)) << dpi;
    EXPECT_FALSE(at(96, 0));              // either direction is enough
    EXPECT_FALSE(at(0.01, 96));           // 144000 twips per pixel: beyond 16 bits
    EXPECT_TRUE(at(1440.0 / 32767, 96));  // the largest 16-bit ratio
    EXPECT_FALSE(at(1440.0 / 32768, 96)); // one beyond
    EXPECT_FALSE(at(96, 2880));           // 0.5 twips per pixel goes to 0: division by zero
    EXPECT_TRUE(at(96, 2879));            // 0.50017 goes to 1
    EXPECT_FALSE(at(1e9, 96));
    // Results beyond 32 bits: 462 x scale just outside 2^31, and not numbers at all.
    EXPECT_TRUE(CreaRegione(4.6e6f, 1.0f, 0, 0, 96, 96));
    EXPECT_FALSE(CreaRegione(4.7e6f, 1.0f, 0, 0, 96, 96));
    EXPECT_FALSE(CreaRegione(std::numeric_limits<float>::quiet_NaN(), 1.0f, 0, 0, 96, 96));
    EXPECT_FALSE(CreaRegione(1.0f, std::numeric_limits<float>::infinity(), 0, 0, 96, 96));
}

TEST(OutlineSpans, At96AreThePanelMirroredBothWaysLessFourRoundCorners)
{
    const std::vector<OutlineSpan> spans = outlineSpans(*at(96, 96), 596, 413);
    ASSERT_EQ(spans.size(), 300u);
    long covered = 0;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const OutlineSpan& row = spans[i];
        const OutlineSpan& mirror = spans[spans.size() - 1 - i];
        EXPECT_EQ(row.y, int(i) + 1);
        EXPECT_EQ(row.left - 2, 462 - row.right) << "row " << row.y;
        EXPECT_EQ(row.left, mirror.left) << "rows " << row.y << " and " << mirror.y;
        if (i > 0 && i < 150) {
            EXPECT_LE(row.left, spans[i - 1].left) << "row " << row.y; // widening to the middle
        }
        if (row.y >= 31 && row.y <= 270) {
            EXPECT_EQ(row, (OutlineSpan{row.y, 2, 462}));
        }
        covered += row.right - row.left;
    }
    EXPECT_NEAR(double(covered), 460.0 * 300 - (4 - M_PI) * 30 * 30, 20);
}

TEST(OutlineSpans, HandleFlatOversizedClippedAndEmptyShapes)
{
    const auto square = outlineSpans({5, 3, 15, 7, 0, 0}, 100, 100);
    ASSERT_EQ(square.size(), 4u);
    EXPECT_EQ(square[0], (OutlineSpan{3, 5, 15}));
    EXPECT_EQ(square[3], (OutlineSpan{6, 5, 15}));

    // An ellipse larger than the rectangle is cut down to it: an ellipse 100 x 50.
    const auto oval = outlineSpans({0, 0, 100, 50, 1000, 1000}, 200, 200);
    ASSERT_EQ(oval.size(), 50u);
    EXPECT_EQ(oval[24], (OutlineSpan{24, 0, 100}));
    EXPECT_GT(oval[0].left, 30);
    EXPECT_LT(oval[0].right, 70);

    // Only the area asked for: the 144 dpi outline in a 96 dpi window.
    const auto clipped = outlineSpans(*at(144, 144), 596, 413);
    ASSERT_FALSE(clipped.empty());
    EXPECT_EQ(clipped.back().y, 412);
    for (const OutlineSpan& row : clipped)
        EXPECT_LE(row.right, 596);
    const auto shifted =
        outlineSpans(CreaRegione(1.0f, 1.0f, -100, -100, 96, 96).value(), 596, 413);
    ASSERT_FALSE(shifted.empty());
    EXPECT_EQ(shifted.front(), (OutlineSpan{0, 0, 362}));

    EXPECT_TRUE(outlineSpans({10, 10, 10, 20, 4, 4}, 100, 100).empty());
    EXPECT_TRUE(outlineSpans(*at(-96, -96), 1000, 1000).empty());
    EXPECT_TRUE(outlineSpans(*at(96, 96), 0, 0).empty());
}

} // namespace
} // namespace tessaline
