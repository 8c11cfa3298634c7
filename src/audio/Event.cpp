#include "audio/Event.h"

#include <algorithm>
#include <chrono>

namespace sv {

void Event::Set() {
    // The waiters are notified under our lock so none can leave (and free its waiter) meanwhile.
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = true;
    for (Waiter* w : waiters_) {
        std::lock_guard<std::mutex> wg(w->mutex);
        w->signalled = true;
        w->cond.notify_all();
    }
}

void Event::Reset() {
    std::lock_guard<std::mutex> guard(mutex_);
    set_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return set_;
}

bool Event::Attach(Waiter* w) {
    std::lock_guard<std::mutex> guard(mutex_);
    waiters_.push_back(w);
    return set_;
}

void Event::Detach(Waiter* w) {
    std::lock_guard<std::mutex> guard(mutex_);
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), w), waiters_.end());
}

bool Event::Wait(int timeoutMs) { return WaitAny(*this, *this, timeoutMs); }

bool Event::WaitAny(Event& a, Event& b, int timeoutMs) {
    Waiter w;
    bool already = a.Attach(&w);
    if (&b != &a) already = b.Attach(&w) || already;
    bool result = already;
    if (!already) {
        std::unique_lock<std::mutex> lock(w.mutex);
        result = w.cond.wait_for(lock, std::chrono::milliseconds(std::max(0, timeoutMs)), [&] { return w.signalled; });
    }
    a.Detach(&w);
    if (&b != &a) b.Detach(&w);
    return result;
}

}  // namespace sv
