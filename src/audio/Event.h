#pragma once
// A manual-reset event: once set it stays set until reset, and wakes every waiter. A thread
// may wait for either of two events at once (its own data event or its stop event).
#include <condition_variable>
#include <mutex>
#include <vector>

namespace sv {

class Event {
public:
    Event() = default;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // False when the timeout passed with the event still clear.
    bool Wait(int timeoutMs);
    // True when a or b is set within the timeout.
    static bool WaitAny(Event& a, Event& b, int timeoutMs);

private:
    struct Waiter {
        std::mutex mutex;
        std::condition_variable cond;
        bool signalled = false;
    };
    // Registers w and reports whether the event is already set.
    bool Attach(Waiter* w);
    void Detach(Waiter* w);

    mutable std::mutex mutex_;
    bool set_ = false;
    std::vector<Waiter*> waiters_;
};

}  // namespace sv
