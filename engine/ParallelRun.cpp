#include "ParallelRun.h"

#include "FolderListing.h"
#include "OutputNaming.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <thread>

namespace tessaline {

std::vector<int> startOrder(const std::vector<std::uintmax_t>& fileSizes)
{
    std::vector<int> order(fileSizes.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return fileSizes[a] > fileSizes[b]; });
    return order;
}

RunSummary ParallelRun::run(const BatchJob& job, int jobs, ParallelObserver& observer,
                            const std::atomic<bool>& stop) const
{
    const int count = static_cast<int>(job.names.size());
    const std::vector<std::string> outputs = outputNames(job.names, job.settings.format);

    std::vector<std::uintmax_t> sizes(count, 0);
    for (int i = 0; i < count; ++i) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(joinPath(job.sourceFolder, job.names[i]), ec);
        sizes[i] = ec ? 0 : size;
    }
    const std::vector<int> order = startOrder(sizes);

    std::vector<std::optional<Failure>> results(count);
    std::vector<char> done(count, 0);
    std::atomic<int> next{0};
    std::mutex telling;

    const auto work = [&] {
        for (;;) {
            if (stop.load())
                return;
            const int slot = next.fetch_add(1);
            if (slot >= count)
                return;
            const int index = order[slot];
            const std::string source = joinPath(job.sourceFolder, job.names[index]);
            const std::string target = joinPath(job.destinationFolder, outputs[index]);
            std::optional<Failure> failure;
            std::error_code ec;
            if (std::filesystem::equivalent(source, target, ec)) {
                failure = Failure{target, FailureKind::WriteFailed, "the output would replace its source"};
            } else {
                Result<Picture> rendered = render_(source, job.output);
                if (!rendered)
                    failure = rendered.failure();
                else
                    failure = write_(rendered.value(), target, job.settings);
            }
            const std::lock_guard lock(telling);
            results[index] = failure;
            done[index] = 1;
            if (failure)
                observer.fileFailed(index, *failure);
            else
                observer.fileConverted(index, target);
        }
    };

    const int threads = std::clamp(jobs, 1, std::max(1, count));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(work);
    work();
    for (auto& worker : workers)
        worker.join();

    RunSummary summary;
    for (int i = 0; i < count; ++i) {
        if (!done[i]) {
            summary.stopped = true;
            continue;
        }
        if (results[i]) {
            summary.failures.push_back({i, *results[i]});
        } else {
            ++summary.written;
            summary.outputs.push_back(joinPath(job.destinationFolder, outputs[i]));
        }
    }
    return summary;
}

} // namespace tessaline
