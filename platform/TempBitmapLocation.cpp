#include "TempBitmapLocation.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <pwd.h>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace tessaline {
namespace {

bool canCreateFilesIn(const std::string& folder)
{
    return !folder.empty() && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

TempBitmapLocation::TempBitmapLocation(const std::string& programFolder,
                                       const std::string& cacheFolder)
{
    const bool programFolderUsable = canCreateFilesIn(programFolder);
    const std::string& home = programFolderUsable ? programFolder : cacheFolder;
    if (!programFolderUsable) {
        std::error_code ec; // a failure here shows when the bitmap is saved
        std::filesystem::create_directories(cacheFolder, ec);
    }
    if (tryLock(home)) {
        path_ = home + "/temp.bmp";
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(cacheFolder, ec);
    path_ = cacheFolder + "/temp-" + std::to_string(::getpid()) + ".bmp";
    ownFile_ = true;
}

TempBitmapLocation::~TempBitmapLocation()
{
    if (ownFile_)
        ::unlink(path_.c_str());
    if (lockFd_ >= 0)
        ::close(lockFd_); // releases the flock
}

bool TempBitmapLocation::tryLock(const std::string& folder)
{
    // O_CLOEXEC: a page opened from the window must not inherit, and keep, the lock.
    const std::string lockPath = folder + "/temp.bmp.lock";
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    lockFd_ = fd;
    return true;
}

std::string TempBitmapLocation::userCacheFolder()
{
    // The XDG base directory rules: a relative XDG_CACHE_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/tessaline";
    const char* home = std::getenv("HOME");
    std::string base = home && home[0] ? home : "";
    if (base.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()))
            base = entry->pw_dir;
    }
    return base + "/.cache/tessaline";
}

} // namespace tessaline
