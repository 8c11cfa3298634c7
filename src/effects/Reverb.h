#pragma once
// Reverb: one delay line of L = frames(time) * channels samples (at least 128) read by four taps
// at 0.7413, 0.5581, 0.3823 and 0.211 of its length and fed back at the write position:
// y = x + sum of (buf[r] * g) >> 9 over the taps, with g = 0.4, 0.1, 0.3, 0.07 and 0.13 times
// G = level * 512 / 100; buf[w] = y; every index advances modulo L.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <array>
#include <vector>

namespace sv {

class LReverbFilter : public LFilter {
public:
    LReverbFilter(Ref<LAudioReader> input, int levelPercent, int timeMs);
    std::size_t BufferLength() const { return buf_.size(); }
    // The four read positions at the start, in buffer samples.
    std::array<std::size_t, 4> StartTaps() const;

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    std::vector<std::int32_t> buf_;
    std::array<std::size_t, 4> read_{};
    std::size_t write_ = 0;
    std::array<std::int32_t, 5> g_{};  // four taps, then the feedback
};

class LReverbEffect final : public LEffectDescriptor {
public:
    // Brought into the dialog's ranges: level 0 to 100, time 50 to 1,000 ms.
    LReverbEffect(int levelPercent, int timeMs);
    std::string GetName() const override { return "Résonnance"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    int Level() const { return level_; }
    int TimeMs() const { return time_; }

private:
    int level_;
    int time_;
};

}  // namespace sv
