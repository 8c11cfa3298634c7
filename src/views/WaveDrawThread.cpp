#include "views/WaveDrawThread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>

namespace sv {

namespace {

void LowerThisThreadToIdle() {
    sched_param param{};
    param.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19);
}

}  // namespace

WaveDrawThread::WaveDrawThread(ReadyFn ready) : ready_(std::move(ready)) {}

WaveDrawThread::~WaveDrawThread() { Stop(); }

void WaveDrawThread::Attach(const LAudioData& sound, int mode, bool verticalZoom) {
    Stop();
    sound_ = sound;
    reader_ = LBlockReader::Create(sound_);
    style_.channels = std::max<int>(1, sound_.channels);
    style_.mode = mode;
    style_.verticalZoom = verticalZoom;
    {
        std::lock_guard<std::mutex> lock(requestLock_);
        hasRequest_ = false;
        requestSet_ = false;
        reset_ = true;
    }
    {
        std::lock_guard<std::mutex> lock(displayLock_);
        cache_.Invalidate();
        cache_.top.fill(0);
        cache_.bottom.fill(0);
    }
    Start();
}

void WaveDrawThread::Detach() {
    Stop();
    reader_ = nullptr;
    sound_.Free();
}

void WaveDrawThread::Request(std::int32_t start, std::int32_t length, int width) {
    std::lock_guard<std::mutex> lock(requestLock_);
    requestedStart_ = start;
    requestedLength_ = length;
    requestedWidth_ = std::clamp(width, 0, kMaxColumns);
    hasRequest_ = true;
    requestSet_ = true;
    requestEvent_.notify_all();
}

void WaveDrawThread::Reset() {
    std::lock_guard<std::mutex> lock(requestLock_);
    reset_ = true;
    requestSet_ = true;
    requestEvent_.notify_all();
}

void WaveDrawThread::Start() {
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void WaveDrawThread::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(requestLock_);
        stop_ = true;
        requestEvent_.notify_all();
    }
    // The loop checks the stop flag between columns, so this returns within one column's work.
    thread_.join();
    std::lock_guard<std::mutex> lock(requestLock_);
    busy_ = false;
    idle_.notify_all();
}

bool WaveDrawThread::WaitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(requestLock_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !busy_ && !requestSet_; });
}

void WaveDrawThread::Run() {
    LowerThisThreadToIdle();
    bool rendered = false;
    WaveGeometry last;
    std::array<std::uint8_t, kMaxColumns> top{};
    std::array<std::uint8_t, kMaxColumns> bottom{};
    bool forget = false;
    while (!stop_) {
        WaveGeometry want;
        {
            std::unique_lock<std::mutex> lock(requestLock_);
            requestSet_ = false;
            if (reset_) {
                rendered = false;
                forget = true;
                reset_ = false;
            }
            want = {requestedStart_, requestedLength_, requestedWidth_};
            const bool same = rendered && want.start == last.start && want.length == last.length &&
                              want.width == last.width;
            if (!hasRequest_ || same) {
                busy_ = false;
                idle_.notify_all();
                requestEvent_.wait(lock, [this] { return requestSet_ || stop_; });
                continue;
            }
            busy_ = true;
        }
        ColumnCache::Update up;
        {
            std::lock_guard<std::mutex> lock(displayLock_);
            if (forget) cache_.Invalidate();
            forget = false;
            up = cache_.SetView(want.start, want.length, want.width);
        }
        const int limit = std::min(want.width, kMaxColumns);
        const int x0 = std::clamp(up.x0, 0, limit);
        const int x1 = std::clamp(up.x1, 0, limit);
        // The columns are computed outside the display lock, so paint never waits for samples.
        const WaveGeometry geometry = {want.start, want.length, want.width};
        bool done = geometry.UsesPeakFiles()
                        ? ComputeColumnsFromPeaks(sound_, style_, geometry, x0, x1, top.data(), bottom.data(), &stop_)
                        : ComputeColumnsFromSamples(*reader_, style_, geometry, x0, x1, top.data(), bottom.data(), &stop_);
        if (!done) break;
        {
            std::lock_guard<std::mutex> lock(displayLock_);
            std::copy(top.begin(), top.begin() + (x1 - x0), cache_.top.begin() + x0);
            std::copy(bottom.begin(), bottom.begin() + (x1 - x0), cache_.bottom.begin() + x0);
        }
        last = want;
        rendered = true;
        if (ready_) ready_(x0, x1, up.shift);
    }
}

}  // namespace sv
