#include "audio/WorkerThread.h"

#include <pthread.h>
#include <sched.h>

#include <chrono>

namespace sv {

namespace {

void ApplyPriority(pthread_t thread, ThreadPriority priority) {
    sched_param param{};
    switch (priority) {
    case ThreadPriority::TimeCritical:
        param.sched_priority = 10;
        if (pthread_setschedparam(thread, SCHED_FIFO, &param) == 0) return;
        param.sched_priority = 0;
        pthread_setschedparam(thread, SCHED_OTHER, &param);
        return;
    case ThreadPriority::BelowNormal:
        // A batch thread yields to interactive ones; unlike nice, any user may undo it.
        pthread_setschedparam(thread, SCHED_BATCH, &param);
        return;
    case ThreadPriority::Normal:
        pthread_setschedparam(thread, SCHED_OTHER, &param);
        return;
    }
}

}  // namespace

LWorkerThread::~LWorkerThread() {
    // A thread still inside Run() would use a destroyed object: wait for it whatever it costs.
    StopAndJoin();
}

void LWorkerThread::Body() {
    native_.store(static_cast<unsigned long>(pthread_self()));
    Run();
    native_.store(0);
    running_.store(false);
    std::lock_guard<std::mutex> guard(doneMutex_);
    finished_ = true;
    doneCond_.notify_all();
}

bool LWorkerThread::Reap(int timeoutMs) {
    if (!thread_.joinable()) return true;
    {
        std::unique_lock<std::mutex> lock(doneMutex_);
        if (!doneCond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_; })) return false;
    }
    thread_.join();
    return true;
}

bool LWorkerThread::Start(ThreadPriority priority) {
    std::lock_guard<std::mutex> guard(startLock_);
    if (thread_.joinable() && running_.load()) return true;
    if (!Reap(1000)) return false;
    stop_.Reset();
    running_.store(true);
    {
        std::lock_guard<std::mutex> done(doneMutex_);
        finished_ = false;
    }
    priority_.store(priority);
    thread_ = std::thread([this] { Body(); });
    ApplyPriority(thread_.native_handle(), priority);
    return true;
}

void LWorkerThread::StopAndJoin() {
    std::lock_guard<std::mutex> guard(startLock_);
    if (!thread_.joinable()) return;
    stop_.Set();
    thread_.join();
    running_.store(false);
}

bool LWorkerThread::Stop(int timeoutMs) {
    std::lock_guard<std::mutex> guard(startLock_);
    if (!thread_.joinable()) return true;
    stop_.Set();
    bool ended;
    {
        std::unique_lock<std::mutex> lock(doneMutex_);
        ended = doneCond_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return finished_; });
    }
    if (!ended) {
        running_.store(false);
        return false;
    }
    thread_.join();
    return true;
}

void LWorkerThread::SetPriority(ThreadPriority priority) {
    priority_.store(priority);
    // Called by the thread itself or by a thread that it outlives (the filler's watcher).
    const unsigned long native = native_.load();
    if (native != 0) ApplyPriority(static_cast<pthread_t>(native), priority);
}

}  // namespace sv
