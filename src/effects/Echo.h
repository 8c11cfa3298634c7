#pragma once
// Echo: a feedback comb. With buffer length L = frames(time) * channels (at least 20) and
// G = gain * 512 / 100, every sample x becomes y = x + ((buf[i] * G) >> 9), buf[i] = y, i advancing
// modulo L: the sound repeats every echo time, each repetition weaker by the gain.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <vector>

namespace sv {

class LEchoFilter : public LFilter {
public:
    // timeMs > 0, gain 0..99 (the descriptor clamps).
    LEchoFilter(Ref<LAudioReader> input, int timeMs, int gainPercent);
    std::size_t BufferLength() const { return buf_.size(); }

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    std::vector<std::int32_t> buf_;
    std::size_t index_ = 0;
    std::int32_t g_;
};

class LEchoEffect final : public LEffectDescriptor {
public:
    static constexpr int kMaxTimeMs = 2999;
    static constexpr int kMaxGain = 99;
    // Values that reach here without a dialog (batch scripts, settings edited by hand) are
    // brought into the dialog's ranges: time up to 2,999 ms, gain 0 to 99.
    LEchoEffect(int timeMs, int gainPercent);
    std::string GetName() const override { return "Echo"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    int TimeMs() const { return time_; }
    int Gain() const { return gain_; }

private:
    int time_;
    int gain_;
};

}  // namespace sv
