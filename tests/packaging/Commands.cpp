#include "Commands.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tessaline {
namespace {

std::vector<std::string> changedEnvironment(const EnvChanges& changes)
{
    std::map<std::string, std::string> vars;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        vars[entry.substr(0, entry.find('='))] = entry;
    }
    for (const std::string& change : changes) {
        const std::size_t eq = change.find('=');
        if (eq == std::string::npos)
            vars.erase(change);
        else
            vars[change.substr(0, eq)] = change;
    }
    std::vector<std::string> all;
    for (const auto& [name, entry] : vars)
        all.push_back(entry);
    return all;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> all;
    for (std::string& s : strings)
        all.push_back(s.data());
    all.push_back(nullptr);
    return all;
}

std::string readBack(int fd)
{
    std::string text;
    char buffer[4096];
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

int decoded(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

Started::Started(const std::vector<std::string>& argv, const EnvChanges& env,
                 const std::filesystem::path& workDir)
{
    // Memory files: no pipe to drain while the program runs, nothing left on disk.
    outFd_ = ::memfd_create("stdout", MFD_CLOEXEC);
    errFd_ = ::memfd_create("stderr", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd_, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd_, 2);
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    std::vector<std::string> args = argv, vars = changedEnvironment(env);
    const std::vector<char*> argp = pointers(args), envp = pointers(vars);
    if (posix_spawnp(&pid_, argp[0], &actions, nullptr, argp.data(), envp.data()) != 0) {
        pid_ = -1;
        status_ = 127;
    }
    posix_spawn_file_actions_destroy(&actions);
}

Started::~Started()
{
    stop();
    ::close(outFd_);
    ::close(errFd_);
}

bool Started::running()
{
    if (pid_ < 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_)
        return true;
    status_ = decoded(status);
    pid_ = -1;
    return false;
}

Ran Started::finish()
{
    if (pid_ >= 0) {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        status_ = decoded(status);
        pid_ = -1;
    }
    return {status_, readBack(outFd_), readBack(errFd_)};
}

Ran Started::stop()
{
    if (pid_ >= 0)
        ::kill(pid_, SIGKILL);
    return finish();
}

Ran runCommand(const std::vector<std::string>& argv, const EnvChanges& env,
               const std::filesystem::path& workDir)
{
    return Started(argv, env, workDir).finish();
}

} // namespace tessaline
