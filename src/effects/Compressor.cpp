#include "effects/Compressor.h"

#include "core/FixedPoint.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

namespace {

constexpr double kFactors[kCompressorRatios] = {1.0,
                                                0.9623506263981255,
                                                0.9440608762859234,
                                                0.9261187281287935,
                                                0.9172759353897796,
                                                0.9120108393559098,
                                                0.8912509382363546};
constexpr const char* kLabels[kCompressorRatios] = {"1:1", "3:2", "2:1", "3:1", "4:1", "5:1", "Limit"};
constexpr double kAboveLimit = 0.8913;
constexpr double kLevelReference = 8388626.0;

std::int32_t SaturatedGain(double g) {
    return g >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(std::trunc(g));
}

}  // namespace

const char* CompressorRatioLabel(int row) { return kLabels[std::clamp(row, 0, kCompressorRatios - 1)]; }
double CompressorRatioFactor(int row) { return kFactors[std::clamp(row, 0, kCompressorRatios - 1)]; }

CompressorSettings CompressorSettings::Clamped() const {
    return {std::clamp(threshold, -40, 0), std::clamp(ratio, 0, kCompressorRatios - 1), std::clamp(limit, 0, 12)};
}

CompressorTable MakeCompressorTable(const CompressorSettings& settings) {
    const CompressorSettings s = settings.Clamped();
    const double k = CompressorRatioFactor(s.ratio);
    double g = s.threshold >= 0 ? 16777216.0 : 16777216.0 / std::pow(k, -s.threshold);
    CompressorTable t{};
    for (int level = -128; level < 128; ++level) {
        t[static_cast<std::size_t>(level + 128)] = SaturatedGain(g);
        if (level >= s.limit)
            g *= kAboveLimit;
        else if (level >= s.threshold)
            g *= k;
    }
    return t;
}

int BlockLevelDb(const std::int32_t* samples, std::size_t count) {
    if (count == 0) return kSilentDb;
    // Each square is below 2^52, so 2,048 of them fit 64 bits exactly; the pieces add up in
    // long double, whose 64-bit mantissa keeps the sum of a whole window exact in practice.
    long double sum = 0;
    for (std::size_t at = 0; at < count; at += 2048) {
        std::uint64_t part = 0;
        for (std::size_t i = at, end = std::min(count, at + 2048); i < end; ++i) {
            const std::int64_t v = samples[i] >> 5;
            part += static_cast<std::uint64_t>(v * v);
        }
        sum += static_cast<long double>(part);
    }
    const double p = static_cast<double>(sum / static_cast<long double>(count));
    if (p <= 0) return kSilentDb;
    const double db = 10.0 * std::log10(p / kLevelReference);
    const double r = std::trunc(p >= kLevelReference ? db + 0.5 : db - 0.5);
    return static_cast<int>(std::clamp(r, -127.0, 127.0));
}

LCompressorFilter::LCompressorFilter(Ref<LAudioReader> input, const CompressorSettings& s)
    : LLookAheadFilter(input, WindowFrames(input ? input->sampleRate : 0, 45, 128, kMaxFramesPerCall)),
      table_(MakeCompressorTable(s)) {
    fullScale = kCompressorFullScale;
}

void LCompressorFilter::Read(std::int32_t* dst, std::int32_t frames) {
    if (errorCode != kReaderOk) {
        std::memset(dst, 0, static_cast<std::size_t>(frames) * channels * sizeof *dst);
        return;
    }
    LLookAheadFilter::Read(dst, frames);
}

void LCompressorFilter::Analyse(const std::int32_t* window, bool first) {
    const int level = BlockLevelDb(window, static_cast<std::size_t>(Window()) * channels);
    outTarget_ = nextTarget_;
    nextTarget_ = table_[static_cast<std::size_t>(level + 128)];
    if (first) {
        gain_ = nextTarget_;
        outTarget_ = nextTarget_;
    }
}

void LCompressorFilter::BeginWindow() {
    const std::int64_t w = Window();
    if (nextTarget_ < gain_)
        step_ = (nextTarget_ - gain_) / (w + w / 4);
    else
        step_ = ((outTarget_ + nextTarget_) / 2 - gain_) / (2 * w);
}

void LCompressorFilter::Render(const std::int32_t* in, std::int32_t, std::int32_t* out, std::int32_t frames) {
    const int ch = channels;
    for (std::int32_t i = 0; i < frames; ++i) {
        const auto g = static_cast<std::int32_t>(std::clamp<std::int64_t>(gain_, 0, INT32_MAX));
        for (int c = 0; c < ch; ++c) *out++ = MulFixed24(*in++, g);
        gain_ += step_;
    }
}

Ref<LAudioReader> LCompressorEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input) return input;
    return MakeRef<LCompressorFilter>(input, s_);
}

}  // namespace sv
