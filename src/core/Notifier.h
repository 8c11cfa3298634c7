#pragma once
// How a worker thread reaches the window thread: it posts a call, which the window thread runs
// later. app/ delivers posts through a queued Qt call; headless tests drain them by hand.
#include <deque>
#include <functional>
#include <mutex>

namespace sv {

class Notifier {
public:
    virtual ~Notifier() = default;
    // Safe from any thread; the call runs on the window thread.
    virtual void Post(std::function<void()> call) = 0;
};

// Keeps posts until Drain() runs them on the calling thread.
class ManualNotifier : public Notifier {
public:
    void Post(std::function<void()> call) override;
    // Runs every waiting call, including those posted meanwhile; returns how many ran.
    int Drain();
    std::size_t Pending() const;

private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace sv
