#include "TempBitmapLocation.h"

#include "ExportFixtures.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

namespace tessaline {
namespace {

class TempBitmapLocationTest : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(program); }
    TempDir dir;
    const std::string program = dir / "program", cache = dir / "cache/tessaline";
    const std::string own = cache + "/temp-" + std::to_string(::getpid()) + ".bmp";
};

TEST_F(TempBitmapLocationTest, ASecondCopyGetsItsOwnBitmapUntilTheFirstEnds)
{
    {
        TempBitmapLocation first(program, cache);
        EXPECT_EQ(first.path(), program + "/temp.bmp");
        {
            TempBitmapLocation second(program, cache); // a separate open file: the flock conflicts
            EXPECT_EQ(second.path(), own);
            writeBytes(second.path(), {1});
        }
        EXPECT_FALSE(std::filesystem::exists(own)); // removed with its copy
    }
    EXPECT_EQ(TempBitmapLocation(program, cache).path(), program + "/temp.bmp");
}

TEST_F(TempBitmapLocationTest, AnotherProcessIsKeptOff)
{
    TempBitmapLocation held(program, cache);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string want = cache + "/temp-" + std::to_string(::getpid()) + ".bmp";
        ::_exit(TempBitmapLocation(program, cache).path() == want ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(TempBitmapLocationTest, TheCacheFolderWhenTheProgramsCannotBeWritten)
{
    writeBytes(dir / "file", {1}); // a folder under a regular file: not even root writes there
    TempBitmapLocation installed(dir / "file/program", cache);
    EXPECT_EQ(installed.path(), cache + "/temp.bmp");
    EXPECT_TRUE(std::filesystem::is_directory(cache));
    EXPECT_EQ(TempBitmapLocation(dir / "file/program", cache).path(), own);
}

TEST(UserCacheFolder, FollowsXdgThenHome)
{
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    const std::string savedXdg = xdg ? xdg : "";
    ::setenv("HOME", "/home/ada", 1);
    ::setenv("XDG_CACHE_HOME", "/var/cache/ada", 1);
    EXPECT_EQ(TempBitmapLocation::userCacheFolder(), "/var/cache/ada/tessaline");
    ::setenv("XDG_CACHE_HOME", "relative", 1); // not absolute: ignored
    EXPECT_EQ(TempBitmapLocation::userCacheFolder(), "/home/ada/.cache/tessaline");
    ::setenv("HOME", home.c_str(), 1);
    xdg ? ::setenv("XDG_CACHE_HOME", savedXdg.c_str(), 1) : ::unsetenv("XDG_CACHE_HOME");
}

} // namespace
} // namespace tessaline
