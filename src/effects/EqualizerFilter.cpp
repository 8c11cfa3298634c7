#include "effects/EqualizerFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

namespace {

constexpr std::int32_t kSpan = kEqualizerHalfSpan;
constexpr std::int32_t kWindow = kEqualizerBlock + 2 * kSpan;  // 12,286 frames
constexpr std::uint32_t kOrder = 14;                              // 16,384 points hold a window
constexpr double kUnitRoundoff = 1.1102230246251565e-16;          // 2^-53
// Bound on the transform's error in units of u * log2(N) * max|response| * |x|: generous for
// two transforms and a product, each within a small multiple of u * log2(N) of exact.
constexpr double kErrorFactor = 16.0;
constexpr double kBoundLimit = 0.125;
constexpr double kResidueLimit = 0.25;

std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The sum of shifted samples back at the input's scale: >> (15 - s), or a left shift for the
// shifts above 15 that samples near the int32 limits need.
std::int32_t Rescale(std::int64_t sum, int s) {
    return Saturate(s <= 15 ? sum >> (15 - s) : sum * (std::int64_t{1} << (s - 15)));
}

std::int64_t TapSum(const EqualizerTaps& h, const std::int32_t* x, std::ptrdiff_t stride) {
    std::int64_t acc = static_cast<std::int64_t>(h[0]) * x[0];
    for (std::ptrdiff_t k = 1; k < kEqualizerTaps; ++k)
        acc += static_cast<std::int64_t>(h[static_cast<std::size_t>(k)]) *
               (static_cast<std::int64_t>(x[-k * stride]) + x[k * stride]);
    return acc;
}

std::int64_t PeakOf(const std::int32_t* s, std::size_t count) {
    std::int32_t hi = 0, lo = 0;
    for (std::size_t i = 0; i < count; ++i) {
        hi = std::max(hi, s[i]);
        lo = std::min(lo, s[i]);
    }
    return std::max<std::int64_t>(hi, -static_cast<std::int64_t>(lo));
}

}  // namespace

int HeadroomShift(std::int64_t peak) {
    int s = 0;
    while ((peak >> s) > 32767) ++s;
    return s;
}

std::vector<std::int32_t> DirectEqualize(const std::vector<std::int32_t>& samples, int channels,
                                         const EqualizerTaps& taps) {
    const std::int64_t frames = static_cast<std::int64_t>(samples.size()) / channels;
    std::vector<std::int32_t> out(samples.size());
    std::vector<std::int32_t> window(static_cast<std::size_t>(kWindow) * channels);
    for (std::int64_t start = 0; start < frames; start += kEqualizerBlock) {
        for (std::int64_t i = 0; i < kWindow; ++i) {
            const std::int64_t f = start - kSpan + i;
            for (int c = 0; c < channels; ++c)
                window[static_cast<std::size_t>(i * channels + c)] =
                    f >= 0 && f < frames ? samples[static_cast<std::size_t>(f * channels + c)] : 0;
        }
        const int s = HeadroomShift(PeakOf(window.data(), window.size()));
        for (std::int32_t& v : window) v >>= s;
        for (std::int64_t j = 0; j < kEqualizerBlock && start + j < frames; ++j)
            for (int c = 0; c < channels; ++c)
                out[static_cast<std::size_t>((start + j) * channels + c)] =
                    Rescale(TapSum(taps, &window[static_cast<std::size_t>((j + kSpan) * channels + c)], channels), s);
    }
    return out;
}

LEqualizerFilter::LEqualizerFilter(Ref<LAudioReader> input, const EqualizerTaps& taps)
    : LFilter(std::move(input)), taps_(taps), transform_(kOrder) {
    const std::uint32_t n = transform_.Size();
    re_.assign(n, 0.0);
    im_.assign(n, 0.0);
    // The taps laid out evenly round the circle, so that their spectrum is real.
    re_[0] = taps_[0];
    for (std::uint32_t k = 1; k < kEqualizerTaps; ++k) re_[k] = re_[n - k] = taps_[k];
    transform_.Analysis(re_.data(), im_.data());
    response_.resize(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        response_[k] = re_[k] * n;
        responseMax_ = std::max(responseMax_, std::fabs(response_[k]));
    }
    const std::size_t ch = channels ? channels : 1;
    window_.assign(static_cast<std::size_t>(kWindow) * ch, 0);
    shifted_.assign(window_.size(), 0);
    output_.assign(static_cast<std::size_t>(kEqualizerBlock) * ch, 0);
}

void LEqualizerFilter::Seek(std::int32_t position) {
    position_ = position;
    blockStart_ = position;
    windowValid_ = false;
    outputValid_ = false;
}

void LEqualizerFilter::FillWindow() {
    const std::size_t ch = channels;
    auto readInto = [this, ch](std::size_t frameOffset, std::int32_t frames) {
        for (std::int32_t done = 0; done < frames;) {
            const std::int32_t n = std::min(kMaxFramesPerCall, frames - done);
            input_->Read(&window_[(frameOffset + static_cast<std::size_t>(done)) * ch], n);
            done += n;
        }
    };
    if (!windowValid_) {
        input_->Seek(static_cast<std::int32_t>(std::max<std::int64_t>(INT32_MIN, std::int64_t{blockStart_} - kSpan)));
        readInto(0, kWindow);
        windowValid_ = true;
        return;
    }
    // The next block: its context before is the last 4,094 frames of this window.
    std::memmove(window_.data(), &window_[static_cast<std::size_t>(kEqualizerBlock) * ch],
                 static_cast<std::size_t>(2 * kSpan) * ch * sizeof(std::int32_t));
    readInto(2 * kSpan, kEqualizerBlock);
}

void LEqualizerFilter::ComputeBlock() {
    FillWindow();
    const int shift = HeadroomShift(PeakOf(window_.data(), window_.size()));
    for (std::size_t i = 0; i < window_.size(); ++i) shifted_[i] = window_[i] >> shift;
    TransformBlock(shift);
    outputValid_ = true;
}

std::int32_t LEqualizerFilter::DirectSum(int channel, std::int32_t frame, int shift) const {
    const std::size_t at = (static_cast<std::size_t>(frame) + kSpan) * channels + static_cast<std::size_t>(channel);
    return Rescale(TapSum(taps_, &shifted_[at], channels), shift);
}

void LEqualizerFilter::TransformBlock(int shift) {
    const std::uint32_t n = transform_.Size();
    const int ch = channels;
    for (int c = 0; c < ch; c += 2) {
        const bool pair = c + 1 < ch;
        double norm2 = 0;
        for (std::int32_t i = 0; i < kWindow; ++i) {
            const double a = shifted_[static_cast<std::size_t>(i) * ch + c];
            const double b = pair ? shifted_[static_cast<std::size_t>(i) * ch + c + 1] : 0.0;
            re_[static_cast<std::size_t>(i)] = a;
            im_[static_cast<std::size_t>(i)] = b;
            norm2 += a * a + b * b;
        }
        const double bound = kErrorFactor * kUnitRoundoff * kOrder * responseMax_ * std::sqrt(norm2);
        if (bound > kBoundLimit) {
            ++directBlocks_;
            for (std::int32_t j = 0; j < kEqualizerBlock; ++j)
                for (int k = c; k < (pair ? c + 2 : c + 1); ++k)
                    output_[static_cast<std::size_t>(j) * ch + k] = DirectSum(k, j, shift);
            continue;
        }
        std::fill(re_.begin() + kWindow, re_.end(), 0.0);
        std::fill(im_.begin() + kWindow, im_.end(), 0.0);
        transform_.Analysis(re_.data(), im_.data());
        for (std::uint32_t k = 0; k < n; ++k) {
            re_[k] *= response_[k];
            im_[k] *= response_[k];
        }
        transform_.Synthesis(re_.data(), im_.data());
        auto take = [&](double v, int channel, std::int32_t j) {
            const double nearest = std::nearbyint(v);
            std::int32_t y;
            if (std::fabs(v - nearest) <= kResidueLimit && std::fabs(nearest) < 9.0e15) {
                y = Rescale(static_cast<std::int64_t>(nearest), shift);
            } else {
                ++recomputed_;
                y = DirectSum(channel, j, shift);
            }
            output_[static_cast<std::size_t>(j) * ch + channel] = y;
        };
        for (std::int32_t j = 0; j < kEqualizerBlock; ++j) {
            take(re_[static_cast<std::size_t>(j + kSpan)], c, j);
            if (pair) take(im_[static_cast<std::size_t>(j + kSpan)], c + 1, j);
        }
    }
}

void LEqualizerFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t ch = channels;
    while (frames > 0) {
        if (position_ - blockStart_ >= kEqualizerBlock) {
            blockStart_ += kEqualizerBlock;
            outputValid_ = false;
        }
        if (!outputValid_) ComputeBlock();
        const std::int32_t offset = position_ - blockStart_;
        const std::int32_t n = std::min(frames, kEqualizerBlock - offset);
        std::memcpy(dst, &output_[static_cast<std::size_t>(offset) * ch], static_cast<std::size_t>(n) * ch * sizeof(std::int32_t));
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
        position_ += n;
    }
}

}  // namespace sv
