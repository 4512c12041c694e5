#pragma once

// A fresh folder under /tmp for one test, removed with everything in it.

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace tessaline {

class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/tessaline-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // A subfolder, created.
    std::string folder(const std::string& name) const
    {
        std::filesystem::create_directories(path_ / name);
        return (path_ / name).string();
    }
    // A file holding `text`.
    std::string file(const std::string& name, const std::string& text = "x") const
    {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return (path_ / name).string();
    }

private:
    std::filesystem::path path_;
};

} // namespace tessaline
