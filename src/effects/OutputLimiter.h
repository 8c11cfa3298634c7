#pragma once
// LOutputLimiter: a look-ahead peak limiter that keeps every sample within a ceiling (16-bit
// full scale for the save path and the player). It sees kLookAhead frames ahead, so the gain
// glides down before a peak instead of clipping it, and recovers over about 50 ms after it.
// Material that never exceeds the ceiling passes bit for bit.
#include "effects/Filter.h"

#include <cstdint>
#include <vector>

namespace sv {

class LOutputLimiter : public LFilter {
public:
    static constexpr std::int32_t kLookAhead = 64;

    LOutputLimiter(Ref<LAudioReader> input, std::int32_t ceiling = kFullScale16);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;

private:
    void Refill();

    std::int32_t ceiling_;
    std::int32_t position_ = 0;
    double gain_ = 1.0;
    double release_ = 0.0;         // share of the distance to unity recovered per frame
    std::vector<std::int32_t> buffer_;  // the look-ahead frames, then the frames being read
    std::vector<double> need_;      // per frame of buffer_: the gain its peak requires
    std::vector<std::size_t> nextLoud_;
};

}  // namespace sv
