#pragma once

// Whether a job can start, checked before the run touches anything. The window
// maps each problem to its own words. Folders are compared as the file system
// sees them (device and inode), so a link or "dir/../dir" to the source folder
// is the source folder.

#include "BatchRun.h"

#include <filesystem>
#include <optional>

namespace tessaline {

enum class RunProblem {
    NoPictures,             // the list is empty
    NoDestination,          // the destination text is empty or only blanks
    DestinationMissing,     // nothing at the destination path
    DestinationNotAFolder,  // something, but not a folder
    DestinationIsSource,    // the source folder itself: sources would be replaced
    DestinationNotWritable, // a folder, but no file can be created in it
    BadQuality,             // JPEG with a quality text that is not 1 to 100
};

// The first problem of the job, in the order above, or nothing when it can run.
std::optional<RunProblem> checkRun(const BatchJob& job);

// True when both paths lead to one existing folder.
bool isSameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

// True when a file can be created and removed in the folder: access(W_OK) and an
// actual probe file, since access() says yes to root on a read-only mount.
bool isWritableFolder(const std::filesystem::path& folder);

} // namespace tessaline
