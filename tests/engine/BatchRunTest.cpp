#include "BatchRun.h"

#include "EngineFakes.h"
#include "ScratchFolder.h"

#include <gtest/gtest.h>

namespace tessaline {
namespace {

// Every observer call as a line, and a stop once `stopAfter` files have started.
class RecordingObserver final : public RunObserver {
public:
    std::vector<std::string> events;
    int started = 0, stopAfter = -1;

    void fileStarted(int i) override
    {
        events.push_back("started " + std::to_string(i)), ++started;
    }
    void fileRendered(int i, const Picture& p) override
    {
        events.push_back("rendered " + std::to_string(i) + " grey " + std::to_string(p.rgb[0]));
    }
    void fileConverted(int i, const std::string& path) override
    {
        events.push_back("converted " + std::to_string(i) + " " + path);
    }
    void fileFailed(int i, const Failure& f) override
    {
        events.push_back("failed " + std::to_string(i) + " " + f.file);
    }
    bool stopRequested() override { return started == stopAfter; }
};

class BatchRunTest : public testing::Test {
protected:
    // Renders each file as a flat grey told by its name's first letter; "bad..." fails.
    static Result<Picture> render(const std::string& path, Size size)
    {
        const char first = path[path.rfind('/') + 1];
        if (first == 'b')
            return Failure{path, FailureKind::Corrupt, "truncated"};
        return Picture(size.width, size.height, static_cast<std::uint8_t>(first));
    }

    BatchJob job{"/src", {"x.jpg", "bad.bmp", "x.gif"}, "/out",
                 {4, 3}, {OutputFormat::Jpeg, "80"},    "/app/temp.bmp"};
    FakeBitmapStore bitmaps;
    FakeExporter exporter{bitmaps};
    BatchRun run{render, bitmaps, exporter};
    RecordingObserver observer;
};

TEST_F(BatchRunTest, AFailingFileIsRecordedAndTheRunGoesOn)
{
    const RunSummary summary = run.run(job, observer);

    EXPECT_EQ(summary.written, 2);
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(summary.outputs, (std::vector<std::string>{"/out/x.jpg", "/out/x (2).jpg"}));
    ASSERT_EQ(summary.failures.size(), 1u);
    EXPECT_EQ(summary.failures[0].index, 1);
    EXPECT_EQ(summary.failures[0].failure.kind, FailureKind::Corrupt);
    EXPECT_EQ(observer.events, (std::vector<std::string>{
                                   "started 0", "rendered 0 grey 120", "converted 0 /out/x.jpg",
                                   "started 1", "failed 1 /src/bad.bmp", "started 2",
                                   "rendered 2 grey 120", "converted 2 /out/x (2).jpg"}));
    // Each export read the bitmap just saved, with the quality text as typed.
    ASSERT_EQ(exporter.calls.size(), 2u);
    EXPECT_EQ(exporter.calls[1].bitmap, "/app/temp.bmp");
    EXPECT_EQ(exporter.calls[1].quality, "80");
    EXPECT_EQ(exporter.calls[1].picture.size(), (Size{4, 3}));
}

TEST_F(BatchRunTest, ExportAndBitmapFailuresCarryTheirReasons)
{
    job.settings = {OutputFormat::Gif, "ignored"};
    exporter.failing = {"/out/x.gif"};
    RunSummary summary = run.run(job, observer);
    EXPECT_EQ(exporter.calls.at(1).format, OutputFormat::Gif);
    EXPECT_EQ(summary.outputs, std::vector<std::string>{"/out/x (2).gif"});
    EXPECT_EQ(summary.failures.at(0).failure.error, 13);

    bitmaps.failSaves = true;
    summary = run.run(job, observer);
    EXPECT_EQ(summary.written, 0);
    EXPECT_EQ(summary.failures.at(2).failure.file, "/app/temp.bmp");
}

TEST_F(BatchRunTest, AStopEndsTheRunAfterTheFileInHand)
{
    observer.stopAfter = 1;
    const RunSummary summary = run.run(job, observer);
    EXPECT_TRUE(summary.stopped);
    EXPECT_EQ(summary.written, 1);
    EXPECT_TRUE(summary.failures.empty()); // files never started are not failures
    EXPECT_EQ(observer.events.back(), "converted 0 /out/x.jpg");
}

TEST(BatchRunOnDisk, NeverReplacesASourceThroughALinkInTheDestination)
{
    ScratchDir scratch;
    BatchJob job;
    job.sourceFolder = scratch.folder("src");
    job.destinationFolder = scratch.folder("out");
    job.names = {"keep.jpg", "other.jpg"};
    job.output = {2, 2};
    scratch.file("src/keep.jpg");
    std::filesystem::create_symlink(job.sourceFolder + "/keep.jpg",
                                    job.destinationFolder + "/keep.jpg");
    FakeBitmapStore bitmaps;
    FakeExporter exporter{bitmaps};
    RunObserver quiet;
    const RunSummary summary =
        BatchRun([](const std::string&,
                    Size s) -> Result<Picture> { return Picture(s.width, s.height); },
                 bitmaps, exporter)
            .run(job, quiet);
    EXPECT_EQ(summary.failures.at(0).index, 0);
    EXPECT_EQ(exporter.calls.at(0).destination, job.destinationFolder + "/other.jpg");
}

TEST(ProgressStep, StepsAddUpToTheTrack)
{
    EXPECT_EQ(progressStep(785.0f, 0), 0.0f); // no division by zero
    for (int n : {1, 3, 7, 1000}) {
        float width = 0;
        for (int k = 0; k < n; ++k)
            width += progressStep(785.0f, n);
        EXPECT_NEAR(width, 785.0f, 0.05f) << n; // single-precision sums drift a little
    }
}

} // namespace
} // namespace tessaline
