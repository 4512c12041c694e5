#include "Orientation.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

// A 3 x 2 picture whose pixels are numbered 0..5 in the red channel, row by row:
//   0 1 2
//   3 4 5
Picture numbered()
{
    Picture p(3, 2);
    for (int i = 0; i < 6; ++i)
        p.rgb[3 * i] = static_cast<std::uint8_t>(i);
    return p;
}

std::vector<int> reds(const Picture& p)
{
    std::vector<int> out;
    for (std::size_t i = 0; i < p.rgb.size(); i += 3)
        out.push_back(p.rgb[i]);
    return out;
}

TEST(Orientation, EachOfTheEightTurnsThePictureUpright)
{
    struct Case {
        int orientation;
        Size size;
        std::vector<int> pixels; // row by row, as seen
    };
    const std::vector<Case> cases{
        {1, {3, 2}, {0, 1, 2, 3, 4, 5}},
        {2, {3, 2}, {2, 1, 0, 5, 4, 3}},       // mirrored
        {3, {3, 2}, {5, 4, 3, 2, 1, 0}},       // half turn
        {4, {3, 2}, {3, 4, 5, 0, 1, 2}},       // upside down mirror
        {5, {2, 3}, {0, 3, 1, 4, 2, 5}},       // transposed
        {6, {2, 3}, {3, 0, 4, 1, 5, 2}},       // turned a quarter clockwise
        {7, {2, 3}, {5, 2, 4, 1, 3, 0}},       // transversed
        {8, {2, 3}, {2, 5, 1, 4, 0, 3}},       // turned a quarter anticlockwise
        {0, {3, 2}, {0, 1, 2, 3, 4, 5}},       // unknown values leave it alone
        {9, {3, 2}, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        const Picture upright = applyOrientation(numbered(), c.orientation);
        EXPECT_EQ(upright.size(), c.size) << c.orientation;
        EXPECT_EQ(reds(upright), c.pixels) << c.orientation;
        EXPECT_EQ(swapsAxes(c.orientation), c.size.width == 2) << c.orientation;
    }
}

} // namespace
} // namespace tessaline
