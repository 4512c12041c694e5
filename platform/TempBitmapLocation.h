#pragma once

// Where the run writes its temporary bitmap: "temp.bmp" in the program's
// folder, as ever; where that folder cannot be written (an installed program),
// "temp.bmp" in the user's cache folder instead. Two running copies never share
// one: a copy holds an exclusive flock() on "temp.bmp.lock" beside its
// "temp.bmp" for as long as this object lives, and a copy that finds it held
// uses "temp-<pid>.bmp" in the cache folder, which it removes when it ends.
// "temp.bmp" and the lock file stay. One location per process: two fallbacks in
// one process would share their "temp-<pid>.bmp".

#include <string>

namespace tessaline {

class TempBitmapLocation {
public:
    // Picks the place and takes the lock; creates the cache folder when it is used.
    TempBitmapLocation(const std::string& programFolder, const std::string& cacheFolder);
    ~TempBitmapLocation();
    TempBitmapLocation(const TempBitmapLocation&) = delete;
    TempBitmapLocation& operator=(const TempBitmapLocation&) = delete;

    // The temporary bitmap's path; writing it may still fail (reported by the save).
    const std::string& path() const { return path_; }

    // $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; then "/tessaline".
    static std::string userCacheFolder();

private:
    bool tryLock(const std::string& folder);

    std::string path_;
    int lockFd_ = -1;
    bool ownFile_ = false; // a per-process name, removed at the end
};

} // namespace tessaline
