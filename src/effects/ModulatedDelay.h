#pragma once
// The phaser and the flanger: one feed-forward delay whose length swings sinusoidally,
// read with linear interpolation. D = time * rate / 1000 frames, swing S = D * depth / 100;
// per frame e = D + S sin(phi), phi += 2 pi mod / rate; with k = trunc(e), f = e - k, each
// channel stores x first, then outputs x + trunc(g (buf[w - k] (1 - f) + buf[w - k - 1] f)),
// g = gain / 100. The phaser is the flanger at 0 Hz and depth 0.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <vector>

namespace sv {

struct ModulatedDelayParams {
    int timeMs = 5;
    double modulationHz = 0.0;
    int depthPercent = 0;
    int gainPercent = 100;
};

class LModulatedDelayFilter : public LFilter {
public:
    LModulatedDelayFilter(Ref<LAudioReader> input, const ModulatedDelayParams& p);
    std::size_t BufferFrames() const { return frames_; }

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    std::int64_t delay_;
    std::int64_t swing_;
    std::size_t frames_;  // N = D + S + 2
    std::vector<std::int32_t> buf_;
    std::size_t write_ = 0;
    double gain_;
    double phase_ = 0.0;
    double step_;
};

class LPhaserEffect final : public LEffectDescriptor {
public:
    // Brought into the dialog's ranges: time 0 to 10 ms, gain 0 to 100.
    LPhaserEffect(int timeMs, int gainPercent);
    std::string GetName() const override { return "Retardateur de Phase"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    const ModulatedDelayParams& Params() const { return p_; }

private:
    ModulatedDelayParams p_;
};

class LFlangerEffect final : public LEffectDescriptor {
public:
    // Brought into the dialog's ranges: time 0 to 10 ms, modulation 0 to 5 Hz, depth and gain
    // 0 to 100.
    explicit LFlangerEffect(ModulatedDelayParams p);
    std::string GetName() const override { return "Flanger"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
    const ModulatedDelayParams& Params() const { return p_; }

private:
    ModulatedDelayParams p_;
};

}  // namespace sv
