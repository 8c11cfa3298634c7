#include "effects/EqualizerFilter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

namespace {

constexpr std::int32_t kSpan = kEqualizerHalfSpan;
constexpr std::int32_t kWindow = kEqualizerBlock + 2 * kSpan;  // 12,286 frames: a block's window
constexpr std::uint32_t kSmallOrder = 14;                         // 16,384 points hold one block's
// Seven blocks and their context fill 65,536 points: a third of the work per frame.
constexpr std::int32_t kRunBlocks = 7;
constexpr std::int32_t kRunFrames = kRunBlocks * kEqualizerBlock;
constexpr std::int32_t kRunWindow = kRunFrames + 2 * kSpan;
constexpr std::uint32_t kLargeOrder = 16;
constexpr double kUnitRoundoff = 1.1102230246251565e-16;          // 2^-53
// Bound on the transform's error in units of u * log2(N) * max|response| * |x|: generous for
// two transforms and a product, each within a small multiple of u * log2(N) of exact.
constexpr double kErrorFactor = 16.0;
constexpr double kBoundLimit = 0.125;
constexpr double kResidueLimit = 0.25;
constexpr double kRoundingMagic = 6755399441055744.0;  // 1.5 * 2^52

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
    : LFilter(std::move(input)), taps_(taps), large_(kLargeOrder), small_(kSmallOrder) {
    re_.assign(large_.transform.Size(), 0.0);
    im_.assign(large_.transform.Size(), 0.0);
    PrepareResponse(large_);
    PrepareResponse(small_);
    const std::size_t ch = channels ? channels : 1;
    window_.assign(static_cast<std::size_t>(kRunWindow) * ch, 0);
    shifted_.assign(window_.size(), 0);
    output_.assign(static_cast<std::size_t>(kRunFrames) * ch, 0);
}

void LEqualizerFilter::PrepareResponse(Convolver& c) {
    const std::uint32_t n = c.transform.Size();
    std::fill(re_.begin(), re_.begin() + n, 0.0);
    std::fill(im_.begin(), im_.begin() + n, 0.0);
    // The taps laid out evenly round the circle, so that their spectrum is real.
    re_[0] = taps_[0];
    for (std::uint32_t k = 1; k < kEqualizerTaps; ++k) re_[k] = re_[n - k] = taps_[k];
    c.transform.Analysis(re_.data(), im_.data());
    c.response.resize(n);
    double responseMax = 0;
    for (std::uint32_t k = 0; k < n; ++k) {
        c.response[k] = re_[k] * n;
        responseMax = std::max(responseMax, std::fabs(c.response[k]));
    }
    // Shifted samples are at most 32,768 in magnitude, so the packed pair of channels over the
    // whole transform has a norm of at most 32,768 * sqrt(2 N): the error bound holds for
    // every block this size serves.
    const double norm = 32768.0 * std::sqrt(2.0 * n);
    c.exact = kErrorFactor * kUnitRoundoff * c.transform.Order() * responseMax * norm <= kBoundLimit;
}

void LEqualizerFilter::Seek(std::int32_t position) {
    position_ = position;
    runStart_ = position;
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
        input_->Seek(static_cast<std::int32_t>(std::clamp<std::int64_t>(runStart_ - kSpan, INT32_MIN, INT32_MAX)));
        readInto(0, kRunWindow);
        windowValid_ = true;
        return;
    }
    // The next run: its context before is the last 4,094 frames of this window.
    std::memmove(window_.data(), &window_[static_cast<std::size_t>(kRunFrames) * ch],
                 static_cast<std::size_t>(2 * kSpan) * ch * sizeof(std::int32_t));
    readInto(2 * kSpan, kRunFrames);
}

void LEqualizerFilter::ComputeRun() {
    FillWindow();
    const std::size_t ch = channels;
    // Each block's shift comes from its own frames and context, as the direct form has it.
    int shifts[kRunBlocks];
    bool same = true;
    for (int b = 0; b < kRunBlocks; ++b) {
        shifts[b] = HeadroomShift(PeakOf(&window_[static_cast<std::size_t>(b) * kEqualizerBlock * ch], kWindow * ch));
        same = same && shifts[b] == shifts[0];
    }
    if (same) {
        Convolve(large_, window_.data(), kRunBlocks, shifts[0], output_.data());
    } else {
        for (int b = 0; b < kRunBlocks; ++b) {
            const std::size_t at = static_cast<std::size_t>(b) * kEqualizerBlock * ch;
            Convolve(small_, &window_[at], 1, shifts[b], &output_[at]);
        }
    }
    outputValid_ = true;
}

std::int32_t LEqualizerFilter::DirectSum(const std::int32_t* in, int channel, std::int32_t frame, int shift) const {
    const std::size_t at = (static_cast<std::size_t>(frame) + kSpan) * channels + static_cast<std::size_t>(channel);
    return Rescale(TapSum(taps_, &in[at], channels), shift);
}

void LEqualizerFilter::Convolve(Convolver& cv, const std::int32_t* raw, std::int32_t blocks, int shift,
                                std::int32_t* out) {
    const std::uint32_t n = cv.transform.Size();
    const int ch = channels;
    const std::int32_t frames = blocks * kEqualizerBlock;
    const std::int32_t span = frames + 2 * kSpan;
    // The shifted samples themselves are made only for the direct form.
    const std::int32_t* shifted = nullptr;
    auto direct = [&](int channel, std::int32_t j) {
        if (!shifted) {
            const std::size_t count = static_cast<std::size_t>(span) * ch;
            for (std::size_t i = 0; i < count; ++i) shifted_[i] = raw[i] >> shift;
            shifted = shifted_.data();
        }
        return DirectSum(shifted, channel, j, shift);
    };
    for (int c = 0; c < ch; c += 2) {
        const bool pair = c + 1 < ch;
        const int last = pair ? c + 2 : c + 1;
        if (!cv.exact) {
            ++directBlocks_;
            for (std::int32_t j = 0; j < frames; ++j)
                for (int k = c; k < last; ++k) out[static_cast<std::size_t>(j) * ch + k] = direct(k, j);
            continue;
        }
        const std::int32_t* a = raw + c;
        for (std::int32_t i = 0; i < span; ++i) {
            re_[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(i) * ch] >> shift;
            im_[static_cast<std::size_t>(i)] = pair ? a[static_cast<std::size_t>(i) * ch + 1] >> shift : 0;
        }
        std::fill(re_.begin() + span, re_.begin() + n, 0.0);
        std::fill(im_.begin() + span, im_.begin() + n, 0.0);
        cv.transform.Analysis(re_.data(), im_.data());
        const double* r = cv.response.data();
        for (std::uint32_t k = 0; k < n; ++k) {
            re_[k] *= r[k];
            im_[k] *= r[k];
        }
        cv.transform.Synthesis(re_.data(), im_.data());
        auto take = [&](double v, int channel, std::int32_t j) {
            // Adding and taking away 1.5 * 2^52 rounds to the nearest whole number for any
            // |v| below 2^51, which every sum of shifted samples is.
            const double nearest = (v + kRoundingMagic) - kRoundingMagic;
            std::int32_t y;
            if (std::fabs(v - nearest) <= kResidueLimit && std::fabs(v) < 1.0e15) {
                y = Rescale(static_cast<std::int64_t>(nearest), shift);
            } else {
                ++recomputed_;
                y = direct(channel, j);
            }
            out[static_cast<std::size_t>(j) * ch + channel] = y;
        };
        for (std::int32_t j = 0; j < frames; ++j) {
            take(re_[static_cast<std::size_t>(j + kSpan)], c, j);
            if (pair) take(im_[static_cast<std::size_t>(j + kSpan)], c + 1, j);
        }
    }
}

void LEqualizerFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t ch = channels;
    while (frames > 0) {
        if (position_ - runStart_ >= kRunFrames) {
            runStart_ += kRunFrames;
            outputValid_ = false;
        }
        if (!outputValid_) ComputeRun();
        const std::int32_t offset = static_cast<std::int32_t>(position_ - runStart_);
        const std::int32_t n = std::min(frames, kRunFrames - offset);
        std::memcpy(dst, &output_[static_cast<std::size_t>(offset) * ch], static_cast<std::size_t>(n) * ch * sizeof(std::int32_t));
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
        position_ += n;
    }
}

}  // namespace sv
