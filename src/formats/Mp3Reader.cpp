#include "formats/Mp3Reader.h"

#include "formats/BigEndian.h"
#include "platform/UniqueFd.h"

#include <mpg123.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {

namespace {

constexpr std::size_t kProbeBytes = 256 * 1024;
constexpr std::size_t kTailBytes = 128 + 32;

struct FrameHeader {
    int version = 0;  // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
    int bitrate = 0;  // kbit/s
    int sampleRate = 0;
    int padding = 0;
    bool mono = false;
    int length = 0;   // bytes
};

bool ParseHeader(const std::uint8_t* p, FrameHeader& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    static const int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    static const int kBitrates1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int kBitrates2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    int versionBits = (p[1] >> 3) & 3;
    int layerBits = (p[1] >> 1) & 3;
    int bitrateIndex = (p[2] >> 4) & 15;
    int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    int row = h.version == 1 ? 0 : h.version == 2 ? 1 : 2;
    h.sampleRate = kRates[row][rateIndex];
    h.bitrate = h.version == 1 ? kBitrates1[bitrateIndex] : kBitrates2[bitrateIndex];
    h.padding = (p[2] >> 1) & 1;
    h.mono = ((p[3] >> 6) & 3) == 3;
    int factor = h.version == 1 ? 144 : 72;
    h.length = factor * h.bitrate * 1000 / h.sampleRate + h.padding;
    return h.length > 4;
}

}  // namespace

std::int64_t Id3v2TagBytes(const std::uint8_t* head, std::size_t size) {
    // "ID3", version (major below 0xFF), flags, then a synchsafe size: 4 x 7 bits.
    if (size < 10 || std::memcmp(head, "ID3", 3) != 0 || head[3] == 0xFF || head[4] == 0xFF) return 0;
    if ((head[6] | head[7] | head[8] | head[9]) & 0x80) return 0;
    std::int64_t len = (std::int64_t(head[6]) << 21) | (std::int64_t(head[7]) << 14) | (std::int64_t(head[8]) << 7) |
                       std::int64_t(head[9]);
    const bool footer = head[3] >= 4 && (head[5] & 0x10);
    return 10 + len + (footer ? 10 : 0);
}

std::int64_t TrailingTagBytes(const std::uint8_t* tail, std::size_t size, std::int64_t room) {
    std::int64_t bytes = 0;
    if (size >= 128 && room >= 128 && std::memcmp(tail + size - 128, "TAG", 3) == 0) bytes = 128;
    // An APEv2 tag ends with a 32-byte footer: "APETAGEX", version, size (items and footer),
    // item count, flags (bit 31: a 32-byte header precedes the items).
    if (size >= static_cast<std::size_t>(bytes) + 32) {
        const std::uint8_t* footer = tail + size - bytes - 32;
        if (std::memcmp(footer, "APETAGEX", 8) == 0) {
            const std::uint32_t tagSize = footer[12] | (footer[13] << 8) | (footer[14] << 16) | (std::uint32_t(footer[15]) << 24);
            const std::uint32_t flags = footer[20] | (footer[21] << 8) | (footer[22] << 16) | (std::uint32_t(footer[23]) << 24);
            const std::int64_t ape = std::int64_t(tagSize) + ((flags & 0x80000000u) ? 32 : 0);
            if (tagSize >= 32 && bytes + ape <= room) bytes += ape;
        }
    }
    return bytes;
}

namespace {

// The ID3v2 tags at the start of bytes (one after another, as some taggers leave them).
std::int64_t LeadingTagBytes(const std::uint8_t* bytes, std::size_t size) {
    std::int64_t at = 0;
    for (int tags = 0; tags < 16 && at >= 0 && static_cast<std::uint64_t>(at) < size; ++tags) {
        std::int64_t n = Id3v2TagBytes(bytes + at, size - static_cast<std::size_t>(at));
        if (n == 0) break;
        at += n;
    }
    return at;
}

}  // namespace

bool ExamineMp3(const std::uint8_t* bytes, std::size_t size, std::int64_t fileSize, Mp3Layout& layout) {
    layout = Mp3Layout();
    const bool whole = size >= static_cast<std::size_t>(std::max<std::int64_t>(fileSize, 0));
    const std::int64_t start = LeadingTagBytes(bytes, size);
    std::int64_t end = fileSize;
    // Tags at the end are known only when the end is at hand; otherwise the caller passes the
    // end of the audio as fileSize.
    if (whole) end -= TrailingTagBytes(bytes, static_cast<std::size_t>(fileSize), fileSize - std::min(start, fileSize));
    if (start >= static_cast<std::int64_t>(size) || start >= end) return false;
    return ExamineMp3Region(bytes + start, size - static_cast<std::size_t>(start), start, end, layout);
}

bool ExamineMp3Region(const std::uint8_t* bytes, std::size_t size, std::int64_t offset, std::int64_t end,
                      Mp3Layout& layout) {
    layout = Mp3Layout();
    // Offsets below are within bytes; end becomes one too.
    end -= offset;
    std::int64_t pos = 0;
    FrameHeader first;
    // The first header whose successor is also a header (or that ends the data), so that a
    // stray sync pattern in junk is not taken for audio.
    for (;; ++pos) {
        if (pos + 4 > static_cast<std::int64_t>(size) || pos + 4 > end) return false;
        if (!ParseHeader(bytes + pos, first)) continue;
        std::int64_t next = pos + first.length;
        FrameHeader h2;
        if (next + 4 <= static_cast<std::int64_t>(size) && next + 4 <= end) {
            if (ParseHeader(bytes + next, h2) && h2.sampleRate == first.sampleRate) break;
            continue;
        }
        if (next <= end) break;
    }
    layout.dataStart = offset + pos;
    layout.dataEnd = offset + end;
    layout.sampleRate = first.sampleRate;
    layout.channels = first.mono ? 1 : 2;
    layout.samplesPerFrame = first.version == 1 ? 1152 : 576;

    // A Xing/Info tag sits after the side information; a VBRI tag 32 bytes after the header.
    const int side = first.version == 1 ? (first.mono ? 17 : 32) : (first.mono ? 9 : 17);
    const std::uint8_t* f = bytes + pos;
    const std::int64_t avail = std::min<std::int64_t>(static_cast<std::int64_t>(size) - pos, first.length);
    if (avail >= 4 + side + 12 && (std::memcmp(f + 4 + side, "Xing", 4) == 0 || std::memcmp(f + 4 + side, "Info", 4) == 0)) {
        std::uint32_t flags = GetBe32(f + 4 + side + 4);
        if (flags & 1) {
            layout.frames = std::int64_t(GetBe32(f + 4 + side + 8)) * layout.samplesPerFrame;
            layout.counted = true;
            return true;
        }
    }
    if (avail >= 4 + 32 + 18 && std::memcmp(f + 36, "VBRI", 4) == 0) {
        bool sideZero = std::all_of(f + 4, f + 36, [](std::uint8_t b) { return b == 0; });
        if (sideZero) {
            layout.frames = std::int64_t(GetBe32(f + 36 + 14)) * layout.samplesPerFrame;
            layout.counted = true;
            return true;
        }
    }
    // Estimate from the average frame size of the first 8 frames (fewer when there are fewer).
    std::int64_t at = pos, bytesSeen = 0;
    int seen = 0;
    FrameHeader h;
    while (seen < 8 && at + 4 <= static_cast<std::int64_t>(size) && at + 4 <= end && ParseHeader(bytes + at, h)) {
        bytesSeen += h.length;
        at += h.length;
        ++seen;
    }
    if (seen == 0) seen = 1, bytesSeen = first.length;
    const double average = static_cast<double>(bytesSeen) / seen;
    layout.frames = static_cast<std::int64_t>(static_cast<double>(end - pos) / average + 0.5) * layout.samplesPerFrame;
    return true;
}

namespace {

// The audio data region of the file as libmpg123 sees it: offset 0 is the first frame, reads
// stop before the tags at the end.
struct Source {
    UniqueFd fd;
    std::int64_t start = 0;
    std::int64_t end = 0;
};

mpg123_ssize_t SourceRead(void* handle, void* buf, size_t count) {
    auto* src = static_cast<Source*>(handle);
    off_t at = ::lseek(src->fd.get(), 0, SEEK_CUR);
    if (at < 0) return -1;
    std::int64_t left = src->end - at;
    if (left <= 0) return 0;
    count = static_cast<size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), left));
    return ::read(src->fd.get(), buf, count);
}

off_t SourceSeek(void* handle, off_t offset, int whence) {
    auto* src = static_cast<Source*>(handle);
    off_t at;
    if (whence == SEEK_END) at = ::lseek(src->fd.get(), static_cast<off_t>(src->end) + offset, SEEK_SET);
    else if (whence == SEEK_SET) at = ::lseek(src->fd.get(), static_cast<off_t>(src->start) + offset, SEEK_SET);
    else at = ::lseek(src->fd.get(), offset, whence);
    return at < 0 ? at : at - static_cast<off_t>(src->start);
}

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

class LMp3Reader : public LAudioReader {
public:
    LMp3Reader(const std::string& path) { Open(path); }
    ~LMp3Reader() override {
        if (handle_) {
            mpg123_close(handle_);
            mpg123_delete(handle_);
        }
    }

    void Read(std::int32_t* dst, std::int32_t n) override {
        if (n <= 0) return;
        const std::size_t ch = channels;
        if (position_ < 0) {
            std::int32_t z = position_ < -n ? n : -position_;
            std::memset(dst, 0, static_cast<std::size_t>(z) * ch * 4);
            position_ += z;
            n -= z;
            dst += static_cast<std::size_t>(z) * ch;
        }
        std::int32_t got = 0;
        if (handle_ && !ended_ && n > 0) {
            pcm_.resize(static_cast<std::size_t>(n) * ch);
            std::size_t want = pcm_.size() * sizeof(std::int16_t), have = 0;
            while (have < want) {
                size_t done = 0;
                int rc = mpg123_read(handle_, reinterpret_cast<unsigned char*>(pcm_.data()) + have, want - have, &done);
                have += done;
                if (rc == MPG123_DONE || (rc != MPG123_OK && rc != MPG123_NEW_FORMAT && done == 0)) {
                    ended_ = true;
                    break;
                }
            }
            got = static_cast<std::int32_t>(have / (sizeof(std::int16_t) * ch));
            for (std::size_t k = 0; k < static_cast<std::size_t>(got) * ch; ++k) dst[k] = pcm_[k] * 16;
        }
        if (got < n) std::memset(dst + static_cast<std::size_t>(got) * ch, 0, static_cast<std::size_t>(n - got) * ch * 4);
        position_ = position_ > INT_MAX - n ? INT_MAX : position_ + n;
    }

    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return length_; }

    void Seek(std::int32_t p) override {
        position_ = p;
        if (!handle_) return;
        off_t at = mpg123_seek(handle_, std::max<std::int32_t>(p, 0), SEEK_SET);
        ended_ = at < 0 || p >= length_;
    }

private:
    void Open(const std::string& path) {
        InitLibrary();
        // Non-blocking at first, so that a FIFO or device named ".mp3" is refused rather than
        // waited on.
        source_.fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        struct stat st {};
        if (!source_.fd.valid() || ::fstat(source_.fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            ::fcntl(source_.fd.get(), F_SETFL, 0) != 0) {
            errorCode = kReaderCannotOpen;
            return;
        }
        const std::int64_t size = st.st_size;
        // The audio lies between the ID3v2 tags at the start (cover art can make them several
        // MiB) and the APEv2 and ID3v1 tags at the end; the frame search starts after the former.
        std::int64_t start = 0;
        for (int tags = 0; tags < 16; ++tags) {
            std::uint8_t head[10];
            if (start + 10 > size || ::pread(source_.fd.get(), head, 10, start) != 10) break;
            std::int64_t n = Id3v2TagBytes(head, 10);
            if (n == 0) break;
            start += n;
        }
        std::uint8_t tail[kTailBytes];
        const std::int64_t tailSize = std::min<std::int64_t>(size, kTailBytes);
        std::int64_t end = size;
        if (tailSize > 0 && ::pread(source_.fd.get(), tail, static_cast<std::size_t>(tailSize), size - tailSize) == tailSize)
            end -= TrailingTagBytes(tail, static_cast<std::size_t>(tailSize), size - std::min(start, size));
        std::vector<std::uint8_t> probe;
        if (start < end) probe.resize(static_cast<std::size_t>(std::min<std::int64_t>(end - start, kProbeBytes)));
        long n = probe.empty() ? 0 : ::pread(source_.fd.get(), probe.data(), probe.size(), start);
        if (n < 0) {
            errorCode = kReaderCannotOpen;
            return;
        }
        probe.resize(static_cast<std::size_t>(n));
        Mp3Layout layout;
        bool ok = !probe.empty() && ExamineMp3Region(probe.data(), probe.size(), start, end, layout);
        if (!ok || layout.sampleRate <= 0) {
            errorCode = kReaderCorrupt;
            sampleRate = 44100;
            return;
        }
        sampleRate = layout.sampleRate;
        channels = layout.channels;
        length_ = static_cast<std::int32_t>(std::min<std::int64_t>(layout.frames, INT_MAX));
        source_.start = layout.dataStart;
        source_.end = layout.dataEnd;
        if (::lseek(source_.fd.get(), layout.dataStart, SEEK_SET) < 0) {
            errorCode = kReaderCannotOpen;
            return;
        }

        int err = MPG123_OK;
        handle_ = mpg123_new(nullptr, &err);
        if (!handle_) {
            errorCode = kReaderCorrupt;
            return;
        }
        mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.);
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0.);
        mpg123_format_none(handle_);
        mpg123_format(handle_, sampleRate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (mpg123_replace_reader_handle(handle_, SourceRead, SourceSeek, nullptr) != MPG123_OK ||
            mpg123_open_handle(handle_, &source_) != MPG123_OK) {
            errorCode = kReaderCorrupt;
            mpg123_delete(handle_);
            handle_ = nullptr;
        }
    }

    Source source_;
    mpg123_handle* handle_ = nullptr;
    std::int32_t position_ = 0;
    std::int32_t length_ = 0;
    bool ended_ = false;
    std::vector<std::int16_t> pcm_;
};

}  // namespace

Ref<LAudioReader> OpenMp3Reader(const std::string& path) { return Ref<LAudioReader>(new LMp3Reader(path)); }

}  // namespace sv
