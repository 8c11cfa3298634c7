#include "audio/AlsaDevice.h"

#include "audio/AlsaDeviceList.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cmath>

namespace sv {

namespace {

struct MixerHandle {
    snd_mixer_t* mixer = nullptr;
    snd_mixer_elem_t* elem = nullptr;
    ~MixerHandle() {
        if (mixer) snd_mixer_close(mixer);
    }
    bool Open(const std::string& card) {
        if (snd_mixer_open(&mixer, 0) < 0) return false;
        if (snd_mixer_attach(mixer, card.c_str()) < 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) < 0 ||
            snd_mixer_load(mixer) < 0) {
            return false;
        }
        for (const char* name : {"Master", "PCM"}) {
            snd_mixer_selem_id_t* sid = nullptr;
            snd_mixer_selem_id_alloca(&sid);
            snd_mixer_selem_id_set_index(sid, 0);
            snd_mixer_selem_id_set_name(sid, name);
            elem = snd_mixer_find_selem(mixer, sid);
            if (elem && snd_mixer_selem_has_playback_volume(elem)) return true;
        }
        // Otherwise the first element with a playback volume.
        for (elem = snd_mixer_first_elem(mixer); elem; elem = snd_mixer_elem_next(elem)) {
            if (snd_mixer_selem_has_playback_volume(elem)) return true;
        }
        return false;
    }
};

}  // namespace

LAlsaDevice::~LAlsaDevice() { Close(); }

std::vector<std::string> LAlsaDevice::DeviceNames() { return AlsaDeviceNames(AlsaDirection::Playback); }

int LAlsaDevice::DeviceCount() { return static_cast<int>(DeviceNames().size()); }

std::string LAlsaDevice::DeviceName(int device) { return AlsaDeviceName(device, AlsaDirection::Playback); }

bool LAlsaDevice::OpenBackend(int device, const WaveFormat& format, bool mapFormat) {
    QuietAlsaErrors();
    const std::string name = DeviceName(device);
    if (name.empty()) return false;
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return false;
    // About 200 ms held by ALSA; the player's own ring holds seconds more.
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                           static_cast<unsigned>(format.sampleRate), mapFormat ? 1 : 0, 200000) < 0) {
        snd_pcm_close(pcm);
        return false;
    }
    // Start with the first frame written, so a sound shorter than ALSA's buffer is heard too.
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm, sw) == 0) {
        snd_pcm_sw_params_set_start_threshold(pcm, sw, 1);
        snd_pcm_sw_params(pcm, sw);
    }
    pcm_ = pcm;
    return true;
}

void LAlsaDevice::CloseBackend() {
    if (pcm_) {
        snd_pcm_drop(pcm_);
        snd_pcm_close(pcm_);
        pcm_ = nullptr;
    }
}

bool LAlsaDevice::Play(const std::int16_t* frames, std::int32_t count, const std::atomic<bool>& abort) {
    int failures = 0;
    while (count > 0 && !abort.load()) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm_, frames, static_cast<snd_pcm_uframes_t>(count));
        if (n == -EAGAIN || n == 0) {
            snd_pcm_wait(pcm_, 20);
            continue;
        }
        if (n < 0) {
            // Underruns and suspends are recovered; a device that keeps failing gives up the
            // buffer rather than blocking the player.
            if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0 || ++failures > 10) return false;
            continue;
        }
        frames += n * format_.channels;
        count -= static_cast<std::int32_t>(n);
    }
    return count == 0;
}

void LAlsaDevice::Drop() {
    snd_pcm_drop(pcm_);
    snd_pcm_prepare(pcm_);
}

std::int64_t LAlsaDevice::Heard(std::int64_t written) {
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_RUNNING || snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;
    return written - delay;
}

void LAlsaDevice::Flush() {
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_);
}

bool LAlsaDevice::GetVolume(int device, std::uint32_t* volume) {
    QuietAlsaErrors();
    MixerHandle m;
    if (!m.Open(AlsaMixerCard(DeviceName(device)))) return false;
    long lo = 0, hi = 0, left = 0, right = 0;
    snd_mixer_selem_get_playback_volume_range(m.elem, &lo, &hi);
    if (hi <= lo) return false;
    snd_mixer_selem_get_playback_volume(m.elem, SND_MIXER_SCHN_FRONT_LEFT, &left);
    if (snd_mixer_selem_get_playback_volume(m.elem, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0) right = left;
    auto word = [&](long v) {
        return static_cast<std::uint32_t>(std::lround(65535.0 * static_cast<double>(v - lo) / static_cast<double>(hi - lo)));
    };
    *volume = word(left) | (word(right) << 16);
    return true;
}

bool LAlsaDevice::SetVolume(int device, std::uint32_t volume) {
    QuietAlsaErrors();
    MixerHandle m;
    if (!m.Open(AlsaMixerCard(DeviceName(device)))) return false;
    long lo = 0, hi = 0;
    snd_mixer_selem_get_playback_volume_range(m.elem, &lo, &hi);
    if (hi <= lo) return false;
    auto raw = [&](std::uint32_t w) { return lo + std::lround(static_cast<double>(w & 0xFFFF) * (hi - lo) / 65535.0); };
    snd_mixer_selem_set_playback_volume(m.elem, SND_MIXER_SCHN_FRONT_LEFT, raw(volume));
    snd_mixer_selem_set_playback_volume(m.elem, SND_MIXER_SCHN_FRONT_RIGHT, raw(volume >> 16));
    return true;
}

}  // namespace sv
