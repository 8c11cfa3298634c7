#pragma once
// LWaveRecorder: records from a sound input into an LAudioWriter on its own worker thread, at
// the highest priority the system grants. Each buffer of about 100 ms is freed of DC offset and
// measured; with a sound threshold, writing starts at the first loud buffer (with up to half a
// buffer of lead-in), long silences are cut back and waited through when a silence time is set,
// and stopping trims what followed the last loud buffer to 50 ms.
//
// The thread holds its own reference to the writer and is the only one to touch it while it
// runs; the window thread touches it again (truncate, release) only once the thread has ended.
// Reports reach the window thread through the Notifier; every listener call happens there. A
// device that fails or falls silent for 25 s ends the recording: what was recorded is kept and
// the listener hears the reason. All public operations belong to the window thread.
#include "audio/AudioInput.h"
#include "audio/DcRemover.h"
#include "audio/Event.h"
#include "audio/WorkerThread.h"
#include "core/AudioWriter.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sv {

class Notifier;

class LRecorderListener {
public:
    virtual ~LRecorderListener() = default;
    virtual void Writing(std::intptr_t cookie) { (void)cookie; }
    virtual void Waiting(std::intptr_t cookie) { (void)cookie; }
    virtual void Stopped(std::intptr_t cookie) { (void)cookie; }
    virtual void Position(std::int32_t ms, std::intptr_t cookie) { (void)ms; (void)cookie; }
    virtual void Levels(int channels, const std::int8_t* levels, std::intptr_t cookie) {
        (void)channels; (void)levels; (void)cookie;
    }
    // The recording ended by itself because of the device; called after Stopped.
    virtual void Failed(const std::string& why, std::intptr_t cookie) { (void)why; (void)cookie; }
};

class LWaveRecorder : private LWorkerThread {
public:
    static constexpr int kBuffers = 32;
    enum State { kStopped = 0, kWaiting = 1, kWriting = 2 };

    explicit LWaveRecorder(Notifier& notifier, std::unique_ptr<LAudioInput> input = CreateAudioInput());
    ~LWaveRecorder() override;

    // False (the recorder stopped, holding an error writer) when the writer carries an error or
    // no device opens; ErrorText() then says why.
    bool Start(Ref<LAudioWriter> writer, std::int32_t limitMs, int soundThreshold, std::int32_t silenceMs);
    // Records again from the start of the writer.
    void Restart();
    void Stop();

    void SetListener(LRecorderListener* listener, std::intptr_t cookie);
    // Device choice (0 default, n device n) and input line (-1 as set in the system mixer).
    void SetDevice(int device, int line) {
        device_ = device;
        line_ = line;
    }
    int Device() const { return device_.load(); }
    int Line() const { return line_; }

    int State() const { return state_.load(); }
    bool IsStopped() const { return state_.load() == kStopped; }
    std::int32_t LastSoundMs() const { return lastSound_.load(); }
    // The writer being recorded into (an error writer when stopped). Window thread, and only
    // while the recorder is stopped for anything but reading its fields.
    LAudioWriter& Writer() const { return *writer_; }
    const std::string& ErrorText() const { return errorText_; }
    // A stop whose thread did not end in time: the writer stays with the thread until it does.
    bool ThreadStuck() const { return stuck_; }
    LAudioInput& Input() { return *input_; }

    // Tests shorten the device time-out (25,000 ms).
    void SetBufferTimeoutMs(int ms) { bufferTimeoutMs_ = ms; }

    // Runs on the window thread for each post of the thread.
    void Notify();

private:
    void Run() override;
    // The loop's steps for one buffer of frames frames (work_ holds it, filtered).
    void HandleBuffer(LAudioWriter& writer, std::int32_t frames);
    void Measure(const std::int32_t* samples, std::int32_t frames, std::array<std::int8_t, DcRemover::kMaxChannels>& out);
    void Convert(std::int32_t frames);
    void Post();
    // Ends the thread; false when it did not end in time.
    bool StopThread(int timeoutMs);
    bool LaunchThread(int waitMs);
    void ReleaseWriter();

    Notifier& notifier_;
    std::shared_ptr<LWaveRecorder*> alive_;
    std::unique_ptr<LAudioInput> input_;
    LRecorderListener defaultListener_;
    LRecorderListener* listener_ = &defaultListener_;
    std::intptr_t cookie_ = 0;
    std::atomic<int> device_{0};
    int line_ = -1;
    std::atomic<int> bufferTimeoutMs_{25000};
    std::string errorText_;
    bool stuck_ = false;
    // Start or Restart reported a recording that Stop has not ended yet.
    bool active_ = false;

    std::atomic<int> state_{kStopped};
    Ref<LAudioWriter> writer_;
    // Handed to the thread at launch; the thread takes it over.
    Ref<LAudioWriter> threadWriter_;
    std::atomic<std::int32_t> lastSound_{0};
    Event started_;
    Event go_;
    std::atomic<std::int32_t> limitMs_{0};
    std::atomic<int> soundThreshold_{-127};
    std::atomic<int> silenceThreshold_{-127};
    std::atomic<std::int32_t> silenceMs_{0};
    std::atomic<bool> limitReached_{false};
    std::atomic<bool> updatePending_{false};
    std::atomic<bool> stateChanged_{false};
    std::atomic<bool> failed_{false};
    std::atomic<bool> posted_{false};

    std::mutex levelsMutex_;
    int levelChannels_ = 1;
    std::array<std::int8_t, DcRemover::kMaxChannels> levels_{};
    std::string threadError_;  // under levelsMutex_

    // The thread's own buffers (allocated once per recording).
    int channels_ = 1;
    std::int32_t rate_ = 44100;
    std::int32_t framesPerBuffer_ = 0;
    std::vector<std::int16_t> deviceBuffer_;
    std::vector<std::int32_t> work_;
    std::vector<std::int32_t> previous_;
    bool previousPresent_ = false;
    DcRemover dc_;
};

// Frames per recorder buffer: a tenth of a second, 32 to 8,192 frames.
std::int32_t RecorderFramesPerBuffer(std::int32_t rate);
// The recorder's conversion: (ms / 1000) * rate + ((ms % 1000) * rate) / 1000.
std::int32_t RecorderMsToFrames(std::int32_t ms, std::int32_t rate);

}  // namespace sv
