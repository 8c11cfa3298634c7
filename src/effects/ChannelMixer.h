#pragma once
// LChannelMixer: a filter whose output is always stereo. Each output channel has a row of
// decibel bytes, one per input channel (entries beyond the given ones are silent); an output
// sample is the sum over input channels of input * amplitude[entry], each product a 24-bit
// fixed-point multiplication. It reports a full-scale value of 2,097,152.
#include "effects/Filter.h"

#include <array>
#include <vector>

namespace sv {

constexpr std::int32_t kMixerFullScale = 2097152;

class LChannelMixer : public LFilter {
public:
    static constexpr int kMaxInputs = 8;
    using Row = std::vector<std::int8_t>;

    LChannelMixer(Ref<LAudioReader> input, const Row& leftRow, const Row& rightRow);
    void Read(std::int32_t* dst, std::int32_t frames) override;

private:
    std::array<std::array<std::int32_t, kMaxInputs>, 2> factors_{};
    std::vector<std::int32_t> buffer_;
};

}  // namespace sv
