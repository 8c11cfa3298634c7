#pragma once
// Owns a POSIX file descriptor; closing happens when the owner goes.
#include <string>
#include <utility>

namespace sv {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.fd_, -1));
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the descriptor; false when close reported a failure (a late write error).
    bool Reset(int fd = -1);

    // An exclusive file: locked so that nobody can open it for reading while it is written
    // ("not shared"), then emptied; a file that someone else holds fails and keeps its bytes.
    static UniqueFd CreateExclusive(const std::string& path, int* err);
    // Shared reading of an existing file; fails while a writer holds it exclusively.
    static UniqueFd OpenSharedRead(const std::string& path);

private:
    int fd_ = -1;
};

// Writes all of len bytes, retrying short writes; false with errno set on failure.
bool WriteAll(int fd, const void* data, std::size_t len);
// Reads up to len bytes, retrying short reads until end of file; the count read, -1 on error.
long ReadFull(int fd, void* data, std::size_t len);

}  // namespace sv
