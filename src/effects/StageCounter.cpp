#include "effects/StageCounter.h"

#include <chrono>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define SV_SPIN_PAUSE() _mm_pause()
#else
#define SV_SPIN_PAUSE() std::this_thread::yield()
#endif

namespace sv {

namespace {
// About what a stage of the time stretch takes for one frame.
constexpr auto kSpinTime = std::chrono::microseconds(1000);
}

// The sleeper count and the value are both sequentially consistent, so either the publisher
// sees the sleeper and notifies under the lock, or the sleeper sees the new value.
void StageCounter::Publish(std::int64_t value) {
    value_.store(value);
    if (sleepers_.load() > 0) Wake();
}

void StageCounter::Wake() {
    std::lock_guard<std::mutex> lock(mutex_);
    cond_.notify_all();
}

bool StageCounter::WaitAbove(std::int64_t mark, const std::atomic<bool>& stop) {
    const auto spinUntil = std::chrono::steady_clock::now() + kSpinTime;
    for (unsigned i = 1;; ++i) {
        if (value_.load() > mark) return true;
        if (stop.load()) return false;
        if (i % 64 == 0 && std::chrono::steady_clock::now() >= spinUntil) break;
        // Past the first few hundred turns the other stage may be waiting for this very core.
        if (i < 256) SV_SPIN_PAUSE(); else std::this_thread::yield();
    }
    std::unique_lock<std::mutex> lock(mutex_);
    sleepers_.fetch_add(1);
    cond_.wait(lock, [&] { return value_.load() > mark || stop.load(); });
    sleepers_.fetch_sub(1);
    return value_.load() > mark;
}

}  // namespace sv
