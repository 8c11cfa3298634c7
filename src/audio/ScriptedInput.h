#pragma once
// A sound input without hardware: it "hears" a given stretch of 16-bit frames, then silence,
// either at the pace of the format (as a sound card would) or as fast as it is read. Tests
// script its failures: a device that will not open or opens only through format mapping, an
// overrun, an unplugged device, a device that stops delivering. Paced, a reader that falls a
// whole ring behind overruns as a sound card does.
#include "audio/AudioInput.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace sv {

class LScriptedInput : public LAudioInput {
public:
    explicit LScriptedInput(bool paced) : paced_(paced) {}
    ~LScriptedInput() override { Close(); }

    // Set before a recording starts.
    std::vector<std::int16_t> samples;  // interleaved, in the format opened
    bool loop = false;                  // samples again and again instead of silence after them
    bool failOpen = false;
    bool refuseUnmapped = false;
    // The next open takes this long (a device slow to answer).
    int openDelayMs = 0;
    // At this frame: Failed with errno failError (ENODEV for an unplugged device).
    std::int64_t failAtFrame = -1;
    int failError = 0;
    // At this frame an overrun loses overrunFrames frames, and the input carries on.
    std::int64_t overrunAtFrame = -1;
    std::int32_t overrunFrames = 0;
    // From this frame on nothing more arrives; a test may move it while the input waits there.
    std::atomic<std::int64_t> stallAtFrame{-1};

    // What the last open asked for.
    std::int32_t openedPeriodFrames = 0;
    int openedPeriods = 0;
    bool openedMapped = false;
    int opens = 0;

    bool Open(int device, const WaveFormat& format, std::int32_t periodFrames, int periods, bool mapFormat) override;
    bool Start() override;
    InputResult Read(std::int16_t* dst, std::int32_t frames, int timeoutMs) override;
    void Halt() override;
    std::int32_t Remaining(std::int16_t* dst, std::int32_t maxFrames) override;
    void Close() override { open_ = false; }
    std::vector<std::string> DeviceNames() override { return {"null"}; }

    // Frames handed out so far (tests and benchmarks).
    std::int64_t Position() const { return position_.load(); }
    // True once a read waits at the stall frame: every frame before it has been handed out.
    bool Stalled() const { return stalled_.load(); }

private:
    void Produce(std::int16_t* dst, std::int32_t frames);
    // Frames captured by now at the format's pace (held by the "device").
    std::int64_t CapturedByNow() const;

    bool paced_;
    bool open_ = false;
    bool running_ = false;
    std::atomic<std::int64_t> position_{0};
    std::atomic<bool> stalled_{false};
    std::int64_t haltedAt_ = -1;
    std::chrono::steady_clock::time_point startedAt_;
};

}  // namespace sv
