#pragma once
// Buffered little-endian reading and writing of the program's own binary files (bookmark
// companions, projects), and their string form: a length byte below 255, or 255 and a 32-bit
// length, then UTF-8 bytes. The reader knows how many bytes are left, so no stored length can
// make it allocate or seek beyond the end of the file.
#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

// Longest text a name, title or path keeps in memory.
constexpr std::size_t kMaxStoredChars = 259;

class ByteSink {
public:
    explicit ByteSink(int fd) : fd_(fd) { buffer_.reserve(kBufferBytes); }
    void Put(const void* data, std::size_t len);
    void U8(std::uint8_t v) { Put(&v, 1); }
    void I32(std::int32_t v);
    void Text(const std::string& text);
    // Little-endian 32-bit samples.
    void Samples(const std::int32_t* samples, std::size_t count);
    // Writes what is buffered; false once any write failed.
    bool Flush();
    bool Ok() const { return ok_; }
    std::uint64_t Written() const { return written_; }

private:
    static constexpr std::size_t kBufferBytes = 1 << 17;
    int fd_;
    std::vector<char> buffer_;
    bool ok_ = true;
    std::uint64_t written_ = 0;
};

class ByteSource {
public:
    // Reads fd from its current position to size (the file's size).
    ByteSource(int fd, std::uint64_t size) : fd_(fd), left_(size) {}
    // False, with nothing consumed past the end, when fewer than len bytes are left.
    bool Get(void* data, std::size_t len);
    bool U8(std::uint8_t& v) { return Get(&v, 1); }
    bool I32(std::int32_t& v);
    // A stored string: at most 519 bytes are kept and cut to kMaxStoredChars on a character
    // boundary; the rest is skipped. False when the string runs past the end.
    bool Text(std::string& text);
    // A zero-terminated fixed field of size bytes, cut as Text is.
    bool FixedText(std::string& text, std::size_t size);
    bool Skip(std::uint64_t len);
    bool Samples(std::int32_t* samples, std::size_t count);
    std::uint64_t Left() const { return left_ + (end_ - pos_); }
    std::uint64_t Consumed() const { return consumed_; }

private:
    bool Fill();
    int fd_;
    std::uint64_t left_;  // bytes not yet read from the file
    std::vector<char> buffer_ = std::vector<char>(1 << 17);
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t consumed_ = 0;
};

// text cut to at most max bytes without splitting a UTF-8 character.
std::string CutText(const std::string& text, std::size_t max = kMaxStoredChars);

// A fresh private file beside path (same folder) for a save that replaces path only once it is
// complete; empty when none could be made. fd receives the open descriptor.
std::string CreateSiblingTemp(const std::string& path, UniqueFd& fd);
// Waits up to 1,000 ms while another process holds path locked; false if it still does.
bool WaitUntilUnlocked(const std::string& path);

}  // namespace sv
