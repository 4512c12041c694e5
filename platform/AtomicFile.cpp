#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaline {
namespace {

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

Failure writeFailure(const std::string& path, const char* step, int error)
{
    return Failure{path, FailureKind::WriteFailed, std::string(step) + ": " + std::strerror(error),
                   error};
}

// O_EXCL with a name of our own rather than mkstemp(): the kernel applies the
// umask to 0666, where mkstemp() would leave the output readable by its owner only.
// The name is short and fixed in length, so a long destination name still fits.
int createTemporary(const std::string& folder, std::string& name)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/.tessaline-" + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

int writeAll(int fd, std::span<const std::uint8_t> bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return 0;
}

void syncFolder(const std::string& folder)
{
    // Makes the rename itself durable; a folder that cannot be opened only loses that.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

std::optional<Failure> writeFileAtomically(const std::string& path,
                                           std::span<const std::uint8_t> bytes, FileSync sync)
{
    if (path.empty() || path.back() == '/')
        return writeFailure(path, "no file name", EISDIR);
    const std::string folder = folderOf(path);

    std::string temporary;
    const int fd = createTemporary(folder, temporary);
    if (fd < 0)
        return writeFailure(path, "create", errno);

    int error = writeAll(fd, bytes);
    const char* step = "write";
    if (error == 0 && sync == FileSync::ToDisk && ::fsync(fd) != 0) {
        error = errno;
        step = "fsync";
    }
    if (::close(fd) != 0 && error == 0) { // NFS and quotas may report here first
        error = errno;
        step = "close";
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        step = "rename";
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return writeFailure(path, step, error);
    }
    if (sync == FileSync::ToDisk)
        syncFolder(folder);
    return std::nullopt;
}

std::optional<Failure> flushFileSystem(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Failure{folder, FailureKind::WriteFailed, std::strerror(errno), errno};
    const int result = ::syncfs(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        return Failure{folder, FailureKind::WriteFailed, std::strerror(error), error};
    return std::nullopt;
}

} // namespace tessaline
