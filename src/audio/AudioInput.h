#pragma once
// The capture side of the device layer: what the recorder needs of a sound input. The device
// captures 16-bit PCM into its own ring of periods once started; the recording thread takes one
// period at a time and may be woken out of a wait from any thread (Interrupt). Stopping keeps
// what the device already holds, so the last stretch of a recording can still be collected.
//
// Backends: ALSA (LAlsaInput) and a scripted null input (LScriptedInput). Device numbers are
// the stored ones: 0 is the system default, n the n-th capture device of the list shown.
#include "audio/AudioDevice.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sv {

enum class InputResult { Ok, Stopped, TimedOut, Failed };

class LAudioInput {
public:
    LAudioInput();
    virtual ~LAudioInput() = default;
    LAudioInput(const LAudioInput&) = delete;
    LAudioInput& operator=(const LAudioInput&) = delete;

    // periodFrames and periods size the device's ring (the recorder's buffers). mapFormat lets
    // the backend convert a format the hardware refuses. False with errorText set on failure.
    virtual bool Open(int device, const WaveFormat& format, std::int32_t periodFrames, int periods,
                      bool mapFormat) = 0;
    virtual bool Start() = 0;
    // Fills exactly frames frames. Waits for the device, an Interrupt or the timeout; Failed
    // (errorText says why) when the device is gone or keeps failing. Overruns are recovered.
    virtual InputResult Read(std::int16_t* dst, std::int32_t frames, int timeoutMs) = 0;
    // Stops capturing without discarding: Remaining then hands out what was captured already.
    virtual void Halt() = 0;
    // Up to maxFrames of what the device holds, without waiting; 0 when nothing is left.
    virtual std::int32_t Remaining(std::int16_t* dst, std::int32_t maxFrames) = 0;
    virtual void Close() = 0;
    // The names shown in the device list, in device-number order from 1.
    virtual std::vector<std::string> DeviceNames() = 0;

    // Safe from any thread: a Read in progress (or the next one) returns Stopped.
    void Interrupt();
    // Called before a recording starts, with no Read in progress.
    void ClearInterrupt();

    const std::string& ErrorText() const { return errorText_; }
    // Overruns recovered since open (the recording has a gap at each).
    int Overruns() const { return overruns_.load(); }
    const WaveFormat& Format() const { return format_; }

protected:
    // Waits until fd (when >= 0) is readable, the wake descriptor is, or the timeout passes.
    // Returns 1 for fd ready, 0 for timeout, -1 for an interrupt.
    int WaitReadable(int fd, int timeoutMs);
    int WakeFd() const { return wake_.get(); }
    bool Interrupted();

    WaveFormat format_;
    std::string errorText_;
    std::atomic<int> overruns_{0};

private:
    UniqueFd wake_;
};

// Devices for recording; "SONVELA_AUDIO=null" picks a paced scripted input that hears silence.
using AudioInputMaker = std::unique_ptr<LAudioInput> (*)();
std::unique_ptr<LAudioInput> CreateAudioInput();
void SetAudioInputMaker(AudioInputMaker maker);

}  // namespace sv
