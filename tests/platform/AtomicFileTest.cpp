#include "AtomicFile.h"

#include "ExportFixtures.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tessaline {
namespace {

using Names = std::vector<std::string>;
const Bytes payload(10000, 0x5A);

TEST(AtomicFile, ReplacesWholeFilesWithTheUsualMode)
{
    TempDir dir;
    writeBytes(dir / "out.jpg", {1, 2, 3});
    writeBytes(dir / "source.jpg", {9});
    std::filesystem::create_symlink(dir / "source.jpg", dir / "link.jpg");
    const mode_t old = ::umask(022);
    EXPECT_FALSE(writeFileAtomically(dir / "out.jpg", payload));
    EXPECT_FALSE(writeFileAtomically(dir / "link.jpg", payload, FileSync::None));
    ::umask(old);

    EXPECT_EQ(readBytes(dir / "out.jpg"), payload);
    EXPECT_EQ(readBytes(dir / "source.jpg"), Bytes{9}); // the link is replaced, not its target
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.jpg").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u); // not mkstemp()'s 0600
    EXPECT_EQ(dir.entries(), (Names{"link.jpg", "out.jpg", "source.jpg"}));
}

TEST(AtomicFile, FailuresCarryTheErrnoAndLeaveNothingBehind)
{
    TempDir dir;
    writeBytes(dir / "plain", {1});
    std::filesystem::create_directory(dir / "taken.jpg");
    for (const auto& [path, error] : std::vector<std::pair<std::string, int>>{
             {dir / "missing/out.jpg", ENOENT}, // no such folder
             {dir / "plain/out.jpg", ENOTDIR},  // the parent is a regular file
             {dir / "taken.jpg", EISDIR}}) {    // a folder where the file should go
        const auto failure = writeFileAtomically(path, payload);
        ASSERT_TRUE(failure) << path;
        EXPECT_EQ(failure->kind, FailureKind::WriteFailed);
        EXPECT_EQ(failure->file, path);
        EXPECT_EQ(failure->error, error) << failure->detail;
    }
    EXPECT_EQ(dir.entries(), (Names{"plain", "taken.jpg"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "taken.jpg"));
}

// A file-size limit stands in for a full disk: the write stops halfway with EFBIG.
TEST(AtomicFile, AWriteCutShortKeepsTheEarlierFile)
{
    TempDir dir;
    writeBytes(dir / "out.jpg", {1, 2, 3, 4});
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto failure = writeFileAtomically(dir / "out.jpg", payload);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, handler);

    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->error, EFBIG);
    EXPECT_EQ(readBytes(dir / "out.jpg"), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(dir.entries(), Names{"out.jpg"});
}

} // namespace
} // namespace tessaline
