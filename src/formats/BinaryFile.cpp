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

bool BinaryFile::Settle() const {
    if (behindFailed_) return false;
    if (!behind_) return true;
    int err = 0;
    if (behind_->Drain(&err)) return true;
    behindFailed_ = true;
    errno = err;
    return false;
}

bool BinaryFile::Close() {
    bool ok = Settle();
    behind_.reset();
    // Space set aside past the end goes back even after a failed write.
    struct stat st {};
    if (preallocated_ && fd_.valid() && (::fstat(fd_.get(), &st) != 0 || ::ftruncate(fd_.get(), st.st_size) != 0))
        ok = false;
    preallocated_ = false;
    return fd_.Reset() && ok;
}

void BinaryFile::WriteBehindOn() {
    if (fd_.valid() && !behind_) behind_ = std::make_unique<WriteBehind>(fd_.get());
}

char* BinaryFile::WriteSpace(std::size_t len) {
    if (behind_ && !behindFailed_ && len <= WriteBehind::kPieceBytes) return behind_->Reserve(len);
    if (space_.size() < len) space_.resize(len);
    return space_.data();
}

long BinaryFile::Read(void* dst, std::size_t len) {
    return fd_.valid() && Settle() ? ReadFull(fd_.get(), dst, len) : -1;
}

long BinaryFile::ReadAt(std::int64_t offset, void* dst, std::size_t len) {
    if (!fd_.valid() || offset < 0 || !Settle()) return -1;
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

bool BinaryFile::Write(const void* src, std::size_t len) {
    if (!fd_.valid()) return false;
    if (!behind_) return WriteAll(fd_.get(), src, len);
    if (behindFailed_ || behind_->Failed()) return Settle();
    // Bytes made in WriteSpace already sit in the queue's piece: they only need counting.
    if (len <= WriteBehind::kPieceBytes && src == behind_->Reserve(len)) {
        behind_->Commit(len);
        return true;
    }
    return behind_->Append(src, len);
}

bool BinaryFile::Seek(std::int64_t offset) {
    return fd_.valid() && offset >= 0 && Settle() && ::lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool BinaryFile::Skip(std::int64_t bytes) {
    std::int64_t here = Tell();
    return here >= 0 && Seek(here + bytes);
}

std::int64_t BinaryFile::Tell() const {
    return fd_.valid() && Settle() ? static_cast<std::int64_t>(::lseek(fd_.get(), 0, SEEK_CUR)) : -1;
}

std::int64_t BinaryFile::Size() const {
    struct stat st {};
    if (!fd_.valid() || !Settle() || ::fstat(fd_.get(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool BinaryFile::Truncate(std::int64_t size) {
    return fd_.valid() && size >= 0 && Settle() && ::ftruncate(fd_.get(), static_cast<off_t>(size)) == 0;
}

}  // namespace sv

namespace sv {

bool BinaryFile::Preallocate(std::int64_t size) {
    if (!fd_.valid() || size <= 0 || !Settle()) return false;
    // A failure may still have set part of the space aside: Close gives it back either way.
    preallocated_ = true;
    return ::fallocate(fd_.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0;
}

bool BinaryFile::TryLockExclusive() { return fd_.valid() && Settle() && ::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0; }

}  // namespace sv
