#include "effects/Echo.h"

#include "effects/DelayLine.h"

#include <algorithm>

namespace sv {

LEchoFilter::LEchoFilter(Ref<LAudioReader> input, int timeMs, int gainPercent)
    : LFilter(std::move(input)), g_(DelayGain(gainPercent)) {
    const std::int64_t length = DelayFrames(timeMs, sampleRate) * std::max<std::int32_t>(channels, 1);
    buf_.assign(static_cast<std::size_t>(std::max<std::int64_t>(length, 20)), 0);
}

void LEchoFilter::Process(std::int32_t* dst, std::int32_t frames) {
    const std::size_t n = static_cast<std::size_t>(frames) * channels, length = buf_.size();
    std::int32_t* buf = buf_.data();
    std::size_t i = index_;
    for (std::size_t k = 0; k < n; ++k) {
        const std::int32_t y = SaturateSample(dst[k] + DelayTap(buf[i], g_));
        buf[i] = y;
        dst[k] = y;
        if (++i == length) i = 0;
    }
    index_ = i;
}

void LEchoFilter::ResetState() {
    std::fill(buf_.begin(), buf_.end(), 0);
    index_ = 0;
}

LEchoEffect::LEchoEffect(int timeMs, int gainPercent)
    : time_(std::min(timeMs, kMaxTimeMs)), gain_(std::clamp(gainPercent, 0, kMaxGain)) {}

Ref<LAudioReader> LEchoEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (time_ <= 0) return input;
    return MakeRef<LEchoFilter>(input, time_, gain_);
}

}  // namespace sv
