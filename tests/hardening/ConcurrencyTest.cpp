// Two copies of the program converting at the same time, into different
// folders and into the same one: the command line twice, and the window twice in
// separate processes sharing one program folder, hence one "temp.bmp". Each
// copy's outputs are its own pictures, whole, and no temporary file is left.
//
// The two copies convert the same names from different sources: red pictures
// at one size, blue ones at another. A picture of the wrong colour for its size
// is one copy's temporary bitmap exported by the other; a file that does not
// decode to its end is two writes mixed.

#include "Hardening.h"

#include <gtest/gtest.h>

namespace tessaline::hardening {
namespace {

constexpr int pictures = 16;

struct Copy {
    fs::path source;
    int side = 0;
    bool red = false;
};

class ConcurrencyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        red_ = {dir_.folder("red"), 120, true};
        blue_ = {dir_.folder("blue"), 80, false};
        for (int i = 0; i < pictures; ++i) {
            std::string name = std::to_string(i);
            name.insert(0, 1, 'p');
            name += ".jpg";
            writeFile(red_.source / name, jpegBytes(flat(300, 200, {230, 20, 20})));
            writeFile(blue_.source / name, jpegBytes(flat(200, 300, {20, 20, 230})));
        }
    }

    // Which copy wrote the file: nothing when it is not whole or is a mix of both.
    static std::optional<bool> writtenByRed(const fs::path& file)
    {
        const std::optional<Decoded> out = decodeWhole(file);
        if (!out || out->width != out->height)
            return std::nullopt;
        const bool red = out->centre[0] > 180 && out->centre[2] < 70;
        const bool blue = out->centre[2] > 180 && out->centre[0] < 70;
        if ((red && out->width == 120) || (blue && out->width == 80))
            return red;
        return std::nullopt;
    }

    // Every output of the folder is whole and from one copy; the count per copy.
    static std::pair<int, int> checkOutputs(const fs::path& folder)
    {
        int red = 0, blue = 0;
        for (const std::string& name : entries(folder)) {
            const std::optional<bool> byRed = writtenByRed(folder / name);
            EXPECT_TRUE(byRed) << folder / name;
            if (byRed)
                ++(*byRed ? red : blue);
        }
        EXPECT_TRUE(strayTemporaries(folder).empty()) << folder;
        return {red, blue};
    }

    Child cliCopy(const Copy& copy, const fs::path& destination) const
    {
        const std::string side = std::to_string(copy.side);
        return cli({"--quiet", "--jobs", "2", "--width", side, "--height", side, copy.source,
                    destination});
    }

    Child windowCopy(const Copy& copy, const fs::path& destination, const fs::path& ready) const
    {
        Child child;
        child.args = {"/proc/self/exe",          "--window-run", program_, copy.source, destination,
                      std::to_string(copy.side), ready};
        std::string cache = "XDG_CACHE_HOME=";
        cache += cache_.string();
        child.environment = {cache};
        return child;
    }

    // Starts both children together and waits for both.
    std::pair<Outcome, Outcome> together(const Child& first, const Child& second) const
    {
        const pid_t a = start(first, dir_ / "first"), b = start(second, dir_ / "second");
        return {finish(a, dir_ / "first"), finish(b, dir_ / "second")};
    }

    Scratch dir_;
    Copy red_, blue_;
    fs::path program_ = dir_.folder("program"), cache_ = dir_.folder("cache");
};

TEST_F(ConcurrencyTest, TwoCommandLinesIntoDifferentFoldersAndIntoTheSameOne)
{
    const auto [a, b] =
        together(cliCopy(red_, dir_ / "out-red"), cliCopy(blue_, dir_ / "out-blue"));
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(checkOutputs(dir_ / "out-red"), std::make_pair(pictures, 0));
    EXPECT_EQ(checkOutputs(dir_ / "out-blue"), std::make_pair(0, pictures));

    const fs::path shared = dir_.folder("shared");
    const auto [c, d] = together(cliCopy(red_, shared), cliCopy(blue_, shared));
    ASSERT_EQ(c.status, 0) << c.err;
    ASSERT_EQ(d.status, 0) << d.err;
    EXPECT_EQ(entries(shared).size(), static_cast<std::size_t>(pictures));
    const auto [red, blue] = checkOutputs(shared);
    EXPECT_EQ(red + blue, pictures);
}

TEST_F(ConcurrencyTest, TwoWindowsSharingTheProgramFolderKeepTheirTemporaryBitmapsApart)
{
    const auto [a, b] = together(windowCopy(red_, dir_.folder("out-red"), dir_.folder("ready1")),
                                 windowCopy(blue_, dir_.folder("out-blue"), dir_.folder("ready1")));
    ASSERT_EQ(a.status, 0) << a.out << a.err;
    ASSERT_EQ(b.status, 0) << b.out << b.err;
    EXPECT_EQ(checkOutputs(dir_ / "out-red"), std::make_pair(pictures, 0));
    EXPECT_EQ(checkOutputs(dir_ / "out-blue"), std::make_pair(0, pictures));
    // One copy had "temp.bmp" in the program folder, the other its own in the cache.
    const std::string bitmapA = a.out.substr(0, a.out.find('\n')),
                      bitmapB = b.out.substr(0, b.out.find('\n'));
    EXPECT_NE(bitmapA, bitmapB);
    EXPECT_TRUE(bitmapA == (program_ / "temp.bmp").string() ||
                bitmapB == (program_ / "temp.bmp").string());
    // The cache copy removed its own when it ended; "temp.bmp" and its lock stay.
    EXPECT_TRUE(entries(cache_ / "tessaline").empty());
    EXPECT_EQ(entries(program_), (std::vector<std::string>{"temp.bmp", "temp.bmp.lock"}));

    const fs::path shared = dir_.folder("shared");
    const auto [c, d] = together(windowCopy(red_, shared, dir_.folder("ready2")),
                                 windowCopy(blue_, shared, dir_.folder("ready2")));
    ASSERT_EQ(c.status, 0) << c.out << c.err;
    ASSERT_EQ(d.status, 0) << d.out << d.err;
    EXPECT_EQ(entries(shared).size(), static_cast<std::size_t>(pictures));
    const auto [red, blue] = checkOutputs(shared);
    EXPECT_EQ(red + blue, pictures);
}

} // namespace
} // namespace tessaline::hardening
