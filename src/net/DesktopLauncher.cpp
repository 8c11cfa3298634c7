#include "net/DesktopLauncher.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {

LaunchResult LaunchDesktopProgram(const std::vector<std::string>& argv, int judgeMs) {
    if (argv.empty()) return LaunchResult::Failed;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // A close-on-exec pipe tells a failed exec (its errno comes through) from a started program.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return LaunchResult::Failed;
    pid_t pid = ::fork();
    if (pid < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return LaunchResult::Failed;
    }
    if (pid == 0) {
        ::setsid();
        int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execvp(args[0], args.data());
        int err = errno;
        (void)!::write(report[1], &err, sizeof err);
        ::_exit(127);
    }
    ::close(report[1]);
    int err = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &err, sizeof err);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof err)) {
        ::waitpid(pid, nullptr, 0);
        return err == ENOENT ? LaunchResult::NotFound : LaunchResult::Failed;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(judgeMs);
    for (;;) {
        int status = 0;
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? LaunchResult::Started : LaunchResult::Failed;
        if (done < 0 && errno != EINTR) return LaunchResult::Failed;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return LaunchResult::Started;
}

}  // namespace sv
