#include "effects/Chorus.h"

#include "effects/DelayLine.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

LChorusFilter::LChorusFilter(Ref<LAudioReader> input, const ModulatedDelayParams& p)
    : LFilter(std::move(input)),
      delay_(static_cast<std::int64_t>(std::clamp(p.timeMs, 0, 1000)) * std::max(sampleRate, 0) / 1000),
      swing_(delay_ * std::clamp(p.depthPercent, 0, 100) / 100),
      buf_(static_cast<std::size_t>(delay_ + swing_ + 2) * 2, 0),
      full_(p.gainPercent * 0.01),
      half_(full_ / 2),
      stepA_(sampleRate > 0 ? 1.5 * kPi * p.modulationHz / sampleRate : 0.0),
      stepB_(sampleRate > 0 ? 2.5 * kPi * p.modulationHz / sampleRate : 0.0) {}

void LChorusFilter::Process(std::int32_t* dst, std::int32_t frames) {
    if (channels != 1 && channels != 2) return;
    const std::size_t b = buf_.size();
    std::int32_t* buf = buf_.data();
    std::size_t w = write_;
    for (std::int32_t i = 0; i < frames; ++i) {
        const double e1 = static_cast<double>(delay_) + static_cast<double>(swing_) * std::sin(phaseA_);
        phaseA_ += stepA_;
        const double e2 = static_cast<double>(delay_) + static_cast<double>(swing_) * std::sin(phaseB_);
        phaseB_ += stepB_;
        const std::size_t k1 = static_cast<std::size_t>(e1), k2 = static_cast<std::size_t>(e2);
        const double f1 = e1 - static_cast<double>(k1), f2 = e2 - static_cast<double>(k2);
        // Each read position as w minus an offset below b, brought into [0, b) by one subtraction.
        auto back = [b, w](std::size_t offset) { return w >= offset ? w - offset : w + b - offset; };
        // (k <= D + S, so 2k + 2 < 2N.)
        std::size_t a1 = back(2 * k1), a2 = back(2 * k1 + 2);
        std::size_t b1 = back(2 * k2), b2 = back(2 * k2 + 2);
        // A mono frame feeds both voices' channels and gets back the mean of the two.
        std::int32_t* frame = dst + static_cast<std::size_t>(i) * channels;
        const std::int32_t in[2] = {frame[0], channels == 2 ? frame[1] : frame[0]};
        std::int32_t out[2];
        for (int c = 0; c < 2; ++c) {
            buf[w] = in[c];
            const double va = buf[a1] * (1.0 - f1) + buf[a2] * f1;
            const double vb = buf[b1] * (1.0 - f2) + buf[b2] * f2;
            const double ga = c == 0 ? full_ : half_, gb = c == 0 ? half_ : full_;
            out[c] = SaturateSample(static_cast<std::int64_t>(in[c]) + static_cast<std::int64_t>(std::trunc(ga * va)) +
                                    static_cast<std::int64_t>(std::trunc(gb * vb)));
            if (++a1 == b) a1 = 0;
            if (++a2 == b) a2 = 0;
            if (++b1 == b) b1 = 0;
            if (++b2 == b) b2 = 0;
            if (++w == b) w = 0;
        }
        if (channels == 2) {
            frame[0] = out[0];
            frame[1] = out[1];
        } else {
            frame[0] = SaturateSample((static_cast<std::int64_t>(out[0]) + out[1]) / 2);
        }
    }
    write_ = w;
}

void LChorusFilter::ResetState() {
    std::fill(buf_.begin(), buf_.end(), 0);
    write_ = 0;
    phaseA_ = phaseB_ = 0.0;
}

LChorusEffect::LChorusEffect(ModulatedDelayParams p) : p_(p) {
    p_.timeMs = std::clamp(p_.timeMs, 10, 100);
    p_.modulationHz = p_.modulationHz == p_.modulationHz ? std::clamp(p_.modulationHz, 0.0, 2.0) : 0.0;
    p_.depthPercent = std::clamp(p_.depthPercent, 0, 30);
    p_.gainPercent = std::clamp(p_.gainPercent, 0, 100);
}

Ref<LAudioReader> LChorusEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (input->channels != 1 && input->channels != 2) return input;
    return MakeRef<LChorusFilter>(input, p_);
}

}  // namespace sv
