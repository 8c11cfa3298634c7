#pragma once
// The recorder's DC removal: per channel y = x - (acc >> 12), acc += y * k with
// k = 192000 / rate + 1, a one-pole high-pass whose corner stays near 7.5 Hz at every rate.
#include <array>
#include <cstdint>

namespace sv {

class DcRemover {
public:
    static constexpr int kMaxChannels = 8;

    void Reset(std::int32_t sampleRate, int channels);
    // Filters frames interleaved frames in place.
    void Process(std::int32_t* samples, std::int32_t frames);
    std::int32_t Coefficient() const { return k_; }

private:
    std::int32_t k_ = 1;
    int channels_ = 1;
    // 64 bits: at full-scale offset the accumulator reaches 2^31 and a transient would pass it.
    std::array<std::int64_t, kMaxChannels> acc_{};
};

// The recorder's level byte of one channel: the peak P (the larger of the maximum and the
// negated minimum) as 20 log10(P / 131072) rounded away from zero at the half, -127..127; -127
// for silence. 0 dB is a 16-bit peak of 8192, full scale reads about +12.
std::int8_t PeakLevel(const std::int32_t* samples, std::int32_t frames, int channels, int channel);

}  // namespace sv
