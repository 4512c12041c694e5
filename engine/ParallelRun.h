#pragma once

// The batch run on several threads, for the command line: every listed picture
// rendered and written straight to its output (no temporary bitmap), under the
// same output names as the window's run and with the same bytes. The largest
// files start first so that every worker stays busy to the end. A file that
// fails is recorded and the others go on; a stop request lets the files in hand
// finish and starts no more.

#include "BatchRun.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tessaline {

// Told as the run goes. Calls come from the worker threads but never two at a
// time, so an observer needs no locking of its own.
class ParallelObserver {
public:
    virtual ~ParallelObserver() = default;
    virtual void fileConverted(int /*index*/, const std::string& /*outputPath*/) {}
    virtual void fileFailed(int /*index*/, const Failure& /*failure*/) {}
};

// Writes one rendered picture; must be callable from several threads at once.
using WriteStep = std::function<std::optional<Failure>(const Picture&, const std::string& path,
                                                       const ExportSettings&)>;

class ParallelRun {
public:
    // `render` and `write` must be safe to call from several threads at once.
    ParallelRun(RenderStep render, WriteStep write) : render_(std::move(render)), write_(std::move(write)) {}

    // Converts the job's files on `jobs` threads (at least 1). `stop` is read
    // between files. The summary lists outputs and failures in list order.
    RunSummary run(const BatchJob& job, int jobs, ParallelObserver& observer,
                   const std::atomic<bool>& stop) const;

private:
    RenderStep render_;
    WriteStep write_;
};

// The order in which to start the files: largest first (by size on disk), ties
// and unreadable sizes in list order.
std::vector<int> startOrder(const std::vector<std::uintmax_t>& fileSizes);

} // namespace tessaline
