#include "platform/PrivateTempFile.h"

#include "platform/Paths.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace sv {

PrivateTempFile PrivateTempFile::Create(const std::string& stem, const std::string& suffix) {
    PrivateTempFile file;
    std::string pattern = JoinPath(TempFolder(), "sonvela-" + stem + "-XXXXXX" + suffix);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // mkstemps opens with O_EXCL and mode 0600: an existing name, or a link, is never reused.
    int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) return file;
    ::close(fd);
    file.path_ = name.data();
    return file;
}

PrivateTempFile::PrivateTempFile(PrivateTempFile&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

PrivateTempFile& PrivateTempFile::operator=(PrivateTempFile&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

PrivateTempFile::~PrivateTempFile() { Remove(); }

bool PrivateTempFile::Write(const std::string& bytes) const {
    if (path_.empty()) return false;
    int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return ::close(fd) == 0;
}

void PrivateTempFile::Remove() {
    if (path_.empty()) return;
    ::unlink(path_.c_str());
    path_.clear();
}

}  // namespace sv
