#include "RunChecks.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tessaline {
namespace {

TEST(SameFolder, ComparesTheFoldersNotTheTexts)
{
    ScratchDir scratch;
    const std::string source = scratch.folder("source");
    std::filesystem::create_directory_symlink(source, scratch.path() / "link");
    EXPECT_TRUE(isSameFolder(source, scratch.str() + "/link/"));
    EXPECT_TRUE(isSameFolder(source, scratch.folder("other") + "/../source/."));
    EXPECT_FALSE(isSameFolder(source, scratch.str() + "/other"));
    EXPECT_FALSE(isSameFolder(source + "/missing", source + "/missing"));
}

TEST(CheckRun, NamesTheFirstProblem)
{
    ScratchDir scratch;
    BatchJob ready{scratch.folder("source"), {"a.jpg"}, scratch.folder("out"), {300, 300}, {}, {}};
    std::filesystem::create_directory_symlink(ready.sourceFolder, scratch.path() / "alias");
    // Root passes every permission check; /proc refuses new files all the same.
    std::string locked = "/proc";
    if (::geteuid() != 0) {
        locked = scratch.folder("locked");
        ::chmod(locked.c_str(), 0555);
    }

    const auto with = [&](auto change) {
        BatchJob job = ready;
        change(job);
        return checkRun(job);
    };
    EXPECT_EQ(checkRun(ready), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_empty(ready.destinationFolder)); // the probe is gone
    EXPECT_EQ(with([](BatchJob& j) { j.names.clear(); }), RunProblem::NoPictures);
    EXPECT_EQ(with([](BatchJob& j) { j.destinationFolder = " \t"; }), RunProblem::NoDestination);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = scratch.str() + "/none"; }),
              RunProblem::DestinationMissing);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = scratch.file("f") + "/sub"; }),
              RunProblem::DestinationMissing);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = scratch.file("f"); }),
              RunProblem::DestinationNotAFolder);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = scratch.str() + "/alias"; }),
              RunProblem::DestinationIsSource);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = j.sourceFolder + "/../source"; }),
              RunProblem::DestinationIsSource);
    EXPECT_EQ(with([&](BatchJob& j) { j.destinationFolder = locked; }),
              RunProblem::DestinationNotWritable);
    EXPECT_EQ(with([](BatchJob& j) {
                  j.settings = {OutputFormat::Jpeg, "0"};
              }),
              RunProblem::BadQuality);
    EXPECT_EQ(with([](BatchJob& j) { j.settings = {OutputFormat::Gif, "0"}; }), std::nullopt);
}

} // namespace
} // namespace tessaline
