#include "cd/DriveChannel.h"

#include "core/ProgressTask.h"

#include <algorithm>
#include <chrono>

namespace sv {

namespace {
using Clock = std::chrono::steady_clock;
}

DriveChannel::DriveChannel(std::unique_ptr<CdDevice> device) : device_(std::move(device)) {
    worker_ = std::thread([this] { WorkerLoop(); });
}

DriveChannel::~DriveChannel() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void DriveChannel::WorkerLoop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || pending_ != nullptr; });
        if (!pending_) return;  // stopping with nothing left to run
        std::shared_ptr<ScsiCommand> cmd = std::move(pending_);
        pending_.reset();
        running_ = true;
        lock.unlock();
        device_->Execute(*cmd);
        cmd.reset();
        lock.lock();
        running_ = false;
        ++completed_;
        changed_.notify_all();
    }
}

void DriveChannel::WaitIdle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !running_ && pending_ == nullptr; });
}

void DriveChannel::Submit(const std::shared_ptr<ScsiCommand>& cmd) {
    WaitIdle();
    cmd->ResetResult();
    {
        std::unique_lock<std::mutex> lock(mutex_);
        pending_ = cmd;
        ++submitted_;
    }
    changed_.notify_all();
}

int DriveChannel::WaitCompletion(LProgressTask* task, int budgetMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(budgetMs, 0));
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (completed_ == submitted_) return kTaskDone;
        Clock::time_point now = Clock::now();
        if (now >= deadline) return kTaskFailed;
        Clock::time_point until = std::min(deadline, now + std::chrono::milliseconds(kPumpSliceMs));
        if (changed_.wait_until(lock, until, [this] { return completed_ == submitted_; })) return kTaskDone;
        if (task) {
            lock.unlock();
            bool cancelled = task->Pump();
            lock.lock();
            if (cancelled) return kTaskCancelled;
        }
    }
}

int DriveChannel::Complete(const std::shared_ptr<ScsiCommand>& cmd, LProgressTask* task, int budgetMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(budgetMs, 0));
    timedOut_ = false;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        int waited = WaitCompletion(task, static_cast<int>(std::max<long long>(left, 0)));
        if (waited == kTaskCancelled) return kTaskCancelled;
        if (waited == kTaskFailed) {
            timedOut_ = true;
            return kTaskFailed;
        }
        if (cmd->transportError.empty() && cmd->status == kScsiStatusBusy) {
            left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left >= kBusyRetryMs) {
                if (PumpingSleep(task, kBusyRetryMs) != kTaskDone) return kTaskCancelled;
                Submit(cmd);
                continue;
            }
        }
        return CommandSucceeded(*cmd) ? kTaskDone : kTaskFailed;
    }
}

int DriveChannel::Run(const std::shared_ptr<ScsiCommand>& cmd, LProgressTask* task, int budgetMs) {
    Submit(cmd);
    return Complete(cmd, task, budgetMs);
}

std::string DriveChannel::FailureText(const ScsiCommand& cmd) const {
    if (timedOut_) return "le lecteur ne répond pas (délai d'attente dépassé)";
    return DescribeFailure(cmd);
}

int PumpingSleep(LProgressTask* task, int ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        if (task && task->Pump()) return kTaskCancelled;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(left, DriveChannel::kPumpSliceMs)));
    }
    return kTaskDone;
}

}  // namespace sv
