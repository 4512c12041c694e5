#pragma once

// Writing a whole file at once: the bytes go to a hidden temporary file in the
// destination's folder, which then replaces the destination by rename(), so a
// reader sees the earlier file or the new one, never part of one. On failure the
// temporary file is removed and the destination is left as it was. A destination
// that is a link is replaced by the new file; the link's target is not touched.

#include "Failure.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessaline {

enum class FileSync {
    ToDisk, // fsync the file before the rename and the folder after: survives a power cut
    None,   // rename only: enough for a scratch file that is rewritten right away
};

// Writes `bytes` as the file at `path`, with the mode 0666 less the umask. Failures
// are WriteFailed, naming `path`, with the errno of the call that failed.
std::optional<Failure> writeFileAtomically(const std::string& path,
                                           std::span<const std::uint8_t> bytes,
                                           FileSync sync = FileSync::ToDisk);

// Flushes everything written to the file system that holds `folder` to disk.
std::optional<Failure> flushFileSystem(const std::string& folder);

} // namespace tessaline
