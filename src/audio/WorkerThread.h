#pragma once
// LWorkerThread: a thread object with a stop event, shared by the player and the recorder.
// Start is guarded by its own lock; Stop waits a bounded time. Priorities are hints mapped to
// what Linux permits (real-time scheduling only where the user may have it), never needed for
// correctness.
#include "audio/Event.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace sv {

enum class ThreadPriority { BelowNormal, Normal, TimeCritical };

class LWorkerThread {
public:
    LWorkerThread() = default;
    LWorkerThread(const LWorkerThread&) = delete;
    LWorkerThread& operator=(const LWorkerThread&) = delete;
    // Stops the thread (7000 ms). Run() belongs to the derived class, so a derived class
    // must stop its thread in its own destructor; this is the last safety net.
    virtual ~LWorkerThread();

    // Nothing when the thread runs; otherwise waits up to 1000 ms for a previous thread that
    // did not stop in time, clears the stop event and starts Run() at the priority. False (and
    // nothing started) when that previous thread is still inside Run().
    bool Start(ThreadPriority priority);
    // Sets the stop event and waits up to timeoutMs; false when the thread is still inside
    // Run(), which then is only marked not running.
    bool Stop(int timeoutMs);
    bool StopRequested() const { return stop_.IsSet(); }
    // Waits for event or the stop event; false on timeout.
    bool Wait(Event& event, int timeoutMs) { return Event::WaitAny(event, stop_, timeoutMs); }
    bool Running() const { return running_.load(); }
    // Sets the stop event and waits for the thread however long it takes: for owners about to
    // free what the thread uses.
    void StopAndJoin();

    void SetPriority(ThreadPriority priority);
    // The last priority asked for, whether or not the system granted it.
    ThreadPriority Priority() const { return priority_.load(); }

protected:
    virtual void Run() = 0;

private:
    void Body();
    // Joins a previous thread that ends within timeoutMs; false when it is still running.
    bool Reap(int timeoutMs);

    std::mutex startLock_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    Event stop_;
    std::mutex doneMutex_;
    std::condition_variable doneCond_;
    bool finished_ = true;
    std::atomic<ThreadPriority> priority_{ThreadPriority::Normal};
    // Written by the thread itself first thing, so other threads may set its priority.
    std::atomic<unsigned long> native_{0};
};

}  // namespace sv
