#include "platform/RunLock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

RunLock RunLock::Wait(const std::string& path) {
    RunLock lock;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.valid()) return lock;
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return lock;
    }
    lock.fd_ = std::move(fd);
    return lock;
}

RunLock RunLock::Adopt(const std::string& path) {
    RunLock lock;
    const char* text = std::getenv(kInheritVariable);
    if (!text || !*text) return lock;
    char* end = nullptr;
    long fd = std::strtol(text, &end, 10);
    ::unsetenv(kInheritVariable);
    if (*end != '\0' || fd < 3 || fd > 65535) return lock;
    struct stat held {}, named {};
    if (::fstat(static_cast<int>(fd), &held) != 0 || ::stat(path.c_str(), &named) != 0) return lock;
    if (held.st_ino != named.st_ino || held.st_dev != named.st_dev) return lock;
    // Same open file as the parent's: this succeeds only when the parent really held it.
    if (::flock(static_cast<int>(fd), LOCK_EX | LOCK_NB) != 0) return lock;
    ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    lock.fd_ = UniqueFd(static_cast<int>(fd));
    return lock;
}

}  // namespace sv
