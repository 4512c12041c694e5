// tessaline-cli: the window's job from the command line, on every core.

#include "AppInfo.h"
#include "CheckedPictureLoader.h"
#include "FolderListing.h"
#include "ParallelRun.h"
#include "ProgressBar.h"
#include "RunChecks.h"
#include "VipsExporter.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"

#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vips/vips.h>

namespace fs = std::filesystem;
using namespace tessaline;

namespace {

constexpr int exitFailures = 1;
constexpr int exitUsage = 2;
constexpr int exitInterrupted = 130;

std::atomic<bool> interrupted{false};

extern "C" void onInterrupt(int)
{
    interrupted.store(true);
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

std::string reason(const Failure& f)
{
    std::string text;
    switch (f.kind) {
    case FailureKind::NotFound: text = "file not found"; break;
    case FailureKind::Unreadable: text = "cannot be read"; break;
    case FailureKind::NotAPicture: text = "not a GIF, JPEG or bitmap picture"; break;
    case FailureKind::Corrupt: text = "damaged or truncated picture"; break;
    case FailureKind::TooLarge: text = "picture too large (limits: 30000 pixels a side, 500 megapixels)"; break;
    case FailureKind::WriteFailed: text = "cannot write the output"; break;
    case FailureKind::BadQuality: text = "bad JPEG quality"; break;
    case FailureKind::Cancelled: text = "cancelled"; break;
    }
    if (!f.detail.empty())
        text += " (" + f.detail + ")";
    return text;
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "tessaline-cli: %s\n", message.c_str());
    return exitUsage;
}

class Reporter final : public ParallelObserver {
public:
    Reporter(int total, bool showProgress) : total_(total)
    {
        if (showProgress)
            bar_.emplace(stderr, total);
    }
    void fileConverted(int, const std::string&) override { tick(); }
    void fileFailed(int, const Failure&) override { tick(); }
    void finish()
    {
        if (bar_)
            bar_->finish();
    }

private:
    void tick()
    {
        ++done_;
        if (bar_)
            bar_->update(done_);
    }
    int total_;
    int done_ = 0;
    std::optional<ProgressBar> bar_;
};

} // namespace

int main(int argc, char** argv)
{
    int width = 300, height = 300, quality = 75;
    int jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::string format = "jpeg", source, destination;
    bool quiet = false;

    CLI::App app{"Centres every GIF, JPEG and bitmap picture of SOURCE_DIR on a white square as long as "
                 "its longer edge, scales the square to the output size and writes it into DEST_DIR "
                 "(created when missing) as JPEG or GIF, named after the source with the format's "
                 "extension.",
                 "tessaline-cli"};
    app.set_version_flag("--version", std::string("tessaline-cli ") + info::version);
    app.add_option("--width", width, "output width in pixels (1-10000)")
        ->check(CLI::Range(1, 10000))
        ->capture_default_str();
    app.add_option("--height", height, "output height in pixels (1-10000)")
        ->check(CLI::Range(1, 10000))
        ->capture_default_str();
    app.add_option("--format", format, "jpeg or gif")
        ->check(CLI::IsMember({"jpeg", "gif"}, CLI::ignore_case))
        ->capture_default_str();
    app.add_option("--quality", quality, "JPEG quality (1-100)")->check(CLI::Range(1, 100))->capture_default_str();
    app.add_option("--jobs", jobs, "pictures converted at once (default: the number of cores)")
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    app.add_flag("--quiet", quiet, "no progress bar and no summary; failures are still reported");
    app.add_option("SOURCE_DIR", source, "folder of the pictures")->required();
    app.add_option("DEST_DIR", destination, "folder the squared pictures are written to")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e); // --help, --version
    } catch (const CLI::ParseError& e) {
        return usageError(std::string(e.what()) + " (see --help)");
    }

    std::error_code ec;
    if (!fs::is_directory(source, ec))
        return usageError("source folder not found: " + source);
    const bool existed = fs::exists(destination, ec);
    if (existed && isSameFolder(source, destination))
        return usageError("the destination is the source folder: the pictures would be replaced");
    if (!existed && !fs::create_directories(destination, ec) && ec)
        return usageError("cannot create the destination folder " + destination + ": " + ec.message());
    if (!fs::is_directory(destination, ec))
        return usageError("the destination is not a folder: " + destination);
    if (!isWritableFolder(destination))
        return usageError("cannot write into the destination folder " + destination);

    if (!startVips(argv[0]))
        return usageError("cannot start libvips");
    vips_concurrency_set(1); // the workers are the parallelism

    BatchJob job;
    job.sourceFolder = source;
    job.names = listPictures(source);
    job.destinationFolder = destination;
    job.output = {width, height};
    for (char& c : format)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    job.settings.format = format == "gif" ? OutputFormat::Gif : OutputFormat::Jpeg;
    job.settings.quality = std::to_string(quality);

    VipsPictureLoader decoder;
    CheckedPictureLoader loader(decoder);
    WindowsBitmapStore bitmaps;
    // One flush of the destination at the end instead of two per file: a folder of
    // small outputs is written many times faster, and exit status 0 still means on disk.
    VipsExporter exporter(bitmaps, FileSync::None);
    FitPipeline pipeline(loader);
    const ParallelRun run([&](const std::string& path, Size output) { return pipeline.render(path, output); },
                          [&](const Picture& picture, const std::string& path, const ExportSettings& settings) {
                              return exporter.writePicture(picture, path, settings);
                          });

    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    Reporter reporter(static_cast<int>(job.names.size()), !quiet && ::isatty(STDERR_FILENO));
    const auto started = std::chrono::steady_clock::now();
    const RunSummary summary = run.run(job, jobs, reporter, interrupted);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    reporter.finish();
    const std::optional<Failure> flushed = flushFileSystem(destination);

    for (const FailedFile& failed : summary.failures)
        std::fprintf(stderr, "tessaline-cli: %s: %s\n", joinPath(source, job.names[failed.index]).c_str(),
                     reason(failed.failure).c_str());
    if (!quiet)
        std::fprintf(stderr, "%d of %zu pictures written to %s in %.1f s\n", summary.written, job.names.size(),
                     destination.c_str(), seconds);
    vips_shutdown();
    if (summary.stopped || interrupted.load()) {
        std::fprintf(stderr, "tessaline-cli: interrupted; the files written so far are complete\n");
        return exitInterrupted;
    }
    if (flushed) {
        std::fprintf(stderr, "tessaline-cli: %s: could not flush the written files to disk (%s)\n",
                     destination.c_str(), flushed->detail.c_str());
        return exitFailures;
    }
    return summary.failures.empty() ? 0 : exitFailures;
}
