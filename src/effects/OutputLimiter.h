#pragma once
// LOutputLimiter: a look-ahead peak limiter that keeps every sample within the range its target
// holds (by default what 16-bit output holds, -524,288 ... +524,272, for the save path and the
// player). It sees kLookAhead frames ahead, so the gain glides down before a peak instead of
// clipping it, and recovers over about 50 ms after it. Material that stays within the range
// passes bit for bit, and stretches without a sample outside it are copied as they are.
#include "effects/Filter.h"

#include <cstdint>
#include <vector>

namespace sv {

class LOutputLimiter : public LFilter {
public:
    static constexpr std::int32_t kLookAhead = 64;

    // ceiling: the highest sample kept; floor: the lowest (1 at least and -1 at most).
    LOutputLimiter(Ref<LAudioReader> input, std::int32_t ceiling = kFullScale16, std::int32_t floor = kLowest16);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;

private:
    void Refill();
    // The gain that brings the frame's loudest sample within the range (1.0 when it is within).
    double NeedOf(const std::int32_t* frame) const;

    std::int32_t ceiling_;
    std::int32_t floor_;
    std::int32_t position_ = 0;
    double gain_ = 1.0;
    double release_ = 0.0;         // share of the distance to unity recovered per frame
    std::vector<std::int32_t> buffer_;  // the look-ahead frames, then the frames being read
    std::vector<double> need_;      // per frame of buffer_: the gain its peak requires
    std::vector<std::size_t> nextLoud_;
    bool loudAhead_ = false;        // whether a frame of the look-ahead needs a gain below unity
};

}  // namespace sv
