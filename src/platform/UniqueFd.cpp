#include "platform/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

bool UniqueFd::Reset(int fd) {
    bool ok = true;
    if (fd_ >= 0) ok = ::close(fd_) == 0;
    fd_ = fd;
    return ok;
}

UniqueFd UniqueFd::CreateExclusive(const std::string& path, int* err) {
    // Truncated only once the lock is won: a file another holder reads or writes keeps its bytes.
    // An empty file is left alone, since truncating it makes ext4 flush the whole new content
    // to disk when the file is closed (its guard for files replaced by truncation).
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (err) *err = errno;
        return UniqueFd();
    }
    UniqueFd owned(fd);
    struct stat st {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || (S_ISREG(st.st_mode) && st.st_size > 0 && ::ftruncate(fd, 0) != 0)) {
        if (err) *err = errno;
        return UniqueFd();
    }
    return owned;
}

UniqueFd UniqueFd::OpenSharedRead(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return UniqueFd();
    UniqueFd owned(fd);
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) return UniqueFd();
    return owned;
}

bool WriteAll(int fd, const void* data, std::size_t len) {
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        ssize_t n = ::write(fd, p, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

long ReadFull(int fd, void* data, std::size_t len) {
    char* p = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < len) {
        ssize_t n = ::read(fd, p + got, len - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return got > 0 ? static_cast<long>(got) : -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

}  // namespace sv
