#include "ParallelRun.h"
#include "ScratchFolder.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>

namespace tessaline {
namespace {

TEST(StartOrder, LargestFirstTiesInListOrder)
{
    EXPECT_EQ(startOrder({10, 30, 20, 30, 0}), (std::vector<int>{1, 3, 2, 0, 4}));
    EXPECT_EQ(startOrder({}), std::vector<int>{});
}

// Counts observer calls that overlap: there must be none.
class CheckingObserver final : public ParallelObserver {
public:
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<int> converted, failed;
    std::function<void()> afterEach = [] {};

    void fileConverted(int index, const std::string&) override { note(converted, index); }
    void fileFailed(int index, const Failure&) override { note(failed, index); }

private:
    void note(std::vector<int>& list, int index)
    {
        if (inside.fetch_add(1) != 0)
            overlapped = true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        list.push_back(index);
        afterEach();
        inside.fetch_sub(1);
    }
};

class ParallelRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        job_.sourceFolder = dir_.folder("src");
        job_.destinationFolder = dir_.folder("dst");
        job_.output = {8, 8};
        for (int i = 0; i < 20; ++i) {
            std::string name = "p";
            name += std::to_string(100 + i);
            name += i % 3 == 0 ? ".bmp" : ".jpg";
            dir_.file("src/" + name, std::string(static_cast<std::size_t>(i + 1) * 10, 'x'));
            job_.names.push_back(name);
        }
    }

    ParallelRun run(std::set<std::string> badSources = {})
    {
        return ParallelRun(
            [this, badSources](const std::string& path, Size output) -> Result<Picture> {
                {
                    const std::lock_guard lock(mutex_);
                    rendered_.push_back(path);
                }
                for (const auto& bad : badSources)
                    if (path.ends_with(bad))
                        return Failure{path, FailureKind::Corrupt, "fake damage"};
                return Picture(output.width, output.height, 7);
            },
            [this](const Picture& picture, const std::string& path, const ExportSettings&) -> std::optional<Failure> {
                const std::lock_guard lock(mutex_);
                written_.insert(path);
                EXPECT_EQ(picture.size(), (Size{8, 8}));
                return std::nullopt;
            });
    }

    ScratchDir dir_;
    BatchJob job_;
    std::mutex mutex_;
    std::vector<std::string> rendered_;
    std::set<std::string> written_;
};

TEST_F(ParallelRunTest, EveryFileOnceFailuresRecordedInListOrder)
{
    CheckingObserver observer;
    std::atomic<bool> stop{false};
    const RunSummary summary = run({"p107.jpg", "p112.bmp"}).run(job_, 3, observer, stop);

    EXPECT_EQ(summary.written, 18);
    ASSERT_EQ(summary.failures.size(), 2u);
    EXPECT_EQ(summary.failures[0].index, 7);
    EXPECT_EQ(summary.failures[1].index, 12);
    EXPECT_EQ(summary.failures[1].failure.kind, FailureKind::Corrupt);
    EXPECT_FALSE(summary.stopped);
    EXPECT_EQ(rendered_.size(), 20u);
    EXPECT_EQ(written_.size(), 18u);
    EXPECT_FALSE(observer.overlapped);
    // Outputs carry the format's extension and come in list order.
    ASSERT_EQ(summary.outputs.size(), 18u);
    EXPECT_EQ(summary.outputs.front(), job_.destinationFolder + "/p100.jpg");
    EXPECT_TRUE(std::is_sorted(summary.outputs.begin(), summary.outputs.end()));
    // The largest file (the last) started first.
    EXPECT_TRUE(rendered_.front().ends_with("p119.jpg") || rendered_[1].ends_with("p119.jpg"));
}

TEST_F(ParallelRunTest, AStopLetsTheFilesInHandFinishAndStartsNoMore)
{
    CheckingObserver observer;
    std::atomic<bool> stop{false};
    observer.afterEach = [&] {
        if (observer.converted.size() == 4)
            stop = true;
    };
    const RunSummary summary = run().run(job_, 2, observer, stop);
    EXPECT_TRUE(summary.stopped);
    EXPECT_GE(summary.written, 4);
    EXPECT_LE(summary.written, 6); // at most one more per worker
    EXPECT_EQ(static_cast<int>(written_.size()), summary.written);
    EXPECT_EQ(rendered_.size(), written_.size()); // nothing rendered and dropped
}

TEST_F(ParallelRunTest, MoreJobsThanFilesAndOneJobGiveTheSameResult)
{
    job_.names.resize(3);
    CheckingObserver a, b;
    std::atomic<bool> stop{false};
    const RunSummary one = run().run(job_, 1, a, stop);
    const RunSummary many = run().run(job_, 64, b, stop);
    EXPECT_EQ(one.outputs, many.outputs);
    EXPECT_EQ(one.written, 3);
}

} // namespace
} // namespace tessaline
