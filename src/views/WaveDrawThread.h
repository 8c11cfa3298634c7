#pragma once
// The drawing thread of a waveform control. The window thread only posts the wanted range
// (under the request lock, with the request event) and paints what the column cache holds
// (under the display lock); this thread, at the lowest priority, fills the cache from the
// samples or the peak files through its own copy of the sound, so edits on the window thread
// never disturb it. Only the latest request counts.
#include "core/AudioData.h"
#include "core/BlockReader.h"
#include "views/WaveColumns.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace sv {

class WaveDrawThread {
public:
    // Called on the drawing thread once columns [x0, x1) hold new bytes; shift is the number of
    // columns the kept bytes moved by (positive: towards the start), 0 without a scroll.
    using ReadyFn = std::function<void(int x0, int x1, int shift)>;

    explicit WaveDrawThread(ReadyFn ready);
    ~WaveDrawThread();
    WaveDrawThread(const WaveDrawThread&) = delete;
    WaveDrawThread& operator=(const WaveDrawThread&) = delete;

    // Stops the thread, replaces the sound, forgets the request and what was rendered, and
    // starts the thread again.
    void Attach(const LAudioData& sound, int mode, bool verticalZoom);
    // Stops the thread and drops the sound.
    void Detach();
    // Stores the range and width to render and wakes the thread.
    void Request(std::int32_t start, std::int32_t length, int width);
    // Forces the next request to be rendered in full.
    void Reset();

    // Paint holds this while it reads the cache.
    std::mutex& DisplayLock() { return displayLock_; }
    const ColumnCache& Cache() const { return cache_; }
    // Read under the display lock: the geometry of what the cache holds.
    WaveGeometry Shown() const { return cache_.Geometry(); }
    const ColumnStyle& Style() const { return style_; }
    bool Running() const { return thread_.joinable(); }

    // Waits (for tests and benchmarks) until the latest request has been rendered.
    bool WaitIdle(int timeoutMs);

private:
    void Stop();
    void Start();
    void Run();

    ReadyFn ready_;
    LAudioData sound_;
    Ref<LBlockReader> reader_;
    ColumnStyle style_;

    std::mutex requestLock_;
    std::condition_variable requestEvent_;
    bool requestSet_ = false;  // the event's state (manual reset)
    bool hasRequest_ = false;
    std::int32_t requestedStart_ = 0;
    std::int32_t requestedLength_ = 0;
    int requestedWidth_ = 0;
    bool reset_ = true;
    bool busy_ = false;
    std::condition_variable idle_;

    std::mutex displayLock_;
    ColumnCache cache_;

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace sv
