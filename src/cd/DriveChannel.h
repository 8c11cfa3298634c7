#pragma once
// An opened drive with its worker thread. The window thread submits a command and goes on
// (converting the other buffer, pumping the progress dialog); the worker runs the blocking
// pass-through call and signals completion. Waiting pumps the progress dialog so the user can
// cancel. A command given up on (cancel, time-out) still finishes on the worker, holding its
// own reference, before the next one starts and before the channel goes.
#include "cd/CdDevice.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace sv {

class LProgressTask;

class DriveChannel {
public:
    static constexpr int kPumpSliceMs = 20;
    static constexpr int kBusyRetryMs = 500;

    explicit DriveChannel(std::unique_ptr<CdDevice> device);
    ~DriveChannel();
    DriveChannel(const DriveChannel&) = delete;
    DriveChannel& operator=(const DriveChannel&) = delete;

    // Hands cmd to the worker; waits first for a command still running.
    void Submit(const std::shared_ptr<ScsiCommand>& cmd);
    // Waits for the submitted command within budgetMs, pumping task (may be null):
    // 0 completed, 1 cancelled, 2 timed out.
    int WaitCompletion(LProgressTask* task, int budgetMs);
    // Waits for cmd (already submitted) and judges it; a drive that reports BUSY gets cmd
    // again after 500 ms while the budget lasts. 0 succeeded, 1 cancelled, 2 failed (cmd's
    // status, sense or transport error says why; a time-out sets the transport error).
    int Complete(const std::shared_ptr<ScsiCommand>& cmd, LProgressTask* task, int budgetMs);
    // Submit, then Complete.
    int Run(const std::shared_ptr<ScsiCommand>& cmd, LProgressTask* task, int budgetMs);
    // Why cmd failed in the last Complete, for a message. A command that timed out may still
    // be running, so its own fields are not read then.
    std::string FailureText(const ScsiCommand& cmd) const;

private:
    void WorkerLoop();
    void WaitIdle();

    std::unique_ptr<CdDevice> device_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<ScsiCommand> pending_;  // submitted, not yet taken
    bool running_ = false;            // the worker is executing a command
    std::uint64_t submitted_ = 0;
    std::uint64_t completed_ = 0;
    bool stop_ = false;
    bool timedOut_ = false;  // the last Complete gave up waiting
    std::thread worker_;
};

// Waits for ms while pumping task: 0 after the wait, 1 when the user cancelled.
int PumpingSleep(LProgressTask* task, int ms);

}  // namespace sv
