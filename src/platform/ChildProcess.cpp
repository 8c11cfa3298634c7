#include "platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sv {

ChildProcess::~ChildProcess() {
    if (Running()) Kill();
}

void ChildProcess::SetEnvironment(const std::string& name, const std::string& value) {
    const std::string prefix = name + "=";
    environment_.erase(std::remove_if(environment_.begin(), environment_.end(),
                                      [&](const std::string& e) { return e.compare(0, prefix.size(), prefix) == 0; }),
                       environment_.end());
    environment_.push_back(prefix + value);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& outputFile, int* err) {
    if (argv.empty() || Running()) {
        if (err) *err = EINVAL;
        return false;
    }
    if (!ProgramAvailable(argv[0])) {
        if (err) *err = ENOENT;
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (inputFd_ >= 0) posix_spawn_file_actions_adddup2(&actions, inputFd_, 0);
    else posix_spawn_file_actions_addopen(&actions, 0, inputFile_.empty() ? "/dev/null" : inputFile_.c_str(), O_RDONLY, 0);
    const char* out = outputFile.empty() ? "/dev/null" : outputFile.c_str();
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with default signal dispositions and its own process group, so that a
    // terminal's Ctrl+C reaches the editor, which then ends the child itself.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    // Without overrides the child shares this process's environment as it stands.
    std::vector<char*> env;
    if (!environment_.empty()) {
        // This process's environment, less the names overridden, then the overrides.
        for (char** e = environ; e && *e; ++e) {
            const char* eq = std::strchr(*e, '=');
            const std::size_t nameLength = eq ? static_cast<std::size_t>(eq - *e) + 1 : 0;
            const bool overridden = std::any_of(environment_.begin(), environment_.end(), [&](const std::string& o) {
                return o.compare(0, nameLength, *e, nameLength) == 0;
            });
            if (!overridden) env.push_back(*e);
        }
        for (std::string& o : environment_) env.push_back(o.data());
        env.push_back(nullptr);
    }
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), env.empty() ? environ : env.data());
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        if (err) *err = rc;
        return false;
    }
    pid_ = pid;
    ended_ = false;
    exitCode_ = -1;
    return true;
}

bool ChildProcess::StartWithInputPipe(const std::vector<std::string>& argv, int* writeEnd, const std::string& outputFile,
                                      int* err) {
    *writeEnd = -1;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        if (err) *err = errno;
        return false;
    }
    inputFd_ = fds[0];
    bool started = Start(argv, outputFile, err);
    inputFd_ = -1;
    ::close(fds[0]);
    if (!started) {
        ::close(fds[1]);
        return false;
    }
    *writeEnd = fds[1];
    return true;
}

bool ChildProcess::Wait(int timeoutMs) {
    if (pid_ <= 0) return true;
    if (ended_) return true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        int status = 0;
        pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            ended_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return true;
        }
        if (r < 0 && errno != EINTR) {
            ended_ = true;
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ChildProcess::Kill() {
    if (!Running()) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ended_ = true;
    exitCode_ = -1;
}

bool ProgramAvailable(const std::string& program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        std::size_t colon = list.find(':', start);
        std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir = ".";
        std::string full = dir + "/" + program;
        struct stat st {};
        if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(full.c_str(), X_OK) == 0) return true;
        if (colon == std::string::npos) return false;
        start = colon + 1;
    }
}

}  // namespace sv
