#include "effects/OutputLimiter.h"

#include "core/TargetClones.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sv {

LOutputLimiter::LOutputLimiter(Ref<LAudioReader> input, std::int32_t ceiling, std::int32_t floor)
    : LFilter(std::move(input)), ceiling_(std::max<std::int32_t>(1, ceiling)), floor_(std::min<std::int32_t>(-1, floor)) {
    fullScale = std::min(fullScale, ceiling_);
    const double recovery = std::max(1.0, 0.05 * std::max(sampleRate, 1));
    release_ = 1.0 - std::exp(-1.0 / recovery);
    // Sized once for the look-ahead and the largest read, so that no read fills it first.
    buffer_.assign(static_cast<std::size_t>(kMaxFramesPerCall + kLookAhead) * channels, 0);
    need_.reserve(static_cast<std::size_t>(kMaxFramesPerCall + kLookAhead));
    nextLoud_.reserve(static_cast<std::size_t>(kMaxFramesPerCall + kLookAhead) + 1);
    position_ = input_->Position();
    Refill();
}

double LOutputLimiter::NeedOf(const std::int32_t* frame) const {
    double need = 1.0;
    for (std::size_t c = 0; c < channels; ++c) {
        const std::int32_t v = frame[c];
        if (v > ceiling_) need = std::min(need, static_cast<double>(ceiling_) / v);
        else if (v < floor_) need = std::min(need, static_cast<double>(floor_) / v);
    }
    return need;
}

void LOutputLimiter::Refill() {
    gain_ = 1.0;
    std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(kLookAhead) * channels, 0);
    if (channels) input_->Read(buffer_.data(), kLookAhead);
    need_.assign(kLookAhead, 1.0);
    for (std::int32_t f = 0; f < kLookAhead; ++f) need_[f] = NeedOf(buffer_.data() + static_cast<std::size_t>(f) * channels);
    loudAhead_ = std::any_of(need_.begin(), need_.end(), [](double need) { return need < 1.0; });
}

namespace {

// Whether every sample lies in [lo, hi]: a branch-free pass the compiler puts in vector lanes
// (the baseline's lanes have no 32-bit minimum and maximum, so it gets an AVX2 build too).
SV_CLONES bool AllWithin(const std::int32_t* v, std::size_t n, std::int32_t lo, std::int32_t hi) {
    std::int32_t least = lo, most = hi;
    for (std::size_t i = 0; i < n; ++i) {
        least = std::min(least, v[i]);
        most = std::max(most, v[i]);
    }
    return least >= lo && most <= hi;
}

}  // namespace

void LOutputLimiter::Seek(std::int32_t position) {
    input_->Seek(position);
    position_ = position;
    Refill();
}

void LOutputLimiter::Read(std::int32_t* dst, std::int32_t frames) {
    if (frames <= 0 || channels == 0) return;
    frames = std::min(frames, kMaxFramesPerCall);
    const std::size_t ch = channels;
    const std::size_t have = static_cast<std::size_t>(kLookAhead);
    // buffer: the look-ahead, then the frames read now.
    std::int32_t* buffer = buffer_.data();
    const std::size_t freshSamples = static_cast<std::size_t>(frames) * ch;
    std::int32_t* used = buffer + have * ch + freshSamples;
    input_->Read(buffer + have * ch, frames);
    // Most blocks hold nothing outside the range: one scan proves it and skips the per-frame work.
    const bool allWithin = AllWithin(buffer + have * ch, freshSamples, floor_, ceiling_);
    if (allWithin && !loudAhead_ && gain_ == 1.0) {
        // Nothing to limit now or within the look-ahead: the frames pass as they are, and the
        // look-ahead's needs stay at unity.
        std::copy(buffer, buffer + freshSamples, dst);
        std::copy(buffer + freshSamples, used, buffer);
        position_ = position_ > INT32_MAX - frames ? INT32_MAX : position_ + frames;
        return;
    }
    need_.resize(have + frames);
    if (allWithin) {
        std::fill(need_.begin() + static_cast<std::ptrdiff_t>(have), need_.end(), 1.0);
    } else {
        for (std::size_t f = have; f < have + static_cast<std::size_t>(frames); ++f) need_[f] = NeedOf(buffer + f * ch);
    }
    // nextLoud_[f]: the first frame at or after f whose peak needs a gain below unity.
    const std::size_t total = need_.size();
    nextLoud_.resize(total + 1);
    nextLoud_[total] = SIZE_MAX;
    for (std::size_t f = total; f-- > 0;) nextLoud_[f] = need_[f] < 1.0 ? f : nextLoud_[f + 1];
    for (std::int32_t n = 0; n < frames; ++n) {
        const std::size_t at = static_cast<std::size_t>(n);
        std::int32_t* out = dst + at * ch;
        const std::int32_t* in = buffer + at * ch;
        const std::size_t loud = nextLoud_[at];
        const bool quietAhead = loud == SIZE_MAX || loud > at + kLookAhead;
        if (quietAhead && gain_ == 1.0) {
            // Everything up to kLookAhead frames before the next loud one passes as it is.
            std::size_t end = static_cast<std::size_t>(frames);
            if (loud != SIZE_MAX) end = std::min(end, loud - kLookAhead);
            std::copy(in, in + (end - at) * ch, out);
            n = static_cast<std::int32_t>(end) - 1;
            continue;
        }
        // The gain must reach each coming peak's need by the time that peak is output: a peak j
        // frames ahead limits the gain now to a straight line from unity L frames before it.
        double target = 1.0;
        if (!quietAhead) {
            for (std::size_t j = loud - at; j <= static_cast<std::size_t>(kLookAhead); ++j) {
                const double need = need_[at + j];
                if (need >= 1.0) continue;
                target = std::min(target, need + (1.0 - need) * static_cast<double>(j) / kLookAhead);
            }
        }
        gain_ = target < gain_ ? target : std::min(target, gain_ + (1.0 - gain_) * release_);
        if (gain_ > 1.0 - 1e-9) gain_ = 1.0;
        for (std::size_t c = 0; c < ch; ++c) {
            std::int64_t v = in[c];
            if (gain_ < 1.0) v = std::llround(static_cast<double>(v) * gain_);
            out[c] = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, floor_, ceiling_));
        }
    }
    // The last kLookAhead frames become the next call's look-ahead.
    std::copy(buffer + freshSamples, used, buffer);
    std::copy(need_.begin() + frames, need_.end(), need_.begin());
    need_.resize(have);
    loudAhead_ = std::any_of(need_.begin(), need_.end(), [](double need) { return need < 1.0; });
    position_ = position_ > INT32_MAX - frames ? INT32_MAX : position_ + frames;
}

}  // namespace sv
