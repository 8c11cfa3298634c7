#include "platform/LockFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

LockFile& LockFile::operator=(LockFile&& o) noexcept {
    if (this != &o) {
        Release();
        path_ = std::move(o.path_);
        fd_ = std::move(o.fd_);
    }
    return *this;
}

LockFile LockFile::Acquire(const std::string& path, bool* busy) {
    if (busy) *busy = false;
    // A releasing holder unlinks the file before closing it, so a lock won on a file that is no
    // longer the one at path reserves nothing: try again on the new file.
    for (int attempt = 0; attempt < 8; ++attempt) {
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (!fd.valid()) return LockFile();
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (busy) *busy = errno == EWOULDBLOCK;
            return LockFile();
        }
        struct stat held {}, named {};
        if (::fstat(fd.get(), &held) != 0) return LockFile();
        if (::stat(path.c_str(), &named) != 0 || named.st_ino != held.st_ino || named.st_dev != held.st_dev) continue;
        LockFile lock;
        lock.path_ = path;
        lock.fd_ = std::move(fd);
        return lock;
    }
    return LockFile();
}

void LockFile::Release() {
    if (!fd_.valid()) return;
    ::unlink(path_.c_str());
    fd_.Reset();
}

bool FileLockedElsewhere(const std::string& path) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return false;
    return ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

}  // namespace sv
