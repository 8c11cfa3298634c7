#pragma once
// StageCounter: how many items one thread has finished, watched by another thread that waits
// for it to pass a mark. Two stages of a pipeline hand work over through a pair of them.
//
// A waiter spins briefly before it sleeps, since the other stage usually finishes within
// microseconds; Publish only takes the lock when someone sleeps.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace sv {

class StageCounter {
public:
    std::int64_t Load() const { return value_.load(); }
    // Sets the count (from the one thread that advances it) and wakes any waiter.
    void Publish(std::int64_t value);
    // Returns once Load() > mark (true) or stop is set (false, after its Wake()).
    bool WaitAbove(std::int64_t mark, const std::atomic<bool>& stop);
    // Wakes the waiters so they look at their stop flag.
    void Wake();

private:
    std::atomic<std::int64_t> value_{0};
    std::atomic<int> sleepers_{0};
    std::mutex mutex_;
    std::condition_variable cond_;
};

}  // namespace sv
