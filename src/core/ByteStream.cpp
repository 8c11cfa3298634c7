#include "core/ByteStream.h"

#include "platform/LockFile.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sv {

namespace {

constexpr std::size_t kKeptStringBytes = 519;
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

std::uint32_t SwapIfBig(std::uint32_t v) { return kLittleEndian ? v : __builtin_bswap32(v); }

}  // namespace

void ByteSink::Put(const void* data, std::size_t len) {
    const char* p = static_cast<const char*>(data);
    while (len > 0) {
        std::size_t room = kBufferBytes - buffer_.size();
        if (room == 0) {
            Flush();
            room = kBufferBytes;
        }
        std::size_t n = std::min(room, len);
        buffer_.insert(buffer_.end(), p, p + n);
        p += n;
        len -= n;
        written_ += n;
    }
}

void ByteSink::I32(std::int32_t v) {
    std::uint8_t b[4];
    auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(u >> (8 * i));
    Put(b, 4);
}

void ByteSink::Text(const std::string& text) {
    if (text.size() < 255) {
        U8(static_cast<std::uint8_t>(text.size()));
    } else {
        U8(255);
        I32(static_cast<std::int32_t>(std::min<std::size_t>(text.size(), 0x7fffffff)));
    }
    Put(text.data(), std::min<std::size_t>(text.size(), 0x7fffffff));
}

void ByteSink::Samples(const std::int32_t* samples, std::size_t count) {
    if (kLittleEndian) {
        Put(samples, count * 4);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) I32(samples[i]);
}

bool ByteSink::Flush() {
    if (!buffer_.empty() && ok_) ok_ = WriteAll(fd_, buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok_;
}

bool ByteSource::Fill() {
    if (left_ == 0) return false;
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer_.size()));
    long got = ReadFull(fd_, buffer_.data(), want);
    if (got <= 0) {
        left_ = 0;  // a read error ends the file here
        return false;
    }
    pos_ = 0;
    end_ = static_cast<std::size_t>(got);
    left_ -= static_cast<std::uint64_t>(got);
    if (static_cast<std::size_t>(got) < want) left_ = 0;
    return true;
}

bool ByteSource::Get(void* data, std::size_t len) {
    if (len > Left()) return false;
    char* p = static_cast<char*>(data);
    while (len > 0) {
        if (pos_ == end_ && !Fill()) return false;
        std::size_t n = std::min(len, end_ - pos_);
        std::memcpy(p, buffer_.data() + pos_, n);
        pos_ += n;
        p += n;
        len -= n;
        consumed_ += n;
    }
    return true;
}

bool ByteSource::I32(std::int32_t& v) {
    std::uint8_t b[4];
    if (!Get(b, 4)) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    v = static_cast<std::int32_t>(u);
    return true;
}

bool ByteSource::Skip(std::uint64_t len) {
    if (len > Left()) return false;
    std::uint64_t inBuffer = std::min<std::uint64_t>(len, end_ - pos_);
    pos_ += static_cast<std::size_t>(inBuffer);
    consumed_ += inBuffer;
    len -= inBuffer;
    if (len == 0) return true;
    if (::lseek(fd_, static_cast<off_t>(len), SEEK_CUR) < 0) return false;
    left_ -= len;
    consumed_ += len;
    return true;
}

bool ByteSource::Text(std::string& text) {
    std::uint8_t shortLen = 0;
    if (!U8(shortLen)) return false;
    std::uint64_t len = shortLen;
    if (shortLen == 255) {
        std::int32_t longLen = 0;
        if (!I32(longLen)) return false;
        len = static_cast<std::uint32_t>(longLen);
    }
    if (len > Left()) return false;
    std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(len, kKeptStringBytes));
    std::string bytes(kept, '\0');
    if (!Get(bytes.data(), kept) || !Skip(len - kept)) return false;
    text = CutText(bytes);
    return true;
}

bool ByteSource::FixedText(std::string& text, std::size_t size) {
    std::string bytes(size, '\0');
    if (!Get(bytes.data(), size)) return false;
    bytes.resize(std::strlen(bytes.c_str()));
    text = CutText(bytes);
    return true;
}

bool ByteSource::Samples(std::int32_t* samples, std::size_t count) {
    if (!Get(samples, count * 4)) return false;
    if (!kLittleEndian)
        for (std::size_t i = 0; i < count; ++i)
            samples[i] = static_cast<std::int32_t>(SwapIfBig(static_cast<std::uint32_t>(samples[i])));
    return true;
}

std::string CutText(const std::string& text, std::size_t max) {
    if (text.size() <= max) return text;
    std::size_t n = max;
    // Back off continuation bytes so that no character is split.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return text.substr(0, n);
}

std::string CreateSiblingTemp(const std::string& path, UniqueFd& fd) {
    std::string name = path + ".XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    int raw = ::mkostemp(buf.data(), O_CLOEXEC);
    if (raw < 0) return std::string();
    fd = UniqueFd(raw);
    // mkstemp makes the file private; the finished file should look like any other save.
    struct stat st {};
    ::fchmod(raw, ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);
    return std::string(buf.data());
}

bool WaitUntilUnlocked(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (FileLockedElsewhere(path)) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace sv
