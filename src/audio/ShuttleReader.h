#pragma once
// LShuttleReader: rewind and fast forward by ear. It plays short grains of its inner reader
// and jumps over the material between them; the jump glides from a start factor to a target
// factor of the grain length over a ramp, and negative factors move backwards through the
// sound (each grain still plays forwards). Consecutive grains cross-fade: a grain plays alone
// for the first half of its turn and fades into the next during the second half. The inner
// reader is read ahead into a cache of 8 grains.
#include "effects/Filter.h"

#include <atomic>
#include <vector>

namespace sv {

class LShuttleReader : public LFilter {
public:
    // Starts at the inner reader's position.
    LShuttleReader(Ref<LAudioReader> inner, double startFactor, double targetFactor, std::int32_t rampMs);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    std::int32_t GrainFrames() const { return grain_; }
    // Safe from another thread while the player reads (the command bar shows it).
    std::int32_t Jump() const { return jump_.load(std::memory_order_relaxed); }
    // The cross-fade weight of a grain's frame k, 1.0 = 16,777,216.
    std::int32_t Window(std::int32_t k) const { return window_[static_cast<std::size_t>(k)]; }

private:
    // Copies count material frames from from on into dst through the cache.
    void Fetch(std::int64_t from, std::int32_t count, std::int32_t* dst);
    void BuildTurn();
    void NextGrain();

    std::int32_t grain_;
    std::atomic<std::int32_t> jump_;
    std::int32_t targetJump_;
    std::int64_t ramp_;
    std::vector<std::int32_t> window_;
    std::int64_t grainStart_ = 0;  // material frame of the current grain's start
    std::int32_t offset_ = 0;      // frames of the current turn delivered
    bool turnReady_ = false;
    std::vector<std::int32_t> turn_;  // the current turn, mixed
    std::vector<std::int32_t> next_;
    std::vector<std::int32_t> cache_;
    std::int64_t cacheStart_ = 0;
    std::int32_t cacheFrames_ = 0;
};

}  // namespace sv
