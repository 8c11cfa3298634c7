#include "effects/AutoGain.h"

#include "core/FixedPoint.h"
#include "effects/OnePole.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

LAutoGainFilter::LAutoGainFilter(Ref<LAudioReader> input, const AutoGainSettings& s)
    : LLookAheadFilter(input, WindowFrames(input ? input->sampleRate : 0, 20, 20, kMaxFramesPerCall)), s_(s) {
    aLow_ = OnePoleCoefficient(2200, sampleRate);
    aHigh_ = OnePoleCoefficient(450, sampleRate);
}

void LAutoGainFilter::ResetState() {
    low_.fill(0);
    high_.fill(0);
    fresh_ = true;
}

void LAutoGainFilter::Analyse(const std::int32_t* window, bool first) {
    if (first) fresh_ = true;
    out_ = next_;
    const int ch = std::min<int>(channels, static_cast<int>(low_.size()));
    double sum = 0;
    std::int64_t peak = 0;
    for (std::int32_t i = 0; i < Window(); ++i)
        for (int c = 0; c < channels; ++c) {
            const std::int64_t x = *window++;
            peak = std::max<std::int64_t>(peak, x < 0 ? -x : x);
            if (c >= ch) continue;
            std::int64_t& l = low_[static_cast<std::size_t>(c)];
            std::int64_t& h = high_[static_cast<std::size_t>(c)];
            l += aLow_ * (x - (l >> 8));
            const std::int64_t y = (l >> 8) - (h >> 8);
            h += aHigh_ * y;
            sum += static_cast<double>(y) * static_cast<double>(y);
        }
    const double full = kFullScale16;
    const double ms = sum / (static_cast<double>(Window()) * std::max(ch, 1));
    next_.levelDb = ms > 0 ? 10 * std::log10(ms / (full * full)) : -200;
    next_.peak = static_cast<double>(peak);
}

void LAutoGainFilter::BeginWindow() {
    const double full = kFullScale16;
    const double target = 2.0 * s_.targetStep, gate = 5.0 * s_.gateStep;
    const double range = std::max(0.0, target - gate);
    double goal = gainDb_;
    if (out_.levelDb >= gate) goal = std::clamp(target - out_.levelDb, -range, range);
    if (fresh_) {
        gainDb_ = out_.levelDb >= gate ? goal : 0;
    } else if (goal < gainDb_) {
        gainDb_ += (goal - gainDb_) / std::max(1, s_.attackBlocks);
    } else {
        const double blocksPerSecond = (sampleRate > 0 ? sampleRate : 44100) / static_cast<double>(Window());
        gainDb_ += (goal - gainDb_) / std::max(1.0, s_.releaseSeconds * blocksPerSecond);
    }
    const double peak = std::max(out_.peak, next_.peak);
    if (peak > 0) gainDb_ = std::min(gainDb_, 20 * std::log10(full / peak));
    const auto g = static_cast<std::int64_t>(std::min(std::pow(10.0, gainDb_ / 20) * 16777216.0, 2147483647.0));
    if (fresh_) gain_ = g;
    fresh_ = false;
    // Rounded down, so the ramp never ends above the gain the peaks allow.
    const std::int64_t d = g - gain_, w = Window();
    step_ = d >= 0 ? d / w : -((-d + w - 1) / w);
}

void LAutoGainFilter::Render(const std::int32_t* in, std::int32_t, std::int32_t* out, std::int32_t frames) {
    const int ch = channels;
    for (std::int32_t i = 0; i < frames; ++i) {
        const auto g = static_cast<std::int32_t>(std::clamp<std::int64_t>(gain_, 0, INT32_MAX));
        for (int c = 0; c < ch; ++c) *out++ = MulFixed24(*in++, g);
        gain_ += step_;
    }
}

Ref<LAudioReader> LAutoGainEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input || input->errorCode != kReaderOk) return input;
    return MakeRef<LAutoGainFilter>(input);
}

}  // namespace sv
