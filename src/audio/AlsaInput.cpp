#include "audio/AlsaInput.h"

#include "audio/AlsaDeviceList.h"

#include <alsa/asoundlib.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <vector>

namespace sv {

namespace {

// A device that keeps overrunning faster than it can be restarted is not recording anything.
constexpr int kMaxOverrunsInARow = 8;

bool SetHardware(snd_pcm_t* pcm, const WaveFormat& format, std::int32_t periodFrames, int periods, bool resample) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (snd_pcm_hw_params_any(pcm, hw) < 0) return false;
    if (snd_pcm_hw_params_set_rate_resample(pcm, hw, resample ? 1 : 0) < 0) return false;
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0) return false;
    if (snd_pcm_hw_params_set_format(pcm, hw, SND_PCM_FORMAT_S16_LE) < 0) return false;
    if (snd_pcm_hw_params_set_channels(pcm, hw, format.channels) < 0) return false;
    if (snd_pcm_hw_params_set_rate(pcm, hw, static_cast<unsigned>(format.sampleRate), 0) < 0) return false;
    // Period and ring are wishes: a device with other limits takes the nearest it can.
    snd_pcm_uframes_t period = static_cast<snd_pcm_uframes_t>(periodFrames);
    int dir = 0;
    snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, &dir);
    snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(periodFrames) * static_cast<snd_pcm_uframes_t>(periods);
    snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer);
    if (snd_pcm_hw_params(pcm, hw) < 0) return false;
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm, sw) == 0) {
        snd_pcm_sw_params_set_avail_min(pcm, sw, period);
        // Started by hand; a capture that is not read for a whole ring overruns.
        snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer * 2);
        snd_pcm_sw_params(pcm, sw);
    }
    return true;
}

}  // namespace

LAlsaInput::~LAlsaInput() { Close(); }

std::vector<std::string> LAlsaInput::DeviceNames() { return AlsaDeviceNames(AlsaDirection::Capture); }

std::string LAlsaInput::DeviceName(int device) { return AlsaDeviceName(device, AlsaDirection::Capture); }

void LAlsaInput::Fail(const char* what, long err) {
    errorText_ = std::string(what) + " (" + snd_strerror(static_cast<int>(err)) + ")";
}

bool LAlsaInput::Open(int device, const WaveFormat& format, std::int32_t periodFrames, int periods, bool mapFormat) {
    QuietAlsaErrors();
    Close();
    errorText_.clear();
    overruns_.store(0);
    std::string name = DeviceName(device);
    if (name.empty()) {
        errorText_ = "ce périphérique d'enregistrement n'existe pas";
        return false;
    }
    // The plug layer converts rate, channels and sample format for a device that refuses ours.
    if (mapFormat && name != "default") name = "plug:'" + name + "'";
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) {
        Fail("le périphérique d'enregistrement ne peut pas être ouvert", err);
        return false;
    }
    if (!SetHardware(pcm, format, periodFrames, periods, mapFormat)) {
        errorText_ = "le périphérique d'enregistrement refuse ce format";
        snd_pcm_close(pcm);
        return false;
    }
    format_ = format;
    pcm_ = pcm;
    return true;
}

bool LAlsaInput::Start() {
    if (!pcm_) return false;
    const int err = snd_pcm_start(pcm_);
    if (err < 0) {
        Fail("l'enregistrement ne peut pas commencer", err);
        return false;
    }
    return true;
}

bool LAlsaInput::Recover(long err) {
    if (err == -EPIPE || err == -ESTRPIPE) {
        overruns_.fetch_add(1);
        if (snd_pcm_recover(pcm_, static_cast<int>(err), 1) < 0 || snd_pcm_start(pcm_) < 0) {
            Fail("le périphérique d'enregistrement ne répond plus", err);
            return false;
        }
        return true;
    }
    Fail("le périphérique d'enregistrement ne répond plus", err);
    return false;
}

InputResult LAlsaInput::Read(std::int16_t* dst, std::int32_t frames, int timeoutMs) {
    if (!pcm_) return InputResult::Failed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int overrunsInARow = 0;
    std::vector<pollfd> fds;
    while (frames > 0) {
        if (Interrupted()) return InputResult::Stopped;
        const snd_pcm_sframes_t n = snd_pcm_readi(pcm_, dst, static_cast<snd_pcm_uframes_t>(frames));
        if (n > 0) {
            dst += n * format_.channels;
            frames -= static_cast<std::int32_t>(n);
            overrunsInARow = 0;
            continue;
        }
        if (n == -EAGAIN || n == 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return InputResult::TimedOut;
            const int count = snd_pcm_poll_descriptors_count(pcm_);
            fds.resize(static_cast<std::size_t>(std::max(count, 0)) + 1);
            fds[0] = {WakeFd(), POLLIN, 0};
            if (count > 0) snd_pcm_poll_descriptors(pcm_, fds.data() + 1, static_cast<unsigned>(count));
            const int r = ::poll(fds.data(), fds.size(), static_cast<int>(left.count()));
            if (r < 0 && errno != EINTR) {
                Fail("le périphérique d'enregistrement ne répond plus", -errno);
                return InputResult::Failed;
            }
            if (r > 0 && (fds[0].revents & POLLIN)) return InputResult::Stopped;
            if (r > 0 && count > 0) {
                // Plugins (PulseAudio's, PipeWire's) read their own descriptors' events here.
                unsigned short revents = 0;
                snd_pcm_poll_descriptors_revents(pcm_, fds.data() + 1, static_cast<unsigned>(count), &revents);
            }
            // Ready, an error or a hang-up: the next read tells which.
            continue;
        }
        if (++overrunsInARow > kMaxOverrunsInARow || !Recover(n)) return InputResult::Failed;
    }
    return InputResult::Ok;
}

void LAlsaInput::Halt() {
    // A capture stream that drains stops taking frames but leaves the captured ones readable.
    if (pcm_ && snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING) snd_pcm_drain(pcm_);
}

std::int32_t LAlsaInput::Remaining(std::int16_t* dst, std::int32_t maxFrames) {
    if (!pcm_ || maxFrames <= 0) return 0;
    const snd_pcm_sframes_t avail = snd_pcm_avail(pcm_);
    if (avail <= 0) return 0;
    const snd_pcm_sframes_t n =
        snd_pcm_readi(pcm_, dst, static_cast<snd_pcm_uframes_t>(std::min<snd_pcm_sframes_t>(avail, maxFrames)));
    return n > 0 ? static_cast<std::int32_t>(n) : 0;
}

void LAlsaInput::Close() {
    if (!pcm_) return;
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
}

}  // namespace sv
