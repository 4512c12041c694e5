#pragma once

// The batch run: every listed picture, in list order, rendered, saved as the
// temporary bitmap and exported into the destination folder under its output
// name (OutputNaming.h). A file that fails at any step is recorded and the run
// goes on with the next; only the observer's stopRequested() ends it early, and
// it is asked before each file, so a stop takes effect after the file in hand.
// The run checks nothing about the job as a whole: call checkRun (RunChecks.h)
// first. It does refuse, file by file, an output path that is the source file
// itself (a destination entry that links to its source).

#include "Exporter.h"
#include "Failure.h"
#include "FitPipeline.h"
#include "Picture.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tessaline {

struct BatchJob {
    std::string sourceFolder;       // the folder the names are listed from
    std::vector<std::string> names; // bare names, in list order
    std::string destinationFolder;
    Size output; // the size every picture is rendered at
    ExportSettings settings;
    std::string bitmapPath; // the temporary bitmap, rewritten for each file
};

// What the run tells as it goes; indexes are positions in BatchJob::names. For
// each file: fileStarted, then fileRendered and fileConverted, or fileFailed at
// the step that failed.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The file is next; nothing of it has been read yet.
    virtual void fileStarted(int /*index*/) {}
    // The file's rendering, the picture that is about to be exported.
    virtual void fileRendered(int /*index*/, const Picture& /*picture*/) {}
    // The output file is written at outputPath.
    virtual void fileConverted(int /*index*/, const std::string& /*outputPath*/) {}
    // The file was skipped for this reason; the run goes on.
    virtual void fileFailed(int /*index*/, const Failure& /*failure*/) {}
    // Asked before each file; true ends the run there.
    virtual bool stopRequested() { return false; }
};

struct FailedFile {
    int index = 0;
    Failure failure;
};

struct RunSummary {
    int written = 0;                  // files converted
    std::vector<FailedFile> failures; // in list order
    std::vector<std::string> outputs; // the written paths, in list order
    bool stopped = false;             // ended by stopRequested() before the last file
};

// Renders the source file at `path` to exactly `output`.
using RenderStep = std::function<Result<Picture>(const std::string& path, Size output)>;

class BatchRun {
public:
    BatchRun(RenderStep render, BitmapStore& bitmaps, Exporter& exporter);
    // Renders with the pipeline, which must outlive the run.
    BatchRun(const FitPipeline& pipeline, BitmapStore& bitmaps, Exporter& exporter);

    // Runs the whole job, telling the observer as it goes.
    RunSummary run(const BatchJob& job, RunObserver& observer) const;

private:
    std::optional<Failure> convert(const BatchJob& job, int index, const std::string& outputPath,
                                   RunObserver& observer) const;

    RenderStep render_;
    BitmapStore& bitmaps_;
    Exporter& exporter_;
};

// The progress bar's growth per file: the track's width over the number of
// files, in single precision as the bar's width is; 0 for no files.
float progressStep(float trackWidth, int fileCount);

} // namespace tessaline
