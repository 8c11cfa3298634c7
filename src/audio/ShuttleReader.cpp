#include "audio/ShuttleReader.h"

#include "core/TimeText.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

namespace {
constexpr std::int64_t kUnity = 16777216;
constexpr int kCacheGrains = 8;
}  // namespace

LShuttleReader::LShuttleReader(Ref<LAudioReader> inner, double startFactor, double targetFactor, std::int32_t rampMs)
    : LFilter(std::move(inner)) {
    const std::int32_t rate = sampleRate > 0 ? sampleRate : 1;
    grain_ = std::clamp(rate / 90, 20, 2730);
    jump_ = static_cast<std::int32_t>(startFactor * grain_);
    targetJump_ = static_cast<std::int32_t>(targetFactor * grain_);
    ramp_ = MsToFrames(rampMs, rate);
    const std::int32_t half = grain_ / 2;
    const std::int32_t fade = grain_ - half;
    window_.assign(static_cast<std::size_t>(grain_), static_cast<std::int32_t>(kUnity));
    const double pi = std::acos(-1.0);
    for (std::int32_t k = 0; k < fade; ++k) {
        window_[static_cast<std::size_t>(half + k)] =
            static_cast<std::int32_t>(std::lround((0.5 + 0.5 * std::cos(pi * k / fade)) * kUnity));
    }
    const std::size_t ch = channels ? channels : 1;
    turn_.assign(static_cast<std::size_t>(grain_) * ch, 0);
    next_.assign(static_cast<std::size_t>(grain_) * ch, 0);
    cache_.assign(static_cast<std::size_t>(grain_) * kCacheGrains * ch, 0);
    grainStart_ = input_->Position();
}

std::int32_t LShuttleReader::Position() const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(grainStart_ + offset_, INT_MIN, INT_MAX));
}

std::int32_t LShuttleReader::Length() const {
    if (targetJump_ >= 0) return input_->Length();
    // Backwards, what is left (length - position) is the position itself, so the end comes at 0.
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(2 * static_cast<std::int64_t>(Position()), INT_MIN, INT_MAX));
}

void LShuttleReader::Seek(std::int32_t position) {
    grainStart_ = position;
    offset_ = 0;
    turnReady_ = false;
}

void LShuttleReader::Fetch(std::int64_t from, std::int32_t count, std::int32_t* dst) {
    const std::size_t ch = channels ? channels : 1;
    const std::int32_t capacity = grain_ * kCacheGrains;
    if (from < cacheStart_ || from + count > cacheStart_ + cacheFrames_) {
        // Reposition so the direction of travel finds the next grains cached too.
        cacheStart_ = targetJump_ >= 0 ? from : from + count - capacity;
        cacheStart_ = std::clamp<std::int64_t>(cacheStart_, INT_MIN, static_cast<std::int64_t>(INT_MAX) - capacity);
        input_->Seek(static_cast<std::int32_t>(cacheStart_));
        std::int32_t done = 0;
        while (done < capacity) {
            const std::int32_t n = std::min(capacity - done, kMaxFramesPerCall);
            input_->Read(cache_.data() + static_cast<std::size_t>(done) * ch, n);
            done += n;
        }
        cacheFrames_ = capacity;
    }
    std::memcpy(dst, cache_.data() + static_cast<std::size_t>(from - cacheStart_) * ch,
                static_cast<std::size_t>(count) * ch * sizeof(std::int32_t));
}

void LShuttleReader::BuildTurn() {
    const std::size_t ch = channels ? channels : 1;
    const std::int32_t half = grain_ / 2;
    const std::int32_t fade = grain_ - half;
    // The current grain whole; the next grain's lead-in, which ends where the next grain starts
    // so its own turn continues the fade without a step.
    Fetch(grainStart_, grain_, turn_.data());
    Fetch(grainStart_ + jump_.load() - fade, fade, next_.data());
    for (std::int32_t k = half; k < grain_; ++k) {
        const std::int64_t w = window_[static_cast<std::size_t>(k)];
        for (std::size_t c = 0; c < ch; ++c) {
            std::int32_t& out = turn_[static_cast<std::size_t>(k) * ch + c];
            const std::int64_t nx = next_[static_cast<std::size_t>(k - half) * ch + c];
            out = static_cast<std::int32_t>((out * w + nx * (kUnity - w)) >> 24);
        }
    }
    turnReady_ = true;
}

void LShuttleReader::NextGrain() {
    grainStart_ += jump_.load();
    offset_ = 0;
    turnReady_ = false;
    if (ramp_ > 0) {
        const std::int32_t jump = jump_.load();
        jump_ = static_cast<std::int32_t>(jump + (static_cast<std::int64_t>(targetJump_) - jump) * grain_ / ramp_);
        ramp_ -= grain_;
        if (ramp_ <= 0) jump_ = targetJump_;
    }
}

void LShuttleReader::Read(std::int32_t* dst, std::int32_t frames) {
    const std::size_t ch = channels ? channels : 1;
    while (frames > 0) {
        if (offset_ >= grain_) NextGrain();
        if (!turnReady_) BuildTurn();
        const std::int32_t n = std::min(frames, grain_ - offset_);
        std::memcpy(dst, turn_.data() + static_cast<std::size_t>(offset_) * ch, static_cast<std::size_t>(n) * ch * sizeof(std::int32_t));
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
        offset_ += n;
    }
}

}  // namespace sv
