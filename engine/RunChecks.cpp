#include "RunChecks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <system_error>
#include <unistd.h>

namespace tessaline {
namespace {

namespace fs = std::filesystem;

bool blank(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Creates and removes a hidden file; a name already taken (another copy probing
// at the same moment) just means trying the next one.
bool probeWritable(const fs::path& folder)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path probe = folder / (".tessaline-probe-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(counter++));
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

bool isSameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    const bool same = fs::equivalent(a, b, ec);
    return same && !ec && fs::is_directory(a, ec) && !ec;
}

bool isWritableFolder(const fs::path& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0 && probeWritable(folder);
}

std::optional<RunProblem> checkRun(const BatchJob& job)
{
    if (job.names.empty())
        return RunProblem::NoPictures;
    if (blank(job.destinationFolder))
        return RunProblem::NoDestination;

    std::error_code ec;
    const fs::file_status status = fs::status(job.destinationFolder, ec);
    if (status.type() == fs::file_type::not_found)
        return RunProblem::DestinationMissing;
    if (ec) // the path cannot even be looked at, e.g. a folder on the way without search rights
        return RunProblem::DestinationNotWritable;
    if (status.type() != fs::file_type::directory)
        return RunProblem::DestinationNotAFolder;
    if (isSameFolder(job.destinationFolder, job.sourceFolder))
        return RunProblem::DestinationIsSource;
    if (!isWritableFolder(job.destinationFolder))
        return RunProblem::DestinationNotWritable;
    if (job.settings.format == OutputFormat::Jpeg && !jpegQualityFromText(job.settings.quality))
        return RunProblem::BadQuality;
    return std::nullopt;
}

} // namespace tessaline
