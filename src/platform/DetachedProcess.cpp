#include "platform/DetachedProcess.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sv {

bool StartDetached(const std::vector<std::string>& argv, const DetachedOptions& options, int* err) {
    if (err) *err = 0;
    if (argv.empty()) {
        if (err) *err = EINVAL;
        return false;
    }
    // Everything exec needs is built before fork: the child of a threaded process may only make
    // async-signal-safe calls.
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envText;
    const std::string prefix = options.fdVariable + "=";
    for (char** e = environ; *e; ++e)
        if (options.fdVariable.empty() || std::strncmp(*e, prefix.c_str(), prefix.size()) != 0) envText.emplace_back(*e);
    if (options.keepFd >= 0 && !options.fdVariable.empty()) envText.push_back(prefix + std::to_string(options.keepFd));
    std::vector<char*> env;
    for (std::string& e : envText) env.push_back(e.data());
    env.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        if (err) *err = errno;
        return false;
    }
    UniqueFd readEnd(report[0]), writeEnd(report[1]);
    pid_t middle = ::fork();
    if (middle < 0) {
        if (err) *err = errno;
        return false;
    }
    if (middle == 0) {
        ::setsid();
        pid_t program = ::fork();
        if (program != 0) ::_exit(program < 0 ? 1 : 0);
        int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) ::dup2(null, 0);
        if (options.keepFd >= 0) ::fcntl(options.keepFd, F_SETFD, 0);
        ::execvpe(args[0], args.data(), env.data());
        int code = errno;
        ssize_t ignored = ::write(writeEnd.get(), &code, sizeof code);
        (void)ignored;
        ::_exit(127);
    }
    writeEnd.Reset();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    // The pipe closes at a successful exec; an errno arrives when exec failed.
    int code = 0;
    long got = ReadFull(readEnd.get(), &code, sizeof code);
    if (got == static_cast<long>(sizeof code)) {
        if (err) *err = code;
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (err) *err = EAGAIN;
        return false;
    }
    return true;
}

std::string OwnExecutablePath() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

}  // namespace sv
