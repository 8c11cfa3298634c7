#pragma once
// The audio output device layer: exactly what the player needs of a wave-output device. Buffers
// are written in order into a queue; the device marks each done as it finishes and signals the
// done event given at open. A buffer flagged begin-loop and end-loop plays again and again (the
// scrub snippet) until the device is reset. Reset hands every queued buffer back as done.
//
// Backends: ALSA (LAlsaDevice) and a null device (LNullDevice), paced in real time or not.
// Device numbers are the stored ones: 0 is the system default, n the n-th entry of the device
// list shown to the user.
#include "audio/Event.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sv {

enum WaveHeaderFlag : std::uint32_t {
    kWaveDone = 1,
    kWavePrepared = 2,
    kWaveBeginLoop = 4,
    kWaveEndLoop = 8,
    kWaveInQueue = 16,
};

struct WaveHeader {
    std::int16_t* data = nullptr;
    std::int32_t bytes = 0;
    std::atomic<std::uint32_t> flags{0};
    std::int32_t user = 0;
    std::int32_t loops = 0;
};

struct WaveFormat {
    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;  // 16-bit PCM, interleaved
};

enum class DeviceResult { Ok, Failed, StillPlaying };

class LAudioDevice {
public:
    LAudioDevice();
    virtual ~LAudioDevice();
    LAudioDevice(const LAudioDevice&) = delete;
    LAudioDevice& operator=(const LAudioDevice&) = delete;

    // device: the stored number (0 default). mapFormat asks the backend to convert a format the
    // hardware does not take. done is set each time a buffer finishes.
    bool Open(int device, const WaveFormat& format, Event* done, bool mapFormat);
    bool IsOpen() const { return open_; }
    DeviceResult Prepare(WaveHeader& header);
    DeviceResult Write(WaveHeader& header);
    // Stops at once and marks every queued buffer done.
    void Reset();
    DeviceResult Unprepare(WaveHeader& header);
    void Close();

    // The device volume as a word per channel (0..65535, left in the low half); false where
    // the device has no volume control.
    virtual bool GetVolume(int device, std::uint32_t* volume);
    virtual bool SetVolume(int device, std::uint32_t volume);
    virtual int DeviceCount() = 0;
    // The names shown in the options, in device-number order from 1.
    virtual std::vector<std::string> DeviceNames() = 0;

    // Frames handed to the backend since open (tests and benchmarks).
    std::int64_t FramesPlayed() const { return framesPlayed_.load(); }

protected:
    // Backend operations, all but Play called with the device thread stopped.
    virtual bool OpenBackend(int device, const WaveFormat& format, bool mapFormat) = 0;
    virtual void CloseBackend() = 0;
    // Plays frames; may return early (false) when abort becomes true. Runs on the device thread.
    virtual bool Play(const std::int16_t* frames, std::int32_t count, const std::atomic<bool>& abort) = 0;
    // Throws away what the backend still holds (after an abort); device thread only.
    virtual void Drop() = 0;
    // Of the frames written so far, how many have been heard (written minus what the backend
    // still holds). Device thread only.
    virtual std::int64_t Heard(std::int64_t written) { return written; }
    // Nothing more is coming for now: make sure what is held gets played. Device thread only.
    virtual void Flush() {}

    WaveFormat format_;

private:
    void ThreadBody();
    // Under mutex_: hands a buffer back to its owner.
    void MarkDone(WaveHeader* header);

    bool open_ = false;
    Event* done_ = nullptr;
    std::mutex mutex_;
    std::condition_variable cond_;
    std::deque<WaveHeader*> queue_;
    // Written to the backend but not heard yet, with the written count at the buffer's end.
    std::deque<std::pair<WaveHeader*, std::int64_t>> inFlight_;
    WaveHeader* current_ = nullptr;
    std::atomic<bool> abort_{false};
    bool quit_ = false;
    bool resetPending_ = false;
    bool dropped_ = false;
    std::int64_t written_ = 0;
    std::thread thread_;
    std::atomic<std::int64_t> framesPlayed_{0};
};

// A device that plays nothing. Paced, it takes frames at the rate of the format (as a sound
// card would); unpaced, as fast as it is given them.
class LNullDevice : public LAudioDevice {
public:
    explicit LNullDevice(bool paced) : paced_(paced) {}
    ~LNullDevice() override;
    int DeviceCount() override { return 1; }
    std::vector<std::string> DeviceNames() override { return {"null"}; }
    bool GetVolume(int device, std::uint32_t* volume) override;
    bool SetVolume(int device, std::uint32_t volume) override;
    // When set, opens fail (a missing device).
    std::atomic<bool> failOpen{false};
    // The frames accepted so far, when recording is switched on before open (tests).
    bool keepSamples = false;
    std::vector<std::int16_t> Samples();

protected:
    bool OpenBackend(int device, const WaveFormat& format, bool mapFormat) override;
    void CloseBackend() override {}
    bool Play(const std::int16_t* frames, std::int32_t count, const std::atomic<bool>& abort) override;
    void Drop() override {}

private:
    bool paced_;
    std::uint32_t volume_ = 0xFFFFFFFFu;
    std::mutex samplesMutex_;
    std::vector<std::int16_t> samples_;
    std::int64_t pacedFrames_ = 0;
    double pacedStart_ = 0;
};

// The devices the program uses. The default makes ALSA devices; tests and machines without
// sound put another maker in place ("SONVELA_AUDIO=null" in the environment picks the paced
// null device).
using AudioDeviceMaker = std::unique_ptr<LAudioDevice> (*)();
std::unique_ptr<LAudioDevice> CreateAudioDevice();
void SetAudioDeviceMaker(AudioDeviceMaker maker);

}  // namespace sv
