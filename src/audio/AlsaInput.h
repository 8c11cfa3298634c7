#pragma once
// The ALSA capture backend. Device 0 is ALSA's "default" (PipeWire or PulseAudio where they
// run); n is the n-th capture device of ALSA's hint list. 16-bit little-endian frames with a
// period of one recorder buffer and a ring of as many periods as the recorder keeps; reads wait
// under poll together with the interrupt descriptor. An overrun is recovered (a gap in the
// recording); a device that is gone (an unplugged USB microphone) fails the read.
#include "audio/AudioInput.h"

typedef struct _snd_pcm snd_pcm_t;

namespace sv {

class LAlsaInput : public LAudioInput {
public:
    LAlsaInput() = default;
    ~LAlsaInput() override;

    bool Open(int device, const WaveFormat& format, std::int32_t periodFrames, int periods, bool mapFormat) override;
    bool Start() override;
    InputResult Read(std::int16_t* dst, std::int32_t frames, int timeoutMs) override;
    void Halt() override;
    std::int32_t Remaining(std::int16_t* dst, std::int32_t maxFrames) override;
    void Close() override;
    std::vector<std::string> DeviceNames() override;

    // The ALSA name a stored device number opens; empty when there is no such device.
    std::string DeviceName(int device);

private:
    // Handles a negative result of a read; false when the device cannot go on.
    bool Recover(long err);
    void Fail(const char* what, long err);

    snd_pcm_t* pcm_ = nullptr;
};

}  // namespace sv
