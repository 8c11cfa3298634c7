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
      history_(static_cast<std::size_t>(delay_ + swing_ + 2)),
      line_((history_ + kMaxFramesPerCall) * 2, 0),
      sines_(static_cast<std::size_t>(kMaxFramesPerCall) * 2),
      full_(p.gainPercent * 0.01),
      half_(full_ / 2),
      stepA_(sampleRate > 0 ? 1.5 * kPi * p.modulationHz / sampleRate : 0.0),
      stepB_(sampleRate > 0 ? 2.5 * kPi * p.modulationHz / sampleRate : 0.0) {}

void LChorusFilter::Process(std::int32_t* dst, std::int32_t frames) {
    if ((channels != 1 && channels != 2) || frames <= 0) return;
    const std::size_t n = static_cast<std::size_t>(frames), h = history_;
    // The library sine costs most; a loop of nothing else keeps it out of the way of the rest.
    double* sinA = sines_.data();
    double* sinB = sinA + n;
    for (std::size_t i = 0; i < n; ++i) {
        sinA[i] = std::sin(phaseA_);
        phaseA_ += stepA_;
        sinB[i] = std::sin(phaseB_);
        phaseB_ += stepB_;
    }
    // The voices read the input as it came in, so a line of the last H input frames followed
    // by this call's is all they need: frame i is at x[2 i], k frames before it at x[2 (i - k)].
    std::int32_t* x = line_.data() + 2 * h;
    if (channels == 2) {
        std::copy(dst, dst + 2 * n, x);
    } else {
        // A mono frame feeds both voices' channels and gets back the mean of the two.
        for (std::size_t i = 0; i < n; ++i) x[2 * i] = x[2 * i + 1] = dst[i];
    }
    const double d = static_cast<double>(delay_), s = static_cast<double>(swing_);
    for (std::size_t i = 0; i < n; ++i) {
        const double e1 = d + s * sinA[i], e2 = d + s * sinB[i];
        const std::size_t k1 = static_cast<std::size_t>(e1), k2 = static_cast<std::size_t>(e2);
        const double f1 = e1 - static_cast<double>(k1), f2 = e2 - static_cast<double>(k2);
        // k <= D + S < H, so both taps of each voice lie in the line.
        const std::int32_t* a = x + 2 * i - 2 * k1;
        const std::int32_t* b = x + 2 * i - 2 * k2;
        std::int64_t out[2];
        for (int c = 0; c < 2; ++c) {
            const double va = a[c] * (1.0 - f1) + a[c - 2] * f1;
            const double vb = b[c] * (1.0 - f2) + b[c - 2] * f2;
            const double ga = c == 0 ? full_ : half_, gb = c == 0 ? half_ : full_;
            out[c] = SaturateSample(static_cast<std::int64_t>(x[2 * i + c]) + static_cast<std::int64_t>(ga * va) +
                                    static_cast<std::int64_t>(gb * vb));
        }
        if (channels == 2) {
            dst[2 * i] = static_cast<std::int32_t>(out[0]);
            dst[2 * i + 1] = static_cast<std::int32_t>(out[1]);
        } else {
            dst[i] = SaturateSample((out[0] + out[1]) / 2);
        }
    }
    std::copy(line_.begin() + static_cast<std::ptrdiff_t>(2 * n), line_.begin() + static_cast<std::ptrdiff_t>(2 * (n + h)),
              line_.begin());
}

void LChorusFilter::ResetState() {
    std::fill(line_.begin(), line_.end(), 0);
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
