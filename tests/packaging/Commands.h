#pragma once

// Running other programs from the packaging tests: the installed commands,
// cmake, dpkg-deb. Output is captured in memory; a program that cannot be
// started gives status 127, as from a shell.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tessaline {

struct Ran {
    int status = -1; // the exit status, or 128 + the signal
    std::string out, err;
};

// Changes to the environment: "NAME=value" sets, a bare "NAME" removes.
using EnvChanges = std::vector<std::string>;

// Runs `argv` (looked up on PATH) to its end.
Ran runCommand(const std::vector<std::string>& argv, const EnvChanges& env = {},
               const std::filesystem::path& workDir = {});

// A program left running, with stdout and stderr kept in memory files; the
// destructor kills it if it is still running.
class Started {
public:
    Started(const std::vector<std::string>& argv, const EnvChanges& env,
            const std::filesystem::path& workDir);
    ~Started();
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    // True until the program has ended.
    bool running();
    // Waits for the program to end; then what it printed.
    Ran finish();
    // Ends the program with SIGKILL if it is running; then what it printed.
    Ran stop();

private:
    pid_t pid_ = -1;
    int status_ = -1;
    int outFd_ = -1, errFd_ = -1;
};

} // namespace tessaline
