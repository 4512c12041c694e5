#include "BatchRun.h"

#include "FolderListing.h"
#include "OutputNaming.h"

#include <filesystem>
#include <system_error>

namespace tessaline {
namespace {

// True when both paths name one existing file: a destination entry that is a
// link to its own source would have the source replaced.
bool sameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

} // namespace

BatchRun::BatchRun(RenderStep render, BitmapStore& bitmaps, Exporter& exporter)
    : render_(std::move(render)), bitmaps_(bitmaps), exporter_(exporter)
{
}

BatchRun::BatchRun(const FitPipeline& pipeline, BitmapStore& bitmaps, Exporter& exporter)
    : BatchRun([&pipeline](const std::string& path,
                           Size output) { return pipeline.render(path, output); },
               bitmaps, exporter)
{
}

RunSummary BatchRun::run(const BatchJob& job, RunObserver& observer) const
{
    RunSummary summary;
    const std::vector<std::string> names = outputNames(job.names, job.settings.format);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (observer.stopRequested()) {
            summary.stopped = true;
            break;
        }
        const int index = static_cast<int>(i);
        const std::string outputPath = joinPath(job.destinationFolder, names[i]);
        observer.fileStarted(index);
        if (std::optional<Failure> failure = convert(job, index, outputPath, observer)) {
            observer.fileFailed(index, *failure);
            summary.failures.push_back({index, std::move(*failure)});
            continue;
        }
        ++summary.written;
        summary.outputs.push_back(outputPath);
        observer.fileConverted(index, outputPath);
    }
    return summary;
}

std::optional<Failure> BatchRun::convert(const BatchJob& job, int index,
                                         const std::string& outputPath, RunObserver& observer) const
{
    const std::string sourcePath = joinPath(job.sourceFolder, job.names[index]);
    if (sameFile(sourcePath, outputPath))
        return Failure{outputPath, FailureKind::WriteFailed,
                       "the output is the source file itself"};

    Result<Picture> rendered = render_(sourcePath, job.output);
    if (!rendered)
        return rendered.failure();
    observer.fileRendered(index, rendered.value());

    if (std::optional<Failure> failure = bitmaps_.save(rendered.value(), job.bitmapPath))
        return failure;
    if (job.settings.format == OutputFormat::Gif)
        return exporter_.convertToGif(job.bitmapPath, outputPath);
    return exporter_.convertToJpeg(job.bitmapPath, outputPath, job.settings.quality);
}

float progressStep(float trackWidth, int fileCount)
{
    return fileCount > 0 ? trackWidth / static_cast<float>(fileCount) : 0.0f;
}

} // namespace tessaline
