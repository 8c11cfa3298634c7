#include "formats/BinaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {

bool BinaryFile::Open(const std::string& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::ReadExisting: flags |= O_RDONLY; break;
    case Mode::ReadWriteExisting: flags |= O_RDWR; break;
    case Mode::ReadWriteCreate: flags |= O_RDWR | O_CREAT; break;
    case Mode::CreateAlways: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // A folder or a device is not a sound file; reading one would fail or block later.
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    fd_.Reset(fd);
    return true;
}

long BinaryFile::Read(void* dst, std::size_t len) { return fd_.valid() ? ReadFull(fd_.get(), dst, len) : -1; }

long BinaryFile::ReadAt(std::int64_t offset, void* dst, std::size_t len) {
    if (!fd_.valid() || offset < 0) return -1;
    char* p = static_cast<char*>(dst);
    std::size_t got = 0;
    while (got < len) {
        ssize_t n = ::pread(fd_.get(), p + got, len - got, static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
        if (n < 0) {
            if (errno == EINTR) continue;
            return got > 0 ? static_cast<long>(got) : -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool BinaryFile::Write(const void* src, std::size_t len) { return fd_.valid() && WriteAll(fd_.get(), src, len); }

bool BinaryFile::Seek(std::int64_t offset) {
    return fd_.valid() && offset >= 0 && ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool BinaryFile::Skip(std::int64_t bytes) {
    std::int64_t here = Tell();
    return here >= 0 && Seek(here + bytes);
}

std::int64_t BinaryFile::Tell() const {
    return fd_.valid() ? static_cast<std::int64_t>(::lseek(fd_.get(), 0, SEEK_CUR)) : -1;
}

std::int64_t BinaryFile::Size() const {
    struct stat st {};
    if (!fd_.valid() || ::fstat(fd_.get(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool BinaryFile::Truncate(std::int64_t size) {
    return fd_.valid() && size >= 0 && ::ftruncate(fd_.get(), static_cast<off_t>(size)) == 0;
}

}  // namespace sv

namespace sv {

bool BinaryFile::TryLockExclusive() { return fd_.valid() && ::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0; }

}  // namespace sv
