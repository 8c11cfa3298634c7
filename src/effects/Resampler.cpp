#include "effects/Resampler.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numeric>

namespace sv {

namespace {

constexpr double kPi = 3.14159265358979323846;
// A lowered rate stretches the kernel over more input frames; beyond this stretch the
// kernel is cut (extreme ratios keep working, with a steeper transition than designed).
constexpr double kMaxStretch = 64.0;
// Rows of exact phases allowed before the interpolated table takes over.
constexpr std::int64_t kMaxExactCoefficients = 1 << 16;

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 64; ++k) {
        term *= q / (static_cast<double>(k) * k);
        sum += term;
        if (term < sum * 1e-17) break;
    }
    return sum;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int32_t Saturate(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(std::lrint(v));
}

}  // namespace

Ref<LAudioReader> LResampler::Create(Ref<LAudioReader> input, std::int32_t targetRate) {
    if (!input) input = MakeRef<LErrorReader>(kReaderCannotOpen);
    const std::int32_t rate = input->sampleRate;
    if (targetRate == rate) return input;
    if (targetRate > 0 && rate > 0 && targetRate < rate / 4) {
        Ref<LAudioReader> first(new LResampler(input, targetRate * 2));
        return Ref<LAudioReader>(new LResampler(first, targetRate));
    }
    return Ref<LAudioReader>(new LResampler(input, targetRate));
}

Ref<LAudioReader> LResampler::CreateSpeedChange(Ref<LAudioReader> input, double factor) {
    if (!input) input = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (std::isnan(factor)) factor = 1.0;
    if (factor < 0.1) factor = 0.1;
    const std::int32_t rate = input->sampleRate;
    const double target = std::trunc(rate / factor);
    Ref<LAudioReader> out = Create(input, static_cast<std::int32_t>(std::min(target, 2147483647.0)));
    if (out != input) out->sampleRate = rate;
    return out;
}

LResampler::LResampler(Ref<LAudioReader> input, std::int32_t targetRate)
    : LFilter(std::move(input)), inRate_(sampleRate), outRate_(targetRate) {
    if (fullScale <= 1048576) fullScale *= 2;
    if (outRate_ <= 0 || inRate_ <= 0) {
        // Nothing sensible to convert to: deliver silence rather than divide by zero.
        if (errorCode == kReaderOk) errorCode = kReaderCorrupt;
        outRate_ = std::max(outRate_, 1);
        inRate_ = std::max(inRate_, 1);
    }
    sampleRate = outRate_;
    const std::int64_t g = std::gcd(static_cast<std::int64_t>(inRate_), static_cast<std::int64_t>(outRate_));
    step_ = inRate_ / g;
    den_ = outRate_ / g;

    const double ratio = static_cast<double>(inRate_) / outRate_;
    const double stretch = std::min(std::max(1.0, ratio), kMaxStretch);
    halfSpan_ = kZeroCrossingSpan / 2 * stretch;
    // A multiple of 8 lets the dot product run in vector lanes; the extra taps are zeros.
    taps_ = (2 * static_cast<std::int32_t>(std::ceil(halfSpan_)) + 7) / 8 * 8;
    cutoff_ = kCutoff * 0.5 * std::min(1.0, 1.0 / ratio);
    exact_ = den_ * taps_ <= kMaxExactCoefficients;
    BuildTable();

    histCapacity_ = taps_ + kMaxFramesPerCall;
    history_.assign(channels, std::vector<float>(static_cast<std::size_t>(histCapacity_)));
    chunk_.resize(static_cast<std::size_t>(kMaxFramesPerCall) * channels);
    blend_.resize(static_cast<std::size_t>(taps_));
    Restart(0);
}

double LResampler::KernelAt(double t) const {
    if (std::fabs(t) >= halfSpan_) return 0.0;
    const double a = 2.0 * kPi * cutoff_ * t;
    const double sinc = t == 0.0 ? 2.0 * cutoff_ : std::sin(a) / (kPi * t);
    const double u = t / halfSpan_;
    return sinc * BesselI0(kKaiserBeta * std::sqrt(1.0 - u * u)) / BesselI0(kKaiserBeta);
}

void LResampler::BuildTable() {
    const std::int64_t rows = exact_ ? den_ : kInterpolatedPhases + 1;
    table_.assign(static_cast<std::size_t>(rows * taps_), 0.0f);
    std::vector<double> row(static_cast<std::size_t>(taps_));
    for (std::int64_t r = 0; r < rows; ++r) {
        const double phase = exact_ ? static_cast<double>(r) / den_ : static_cast<double>(r) / kInterpolatedPhases;
        double sum = 0.0;
        for (std::int32_t j = 0; j < taps_; ++j) {
            row[j] = KernelAt(j - taps_ / 2 + 1 - phase);
            sum += row[j];
        }
        // Every phase passes a constant unchanged, so there is no ripple at the frame rate.
        for (std::int32_t j = 0; j < taps_; ++j) table_[r * taps_ + j] = static_cast<float>(row[j] / sum);
    }
}

std::int32_t LResampler::Length() const {
    const std::int64_t in = std::max<std::int64_t>(0, input_->Length());
    const std::int64_t frames = (in * den_ + step_ - 1) / step_;
    return static_cast<std::int32_t>(std::min<std::int64_t>(frames, INT32_MAX));
}

void LResampler::Seek(std::int32_t position) { Restart(position); }

void LResampler::Restart(std::int64_t outputPosition) {
    position_ = static_cast<std::int32_t>(outputPosition);
    const std::int64_t num = outputPosition * step_;
    inputIndex_ = FloorDiv(num, den_);
    remainder_ = num - inputIndex_ * den_;
    histStart_ = inputIndex_ - taps_ / 2 + 1;
    histFrames_ = 0;
    inputNext_ = histStart_;
    input_->Seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(inputNext_, INT32_MIN, INT32_MAX)));
}

void LResampler::Fill(std::int64_t first) {
    const std::int64_t end = histStart_ + histFrames_;
    if (first >= end) {
        // Nothing kept is needed any more; jump straight to the new place.
        histStart_ = first;
        histFrames_ = 0;
        if (inputNext_ != first) {
            input_->Seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(first, INT32_MIN, INT32_MAX)));
            inputNext_ = first;
        }
    } else if (first > histStart_) {
        const std::int32_t drop = static_cast<std::int32_t>(first - histStart_);
        for (auto& h : history_) std::memmove(h.data(), h.data() + drop, sizeof(float) * (histFrames_ - drop));
        histStart_ = first;
        histFrames_ -= drop;
    }
    while (histFrames_ < taps_) {
        const std::int32_t n = std::min(kMaxFramesPerCall, histCapacity_ - histFrames_);
        input_->Read(chunk_.data(), n);
        inputNext_ += n;
        for (std::size_t c = 0; c < history_.size(); ++c) {
            float* h = history_[c].data() + histFrames_;
            const std::int32_t* s = chunk_.data() + c;
            for (std::int32_t i = 0; i < n; ++i) h[i] = static_cast<float>(s[static_cast<std::size_t>(i) * channels]);
        }
        histFrames_ += n;
    }
}

const float* LResampler::Coefficients(std::int64_t remainder) {
    if (exact_) return table_.data() + remainder * taps_;
    const double pos = static_cast<double>(remainder) / den_ * kInterpolatedPhases;
    const std::int32_t r = std::min(static_cast<std::int32_t>(pos), kInterpolatedPhases - 1);
    const float a = static_cast<float>(pos - r);
    const float* lo = table_.data() + static_cast<std::size_t>(r) * taps_;
    const float* hi = lo + taps_;
    for (std::int32_t j = 0; j < taps_; ++j) blend_[j] = lo[j] + a * (hi[j] - lo[j]);
    return blend_.data();
}

void LResampler::Read(std::int32_t* dst, std::int32_t frames) {
    const std::int64_t stepWhole = step_ / den_;
    const std::int64_t stepRest = step_ % den_;
    const std::size_t ch = channels;
    for (std::int32_t k = 0; k < frames; ++k) {
        std::int32_t* out = dst + static_cast<std::size_t>(k) * ch;
        if (errorCode != kReaderOk) {
            std::fill(out, out + ch, 0);
        } else {
            const std::int64_t first = inputIndex_ - taps_ / 2 + 1;
            if (first + taps_ > histStart_ + histFrames_) Fill(first);
            const float* coef = Coefficients(remainder_);
            const std::size_t at = static_cast<std::size_t>(first - histStart_);
            for (std::size_t c = 0; c < ch; ++c) {
                const float* h = history_[c].data() + at;
                float lanes[8] = {};
                for (std::int32_t j = 0; j < taps_; j += 8) {
                    for (int l = 0; l < 8; ++l) lanes[l] += h[j + l] * coef[j + l];
                }
                out[c] = Saturate(((lanes[0] + lanes[4]) + (lanes[1] + lanes[5])) +
                                  ((lanes[2] + lanes[6]) + (lanes[3] + lanes[7])));
            }
        }
        inputIndex_ += stepWhole;
        remainder_ += stepRest;
        if (remainder_ >= den_) {
            remainder_ -= den_;
            ++inputIndex_;
        }
        if (position_ < INT32_MAX) ++position_;
    }
}

}  // namespace sv
