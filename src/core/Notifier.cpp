#include "core/Notifier.h"

namespace sv {

void ManualNotifier::Post(std::function<void()> call) {
    std::lock_guard<std::mutex> guard(mutex_);
    queue_.push_back(std::move(call));
}

int ManualNotifier::Drain() {
    int ran = 0;
    for (;;) {
        std::function<void()> call;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (queue_.empty()) return ran;
            call = std::move(queue_.front());
            queue_.pop_front();
        }
        call();
        ++ran;
    }
}

std::size_t ManualNotifier::Pending() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return queue_.size();
}

}  // namespace sv
