// tessaline-cli run as a user runs it: exit statuses, messages, files.

#include "BatchRun.h"
#include "FitPipeline.h"
#include "ProgressBar.h"
#include "VipsExporter.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vips/vips8>

extern char** environ;

namespace tessaline {
namespace {

namespace fs = std::filesystem;
using vips::VImage;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/tessaline-cli-XXXXXX";
        root_ = ::mkdtemp(tmpl);
        src_ = root_ / "src";
        dst_ = root_ / "dst";
        fs::create_directory(src_);
    }
    void TearDown() override { fs::remove_all(root_); }

    // Starts the program with stdout and stderr sent to files; returns its pid.
    pid_t start(std::vector<std::string> args) const
    {
        args.insert(args.begin(), TESSALINE_CLI);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (root_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (root_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }

    Outcome finish(pid_t pid) const
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), slurp(root_ / "out"),
                slurp(root_ / "err")};
    }

    Outcome run(std::vector<std::string> args) const { return finish(start(std::move(args))); }

    static VImage colour(int w, int h, std::vector<double> rgb)
    {
        return VImage::black(w, h, VImage::option()->set("bands", 3))
            .new_from_image(rgb)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    }

    static VImage photo(int w, int h)
    {
        VImage xy = VImage::xyz(w, h);
        return VImage::bandjoin({xy.extract_band(0) * (255.0 / w), xy.extract_band(1) * (255.0 / h),
                                 (xy.extract_band(0) + xy.extract_band(1)) * (127.0 / (w + h))})
            .cast(VIPS_FORMAT_UCHAR)
            .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
    }

    static std::vector<std::string> names(const fs::path& folder)
    {
        std::vector<std::string> all;
        for (const auto& e : fs::directory_iterator(folder))
            all.push_back(e.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }

    static int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

    fs::path root_, src_, dst_;
};

TEST_F(CliTest, UsageAndSetupErrorsExitTwoWithOneLineAndWriteNothing)
{
    photo(40, 30).jpegsave((src_ / "a.jpg").c_str());
    fs::create_symlink(src_, root_ / "same");
    const std::vector<std::vector<std::string>> cases{
        {"--bogus", src_, dst_},
        {"--quality", "0", src_, dst_},
        {"--quality", "101", src_, dst_},
        {"--width", "0", src_, dst_},
        {"--height", "10001", src_, dst_},
        {"--format", "png", src_, dst_},
        {"--jobs", "0", src_, dst_},
        {src_},
        {(root_ / "missing").string(), dst_},
        {src_, src_},
        {src_, (root_ / "same").string()},
        {src_, (src_ / "a.jpg").string()},
    };
    for (const auto& args : cases) {
        const Outcome o = run(args);
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        EXPECT_EQ(o.status, 2) << joined << o.err;
        EXPECT_EQ(lines(o.err), 1) << joined << o.err;
        EXPECT_EQ(o.err.rfind("tessaline-cli: ", 0), 0u) << o.err;
        EXPECT_FALSE(fs::exists(dst_)) << joined;
    }
    EXPECT_EQ(names(src_), (std::vector<std::string>{"a.jpg"}));
}

TEST_F(CliTest, HelpAndVersion)
{
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"SOURCE_DIR", "DEST_DIR", "--width", "--height", "--format", "--quality", "--jobs", "--quiet"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "tessaline-cli 1.0\n");
}

TEST_F(CliTest, ConvertsTheFolderIntoANewDestinationWithTheWindowsDefaults)
{
    photo(400, 300).jpegsave((src_ / "wide.jpg").c_str());
    photo(30, 90).gifsave((src_ / "tall.GIF").c_str());
    photo(50, 50).jpegsave((src_ / ".hidden.jpg").c_str());
    photo(50, 50).pngsave((src_ / "notes.png").c_str());
    const Outcome o = run({src_, (dst_ / "deeper").string()});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err.find('\r'), std::string::npos); // no progress bar off a terminal
    ASSERT_EQ(names(dst_ / "deeper"), (std::vector<std::string>{"tall.jpg", "wide.jpg"}));
    for (const char* name : {"tall.jpg", "wide.jpg"}) {
        VImage out = VImage::new_from_file((dst_ / "deeper" / name).c_str());
        EXPECT_EQ(out.width(), 300);
        EXPECT_EQ(out.height(), 300);
    }
    VImage wide = VImage::new_from_file((dst_ / "deeper" / "wide.jpg").c_str());
    EXPECT_GT(wide.getpoint(150, 5)[0], 250);  // band above
    EXPECT_LT(wide.getpoint(2, 150)[0], 40);   // the dark left edge of the picture
}

TEST_F(CliTest, ABadFileInTheMiddleIsReportedAndTheOthersWritten)
{
    photo(60, 40).jpegsave((src_ / "a.jpg").c_str());
    std::ofstream(src_ / "b.jpg") << "not a picture";
    photo(60, 40).jpegsave((src_ / "c.jpg").c_str());
    const Outcome o = run({"--quiet", src_, dst_});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(lines(o.err), 1) << o.err;
    EXPECT_NE(o.err.find("b.jpg"), std::string::npos) << o.err;
    EXPECT_EQ(names(dst_), (std::vector<std::string>{"a.jpg", "c.jpg"}));
}

TEST_F(CliTest, CollidingNamesGetNumberedAndKeepTheirOwnPictures)
{
    colour(20, 20, {255, 0, 0}).jpegsave((src_ / "photo.jpg").c_str());
    colour(20, 20, {0, 255, 0}).gifsave((src_ / "photo.gif").c_str());
    colour(20, 20, {0, 0, 255}).jpegsave((src_ / "other.jpg").c_str());
    fs::create_directory(dst_);
    std::ofstream(dst_ / "photo.jpg") << "an earlier output, replaced";
    const Outcome o = run({src_, dst_});
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(names(dst_), (std::vector<std::string>{"other.jpg", "photo (2).jpg", "photo.jpg"}));
    // List order is photo.gif before photo.jpg: the GIF keeps the plain name.
    EXPECT_GT(VImage::new_from_file((dst_ / "photo.jpg").c_str()).getpoint(10, 150)[1], 200);
    EXPECT_GT(VImage::new_from_file((dst_ / "photo (2).jpg").c_str()).getpoint(10, 150)[0], 200);
}

TEST_F(CliTest, SameBytesWhateverTheJobsAndAsTheWindowWrites)
{
    photo(640, 480).jpegsave((src_ / "one.jpg").c_str());
    photo(300, 500).jpegsave((src_ / "two.jpg").c_str(), VImage::option()->set("interlace", true));
    photo(120, 80).gifsave((src_ / "three.gif").c_str());
    for (const char* format : {"jpeg", "gif"}) {
        fs::remove_all(root_ / "j1");
        fs::remove_all(root_ / "j4");
        ASSERT_EQ(run({"--jobs", "1", "--format", format, "--quality", "83", "--width", "200", "--height", "150",
                       src_, (root_ / "j1").string()}).status, 0);
        ASSERT_EQ(run({"--jobs", "4", "--format", format, "--quality", "83", "--width", "200", "--height", "150",
                       src_, (root_ / "j4").string()}).status, 0);
        ASSERT_EQ(names(root_ / "j1").size(), 3u);
        ASSERT_EQ(names(root_ / "j1"), names(root_ / "j4"));
        for (const auto& name : names(root_ / "j1"))
            EXPECT_EQ(slurp(root_ / "j1" / name), slurp(root_ / "j4" / name)) << format << " " << name;

        // The window's way: the temporary bitmap, then the export component.
        VipsPictureLoader loader;
        FitPipeline pipeline(loader);
        WindowsBitmapStore bitmaps;
        VipsExporter exporter(bitmaps);
        BatchJob job;
        job.sourceFolder = src_;
        job.names = {"one.jpg", "three.gif", "two.jpg"};
        job.destinationFolder = (root_ / "window").string();
        fs::remove_all(job.destinationFolder);
        fs::create_directory(job.destinationFolder);
        job.output = {200, 150};
        job.settings = {std::string(format) == "gif" ? OutputFormat::Gif : OutputFormat::Jpeg, "83"};
        job.bitmapPath = (root_ / "temp.bmp").string();
        RunObserver quiet;
        ASSERT_EQ(BatchRun(pipeline, bitmaps, exporter).run(job, quiet).written, 3);
        for (const auto& name : names(root_ / "j1"))
            EXPECT_EQ(slurp(root_ / "j1" / name), slurp(root_ / "window" / name)) << format << " " << name;
    }
}

TEST_F(CliTest, InterruptStopsCleanlyLeavingOnlyWholeFiles)
{
    VImage big = photo(3000, 2000);
    big.jpegsave((src_ / "p000.jpg").c_str(), VImage::option()->set("interlace", true));
    for (int i = 1; i < 80; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%03d.jpg", i);
        fs::copy_file(src_ / "p000.jpg", src_ / name);
    }
    const pid_t pid = start({"--jobs", "2", src_, dst_});
    // Wait for the first outputs, then interrupt.
    for (int i = 0; i < 400 && (!fs::exists(dst_) || names(dst_).size() < 2); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(pid, SIGINT);
    const Outcome o = finish(pid);
    const auto written = names(dst_);
    if (o.status == 0)
        GTEST_SKIP() << "the run ended before the interrupt";
    EXPECT_EQ(o.status, 130) << o.err;
    EXPECT_LT(written.size(), 80u);
    EXPECT_NE(o.err.find("interrupted"), std::string::npos);
    for (const auto& name : written) {
        ASSERT_EQ(fs::path(name).extension(), ".jpg") << "stray file " << name;
        VImage out = VImage::new_from_file((dst_ / name).c_str(), VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
        EXPECT_EQ(out.avg() > 0, true) << name; // decodes to the end
    }
}

TEST(ProgressBar, LineShowsCountRateAndTimeLeft)
{
    const std::string mid = ProgressBar::line(25, 100, 5.0, 72);
    EXPECT_NE(mid.find(" 25/100 "), std::string::npos) << mid;
    EXPECT_NE(mid.find("5.0 pict/s"), std::string::npos) << mid;
    EXPECT_NE(mid.find("0:15 left"), std::string::npos) << mid;
    EXPECT_EQ(mid.size(), 72u) << mid;
    const std::string end = ProgressBar::line(100, 100, 3725.0, 72);
    EXPECT_EQ(end.find("left"), std::string::npos);
    EXPECT_NE(end.find("1:02:05"), std::string::npos) << end;
    EXPECT_EQ(std::count(end.begin(), end.end(), '.'), 1); // the bar is full: only the rate's point
    EXPECT_NE(ProgressBar::line(0, 0, 0, 72).find("0/0"), std::string::npos);
}

} // namespace
} // namespace tessaline
