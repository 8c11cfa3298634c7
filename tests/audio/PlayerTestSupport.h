#pragma once
// Shared by the audio tests: readers with known samples and waiting while draining posts.
#include "core/AudioReader.h"
#include "core/Notifier.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace sv::test {

// Frame k of channel c holds ((k * channels + c) % 2000 - 1000) * 16 (a sawtooth).
class PatternReader : public LAudioReader {
public:
    PatternReader(std::int32_t length, std::int32_t rate, std::uint8_t ch, std::int32_t full = kFullScale16) : length_(length) {
        sampleRate = rate;
        channels = ch;
        fullScale = full;
    }
    static std::int32_t Sample(std::int64_t frame, int channel, int channels) {
        if (frame < 0) return 0;
        return static_cast<std::int32_t>(((frame * channels + channel) % 2000 - 1000) * 16);
    }
    void Read(std::int32_t* dst, std::int32_t frames) override {
        for (std::int32_t i = 0; i < frames; ++i, ++position_) {
            for (int c = 0; c < channels; ++c) {
                *dst++ = position_ >= 0 && position_ < length_ ? Sample(position_, c, channels) : 0;
            }
        }
    }
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return length_; }
    void Seek(std::int32_t p) override { position_ = p; }

private:
    std::int32_t length_;
    std::int32_t position_ = 0;
};

// Drains the notifier until pred holds; false after timeoutMs.
inline bool DrainUntil(ManualNotifier& notifier, const std::function<bool()>& pred, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        notifier.Drain();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace sv::test
