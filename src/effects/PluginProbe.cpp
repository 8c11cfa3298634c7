#include "effects/PluginProbe.h"

#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace sv {

std::optional<std::string> ProbeInChild(const std::function<std::optional<std::string>()>& work, int timeoutMs,
                                        std::string* why) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        if (why) *why = std::string("pipe: ") + std::strerror(errno);
        return std::nullopt;
    }
    UniqueFd readEnd(fds[0]), writeEnd(fds[1]);
    const pid_t pid = fork();
    if (pid < 0) {
        if (why) *why = std::string("fork: ") + std::strerror(errno);
        return std::nullopt;
    }
    if (pid == 0) {
        readEnd.Reset();
        // What a failing plug-in prints on its way down is no message for the user.
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        std::optional<std::string> text = work();
        // A leading marker tells a result from a child that died before writing anything.
        if (text) {
            const std::string report = "+" + *text;
            WriteAll(writeEnd.get(), report.data(), report.size());
        }
        _exit(text ? 0 : 1);
    }
    writeEnd.Reset();

    std::string out;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{readEnd.get(), POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
            timedOut = r == 0;
            break;
        }
        char buf[4096];
        const ssize_t n = read(readEnd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    if (timedOut) kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (timedOut) {
        if (why) *why = "ne répond plus";
        return std::nullopt;
    }
    if (WIFSIGNALED(status)) {
        if (why) *why = std::string("a planté (") + strsignal(WTERMSIG(status)) + ")";
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || out.empty() || out[0] != '+') {
        if (why) *why = "refusé";
        return std::nullopt;
    }
    return out.substr(1);
}

}  // namespace sv
