#pragma once
// LWavePlayer: plays an LAudioReader through an output device. A ring of 64 buffers of about
// 100 ms is kept filled by the filler thread (this object's worker thread) and emptied by the
// watcher thread as the device finishes them; the heard position, the levels and the end of the
// data reach the window thread through the Notifier, where the listener is called. Every
// operation that changes the device or the reader stops the filler first, so the reader is never
// used by two threads at once. A filler that does not stop in time (a reader stuck on a slow
// disk) keeps its reader, buffers and device until it ends; the player counts as stopped and
// opens again only once they are back. All public operations belong to the window thread.
#include "audio/AudioDevice.h"
#include "audio/WorkerThread.h"
#include "core/AudioReader.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace sv {

class Notifier;

// What the player reports, always on the window thread. The fourth operation is never called.
class LPlayerListener {
public:
    virtual ~LPlayerListener() = default;
    virtual void Playing(std::intptr_t cookie) { (void)cookie; }
    virtual void Closed(std::intptr_t cookie) { (void)cookie; }
    virtual void Held(std::intptr_t cookie) { (void)cookie; }
    virtual void Unused(std::intptr_t cookie) { (void)cookie; }
    virtual void Position(std::int32_t ms, std::intptr_t cookie) { (void)ms; (void)cookie; }
    virtual void Levels(int channels, const std::int8_t* levels, std::intptr_t cookie) {
        (void)channels; (void)levels; (void)cookie;
    }
};

class LWavePlayer : private LWorkerThread {
public:
    static constexpr int kBuffers = 64;
    static constexpr int kStateOpen = 1;
    static constexpr int kStateHeld = 4;

    explicit LWavePlayer(Notifier& notifier, std::unique_ptr<LAudioDevice> device = CreateAudioDevice());
    ~LWavePlayer() override;

    // Starts playing reader from its current position; false (the player stopped) when the
    // reader carries an error or no device opens.
    bool Open(Ref<LAudioReader> reader);
    void Close();
    void Hold();
    void Resume();
    void Seek(std::int32_t frame);
    // Seeks to the reader's length less framesBefore (not below 0); the length is read with the
    // filler stopped, since the filler reads the same reader.
    void SeekFromEnd(std::int32_t framesBefore);

    void SetListener(LPlayerListener* listener, std::intptr_t cookie);
    // The stored device number ("SoundOutDevice"): 0 the default device.
    void SetDeviceNumber(int device) { deviceNumber_ = device; }
    int DeviceNumber() const { return deviceNumber_; }

    int State() const { return state_; }
    bool IsOpen() const { return (state_ & kStateOpen) != 0; }
    bool IsHeld() const { return (state_ & kStateHeld) != 0; }
    // Where the reader stood after the last buffer the device finished: the frame heard, in the
    // reader's own frames (document frames for the loop, tempo and shuttle readers).
    std::int32_t PositionFrames() const { return position_.load(); }
    std::int32_t PositionMs() const;
    // The reader being played (an LErrorReader with code 1, 44,100 Hz and 16-bit full scale
    // when stopped). Its position and length belong to the filler while playing.
    LAudioReader& Reader() const { return *reader_; }
    std::int32_t FramesPerBuffer() const { return framesPerBuffer_; }
    LAudioDevice& Device() { return *device_; }

    // The priorities the threads last asked for (the adaptive priority rule).
    ThreadPriority FillerPriority() const { return LWorkerThread::Priority(); }
    ThreadPriority WatcherPriority() const { return watcher_.Priority(); }
    // How long an operation waits for the filler to stop (5000 ms; tests shorten it).
    void SetStopTimeoutMs(int ms) { stopTimeoutMs_ = ms; }
    // True while a filler that missed its stop still holds the player's buffers.
    bool FillerAbandoned() const { return fillerAbandoned_; }

private:
    struct Slot {
        std::int32_t bytes = 0;
        WaveHeader header;
        std::uint8_t channels = 0;
        std::array<std::int8_t, 256> levels{};
        std::atomic<bool> free{true};
    };
    class Watcher : public LWorkerThread {
    public:
        explicit Watcher(LWavePlayer& player) : player_(player) {}
        ~Watcher() override { Stop(7000); }
        using LWorkerThread::Stop;

    protected:
        void Run() override { player_.WatchLoop(*this); }

    private:
        LWavePlayer& player_;
    };

    void Run() override;  // the fill loop
    void WatchLoop(Watcher& self);
    void PostNotify();
    void Notify();
    // Reads, converts and measures frames into a slot; n <= frames per buffer.
    void FillSlot(LAudioReader& reader, Slot& slot, std::int32_t frames);
    void SubmitSnippet();
    void ResetFlags();
    void SeekStopped(std::int32_t frame);
    // Stops the filler; when it does not stop in time the player is closed without taking
    // anything from it, and false is returned.
    bool StopFiller();
    // Closes the device and frees the buffers once the filler is known to be gone.
    void ReleaseDevice();
    // True when no abandoned filler holds the buffers any more (they are then freed).
    bool Reclaim();
    void EndClosed();

    Notifier& notifier_;
    std::shared_ptr<LWavePlayer*> alive_;
    Event deviceDone_;
    Event bufferFree_;
    int deviceNumber_ = 0;
    LPlayerListener defaultListener_;
    LPlayerListener* listener_ = &defaultListener_;
    std::intptr_t cookie_ = 0;
    std::atomic<std::int32_t> position_{0};
    int state_ = 0;
    std::atomic<bool> finished_{false};
    std::atomic<bool> positionPending_{false};
    std::atomic<bool> posted_{false};
    std::atomic<std::int32_t> endPosition_{0};
    std::vector<std::int16_t> deviceMemory_;
    Ref<LAudioReader> reader_;
    std::mutex levelsMutex_;
    int levelChannels_ = 1;
    std::array<std::int8_t, 256> levels_{};
    std::vector<std::int32_t> work_;
    std::unique_ptr<LAudioDevice> device_;
    int stopTimeoutMs_ = 5000;
    bool fillerAbandoned_ = false;
    std::int32_t framesPerBuffer_ = 0;
    int channels_ = 1;
    std::array<Slot, kBuffers> slots_;
    std::atomic<bool> fillerRaised_{false};
    std::atomic<int> completions_{0};
    Watcher watcher_{*this};
};

// Frames per device buffer for a rate: a tenth of a second, 20 to 8,192 frames.
std::int32_t PlayerFramesPerBuffer(std::int32_t rate);

}  // namespace sv
