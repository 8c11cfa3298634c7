#include "effects/LookAheadFilter.h"

#include <algorithm>
#include <cstring>

namespace sv {

std::int32_t WindowFrames(std::int32_t rate, double ms, std::int32_t lo, std::int32_t hi) {
    if (rate <= 0) rate = 44100;
    const auto n = static_cast<std::int64_t>(static_cast<double>(rate) * ms / 1000.0);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, lo, hi));
}

LLookAheadFilter::LLookAheadFilter(Ref<LAudioReader> input, std::int32_t windowFrames)
    : LFilter(std::move(input)), window_(std::clamp<std::int32_t>(windowFrames, 1, kMaxFramesPerCall)) {
    const std::size_t n = static_cast<std::size_t>(window_) * (channels ? channels : 1);
    out_.assign(n, 0);
    next_.assign(n, 0);
    if (input_) position_ = input_->Position();
}

void LLookAheadFilter::Seek(std::int32_t position) {
    started_ = false;
    position_ = position;
    LFilter::Seek(position);
}

void LLookAheadFilter::Start() {
    started_ = true;
    input_->Read(next_.data(), window_);
    Analyse(next_.data(), true);
    used_ = window_;  // nothing of an output window yet: the first read advances
}

void LLookAheadFilter::Advance() {
    out_.swap(next_);
    input_->Read(next_.data(), window_);
    Analyse(next_.data(), false);
    BeginWindow();
    used_ = 0;
}

void LLookAheadFilter::Read(std::int32_t* dst, std::int32_t frames) {
    if (!input_ || channels == 0) return;
    if (!started_) Start();
    const std::size_t ch = channels;
    while (frames > 0) {
        if (used_ >= window_) Advance();
        const std::int32_t n = std::min(frames, window_ - used_);
        Render(out_.data() + static_cast<std::size_t>(used_) * ch, used_, dst, n);
        used_ += n;
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
        position_ += n;
    }
}

}  // namespace sv
