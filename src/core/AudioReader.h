#pragma once
// LAudioReader: the counted source of internal samples that every file reader, block reader
// and effect filter implements.
//
// Contract, for every reader:
// - Samples are signed 32-bit internal samples (a 16-bit value s is held as s * 16; full scale
//   is the reader's fullScale field), frames interleaved by channel, channel 0 first.
// - Read(dst, n) asks for n frames, 0 <= n <= kMaxFramesPerCall, and always fills all n: a
//   position before 0 or at or past the end delivers zeros. The position then advances by n.
//   Reads never fail; a reader that could not be made carries an error code instead.
// - Seek(p) accepts any p, negative or past the end.
// - A reader is used by one thread at a time (the window thread, or the player's filler thread
//   once it has been handed over); its reference count may be released from any thread.
// - Error codes: 0 none, 1 nothing to play, 2 failed input, 3 corrupt, 4 cannot open,
//   5 codec missing.
#include "core/RefCounted.h"

#include <cstdint>

namespace sv {

constexpr std::int32_t kMaxFramesPerCall = 8192;
constexpr std::int32_t kFullScale16 = 0x7FFF0;  // 524,272
// The most negative 16-bit value, -32768 * 16: two's complement reaches one step further down.
constexpr std::int32_t kLowest16 = -0x80000;  // -524,288

enum ReaderError : std::uint8_t {
    kReaderOk = 0,
    kReaderNothingToPlay = 1,
    kReaderInputFailed = 2,
    kReaderCorrupt = 3,
    kReaderCannotOpen = 4,
    kReaderCodecMissing = 5,
};

class LAudioReader : public RefCounted {
public:
    virtual void Read(std::int32_t* dst, std::int32_t frames) = 0;
    virtual std::int32_t Position() const = 0;
    virtual std::int32_t Length() const = 0;
    virtual void Seek(std::int32_t position) = 0;

    std::int32_t sampleRate = 44100;
    std::int32_t fullScale = kFullScale16;
    std::uint8_t channels = 1;
    std::uint8_t errorCode = kReaderOk;
};

// Handed back instead of nothing when a reader cannot be made: silent, empty, and carrying the
// error code of the failure.
class LErrorReader : public LAudioReader {
public:
    explicit LErrorReader(std::uint8_t code);
    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return 0; }
    void Seek(std::int32_t position) override { position_ = position; }

private:
    std::int32_t position_ = 0;
};

}  // namespace sv
