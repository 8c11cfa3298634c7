#include "audio/ScriptedInput.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

namespace sv {

bool LScriptedInput::Open(int device, const WaveFormat& format, std::int32_t periodFrames, int periods,
                          bool mapFormat) {
    Close();
    ++opens;
    if (openDelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::exchange(openDelayMs, 0)));
    if (failOpen || device < 0 || device > 1 || (refuseUnmapped && !mapFormat) || format.channels == 0 ||
        format.sampleRate <= 0) {
        errorText_ = "le périphérique d'enregistrement ne peut pas être ouvert";
        return false;
    }
    format_ = format;
    openedPeriodFrames = periodFrames;
    openedPeriods = periods;
    openedMapped = mapFormat;
    position_.store(0);
    stalled_.store(false);
    haltedAt_ = -1;
    running_ = false;
    open_ = true;
    overruns_.store(0);
    return true;
}

bool LScriptedInput::Start() {
    if (!open_) return false;
    running_ = true;
    startedAt_ = std::chrono::steady_clock::now();
    return true;
}

std::int64_t LScriptedInput::CapturedByNow() const {
    if (haltedAt_ >= 0) return haltedAt_;
    if (!running_) return 0;
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - startedAt_);
    return us.count() * format_.sampleRate / 1000000;
}

void LScriptedInput::Produce(std::int16_t* dst, std::int32_t frames) {
    const int ch = format_.channels;
    std::int64_t at = position_.load();
    for (std::int32_t f = 0; f < frames; ++f, ++at) {
        for (int c = 0; c < ch; ++c) {
            std::size_t i = static_cast<std::size_t>(at) * ch + c;
            if (loop && !samples.empty()) i %= samples.size();
            *dst++ = i < samples.size() ? samples[i] : 0;
        }
    }
    position_.store(at);
}

InputResult LScriptedInput::Read(std::int16_t* dst, std::int32_t frames, int timeoutMs) {
    if (!open_ || !running_) return InputResult::Failed;
    const std::int64_t at = position_.load();
    const std::int64_t end = at + frames;
    if (failAtFrame >= 0 && end > failAtFrame) {
        errorText_ = std::strerror(failError);
        return InputResult::Failed;
    }
    if (overrunAtFrame >= 0 && end > overrunAtFrame) {
        // The frames the device had no room for are lost; reading resumes after them.
        overrunAtFrame = -1;
        position_.store(at + overrunFrames);
        overruns_.fetch_add(1);
        if (paced_) startedAt_ -= std::chrono::microseconds(static_cast<std::int64_t>(overrunFrames) * 1000000 / format_.sampleRate);
    }
    if (paced_) {
        const std::int64_t ring = static_cast<std::int64_t>(openedPeriodFrames) * openedPeriods;
        const std::int64_t behind = CapturedByNow() - position_.load();
        if (ring > 0 && behind > ring) {
            // The ring filled up: what did not fit is gone.
            position_.store(position_.load() + behind - ring);
            overruns_.fetch_add(1);
        }
    }
    const std::int64_t stall = stallAtFrame.load();
    const bool stalls = stall >= 0 && position_.load() + frames > stall;
    if (stalls) stalled_.store(true);
    if (stalls || paced_) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (stalls || CapturedByNow() < position_.load() + frames) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return InputResult::TimedOut;
            const int slice = static_cast<int>(std::min<std::int64_t>(left.count(), 5));
            if (WaitReadable(-1, std::max(1, slice)) < 0) return InputResult::Stopped;
        }
    } else if (Interrupted()) {
        return InputResult::Stopped;
    }
    Produce(dst, frames);
    return InputResult::Ok;
}

void LScriptedInput::Halt() {
    // An unpaced device "holds" one period more, as a real one holds what came since the last read.
    haltedAt_ = paced_ ? CapturedByNow() : position_.load() + openedPeriodFrames;
    const std::int64_t stall = stallAtFrame.load();
    if (stall >= 0) haltedAt_ = std::min(haltedAt_, std::max(position_.load(), stall));
    running_ = false;
}

std::int32_t LScriptedInput::Remaining(std::int16_t* dst, std::int32_t maxFrames) {
    if (!open_ || haltedAt_ < 0) return 0;
    const std::int64_t left = haltedAt_ - position_.load();
    const auto n = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, maxFrames));
    if (n > 0) Produce(dst, n);
    return n;
}

}  // namespace sv
