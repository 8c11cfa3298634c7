#pragma once
// The ALSA backend of the device layer. Device 0 is ALSA's "default" (which reaches PipeWire or
// PulseAudio where they run); n is the n-th playback device of ALSA's hint list. The stream is
// opened non-blocking so a reset never waits behind a write; underruns are recovered.
#include "audio/AudioDevice.h"

typedef struct _snd_pcm snd_pcm_t;

namespace sv {

class LAlsaDevice : public LAudioDevice {
public:
    LAlsaDevice() = default;
    ~LAlsaDevice() override;

    int DeviceCount() override;
    std::vector<std::string> DeviceNames() override;
    // Through the simple mixer of the device's card ("Master", else "PCM"); false without one.
    bool GetVolume(int device, std::uint32_t* volume) override;
    bool SetVolume(int device, std::uint32_t volume) override;

    // The ALSA name a stored device number opens; empty when there is no such device.
    std::string DeviceName(int device);

protected:
    bool OpenBackend(int device, const WaveFormat& format, bool mapFormat) override;
    void CloseBackend() override;
    bool Play(const std::int16_t* frames, std::int32_t count, const std::atomic<bool>& abort) override;
    void Drop() override;
    std::int64_t Heard(std::int64_t written) override;
    void Flush() override;

private:
    snd_pcm_t* pcm_ = nullptr;
};

}  // namespace sv
