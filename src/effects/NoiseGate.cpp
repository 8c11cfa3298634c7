#include "effects/NoiseGate.h"

#include "core/FixedPoint.h"
#include "effects/OnePole.h"

#include <algorithm>
#include <climits>

namespace sv {

namespace {

constexpr std::int64_t kUnity = 16777216;

// The shared 24-bit product from 12-bit halves, with 64-bit operands so the wide threshold
// factors of very low levels fit.
std::int64_t MulFixed24Wide(std::int64_t a, std::int64_t b) {
    const std::int64_t ah = a >> 12, al = a & 4095, bh = b >> 12, bl = b & 4095;
    return ((al * bh) >> 12) + ((ah * bl) >> 12) + ah * bh;
}

std::int32_t Clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

std::int64_t GateThresholdFactor(int db) {
    const std::int64_t amp = DbAmplitude(std::clamp(db, -126, 127));
    return (std::int64_t{1} << 40) / std::max<std::int64_t>(amp, 1);
}

std::int32_t GateBandGain(std::int64_t v, std::int64_t thr) {
    const std::int64_t u = MulFixed24Wide(v, thr) - 512;
    if (u < 0) return 0;
    if (u > 2048) return static_cast<std::int32_t>(kUnity);
    return static_cast<std::int32_t>(u * 8192);
}

LNoiseGateFilter::LNoiseGateFilter(Ref<LAudioReader> input, int levelDb)
    : LLookAheadFilter(input, WindowFrames(input ? input->sampleRate : 0, 1000.0 / 30, 20, kMaxFramesPerCall)) {
    const double freqs[kGateBands] = {50, 400, 1100, 2600};
    for (int b = 0; b < kGateBands; ++b) a_[static_cast<std::size_t>(b)] = OnePoleCoefficient(freqs[b], sampleRate);
    const int levels[kGateBands] = {levelDb + 3, levelDb, levelDb - 3, levelDb};
    for (int b = 0; b < kGateBands; ++b)
        thr_[static_cast<std::size_t>(b)] = GateThresholdFactor(std::clamp(levels[b], -127, 127));
    split_.assign(channels, Split{});
    const std::size_t n = static_cast<std::size_t>(Window()) * channels * kGateBands;
    outBands_.assign(n, 0);
    nextBands_.assign(n, 0);
}

void LNoiseGateFilter::ResetState() { std::fill(split_.begin(), split_.end(), Split{}); }

void LNoiseGateFilter::Analyse(const std::int32_t* window, bool first) {
    if (!first) outBands_.swap(nextBands_);
    const int ch = channels;
    const std::int64_t a1 = a_[0], a2 = a_[1], a3 = a_[2], a4 = a_[3];
    std::array<std::int64_t, kGateBands> peak{};
    std::int32_t* band = nextBands_.data();
    for (std::int32_t i = 0; i < Window(); ++i)
        for (int c = 0; c < ch; ++c, band += kGateBands) {
            Split& s = split_[static_cast<std::size_t>(c)];
            std::int64_t r = std::int64_t{*window++} - (s.s1 >> 8);
            s.s1 += a1 * r;
            s.s2 += a2 * (r - (s.s2 >> 8));
            const std::int64_t b0 = s.s2 >> 8;
            r -= b0;
            s.s3 += a3 * (r - (s.s3 >> 8));
            const std::int64_t b1 = s.s3 >> 8;
            r -= b1;
            s.s4 += a4 * (r - (s.s4 >> 8));
            const std::int64_t b2 = s.s4 >> 8;
            const std::int64_t b3 = r - b2;
            const std::int64_t v[kGateBands] = {b0, b1, b2, b3};
            for (int b = 0; b < kGateBands; ++b) {
                band[b] = Clamp32(v[b]);
                peak[static_cast<std::size_t>(b)] = std::max(peak[static_cast<std::size_t>(b)], v[b] < 0 ? -v[b] : v[b]);
            }
        }
    const std::int64_t p0 = peak[0], p1 = peak[1], p2 = peak[2], p3 = peak[3];
    const std::int64_t v[kGateBands] = {p0 - (p1 >> 2), p1 - (p2 >> 2) - (p0 >> 4), p2 - (p3 >> 4) - (p1 >> 3),
                                        p3 - (p2 >> 3)};
    for (std::size_t b = 0; b < kGateBands; ++b) {
        target_[b] = GateBandGain(v[b], thr_[b]);
        if (first) gain_[b] = target_[b];
    }
}

void LNoiseGateFilter::BeginWindow() {
    const std::int64_t w = Window();
    for (std::size_t b = 0; b < kGateBands; ++b) {
        const std::int64_t d = target_[b] - gain_[b];
        step_[b] = d > 0 ? d / w : d / (b == 0 ? 4 * w : 2 * w);
    }
}

void LNoiseGateFilter::Render(const std::int32_t*, std::int32_t offset, std::int32_t* out, std::int32_t frames) {
    const int ch = channels;
    const std::int32_t* band = outBands_.data() + static_cast<std::size_t>(offset) * ch * kGateBands;
    for (std::int32_t i = 0; i < frames; ++i) {
        std::int32_t g[kGateBands];
        for (std::size_t b = 0; b < kGateBands; ++b) g[b] = static_cast<std::int32_t>(gain_[b]);
        for (int c = 0; c < ch; ++c, band += kGateBands) {
            std::int64_t sum = 0;
            for (int b = 0; b < kGateBands; ++b) sum += MulFixed24(band[b], g[b]);
            *out++ = Clamp32(sum);
        }
        for (std::size_t b = 0; b < kGateBands; ++b) gain_[b] += step_[b];
    }
}

Ref<LAudioReader> LNoiseGateEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input || input->errorCode != kReaderOk) return input;
    return MakeRef<LNoiseGateFilter>(input, level_);
}

}  // namespace sv
