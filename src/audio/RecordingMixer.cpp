#include "audio/RecordingMixer.h"

#include "audio/AlsaDeviceList.h"
#include "platform/ChildProcess.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <memory>

namespace sv {

const char* const kSystemMixerLine = "Mixeur d’Enregistrement Windows";

namespace {

struct Mixer {
    snd_mixer_t* handle = nullptr;
    ~Mixer() {
        if (handle) snd_mixer_close(handle);
    }
    bool Open(int device) {
        const std::string pcm = AlsaDeviceName(device, AlsaDirection::Capture);
        if (pcm.empty() || snd_mixer_open(&handle, 0) < 0) return false;
        return snd_mixer_attach(handle, AlsaMixerCard(pcm).c_str()) >= 0 &&
               snd_mixer_selem_register(handle, nullptr, nullptr) >= 0 && snd_mixer_load(handle) >= 0;
    }
    snd_mixer_elem_t* Source() const {
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_is_active(e) && snd_mixer_selem_is_enum_capture(e)) return e;
        return nullptr;
    }
    std::vector<snd_mixer_elem_t*> Switches() const {
        std::vector<snd_mixer_elem_t*> out;
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(handle); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_is_active(e) && snd_mixer_selem_has_capture_switch(e)) out.push_back(e);
        return out;
    }
};

void SetCaptureLevel(snd_mixer_elem_t* e, std::uint32_t value) {
    if (!snd_mixer_selem_has_capture_volume(e)) return;
    long lo = 0, hi = 0;
    snd_mixer_selem_get_capture_volume_range(e, &lo, &hi);
    if (hi <= lo) return;
    snd_mixer_selem_set_capture_volume_all(e, lo + static_cast<long>((static_cast<long long>(value) * (hi - lo)) / 65535));
}

}  // namespace

std::uint32_t RecordingLevelValue(int db) {
    if (db <= -36) return 0;
    return std::min<std::uint32_t>(static_cast<std::uint32_t>(db + 36) * 1424u, 65535u);
}

std::string InputLineName(LRecordingMixer& mixer, int device, int line) {
    if (line < 0) return kSystemMixerLine;
    const std::vector<std::string> names = mixer.LineNames(device);
    return static_cast<std::size_t>(line) < names.size() ? names[static_cast<std::size_t>(line)] : std::string();
}

std::vector<std::string> LAlsaMixer::LineNames(int device) {
    std::vector<std::string> names;
    Mixer m;
    if (!m.Open(device)) return names;
    if (snd_mixer_elem_t* source = m.Source()) {
        const int n = snd_mixer_selem_get_enum_items(source);
        for (int i = 0; i < n; ++i) {
            char name[64] = {};
            if (snd_mixer_selem_get_enum_item_name(source, static_cast<unsigned>(i), sizeof name - 1, name) < 0) break;
            names.emplace_back(name);
        }
        return names;
    }
    for (snd_mixer_elem_t* e : m.Switches()) names.emplace_back(snd_mixer_selem_get_name(e));
    return names;
}

bool LAlsaMixer::SetRecording(int device, int line, int db) {
    if (device < 0 || line < 0) return false;
    Mixer m;
    if (!m.Open(device)) return false;
    const std::uint32_t value = RecordingLevelValue(db);
    if (snd_mixer_elem_t* source = m.Source()) {
        if (line >= snd_mixer_selem_get_enum_items(source)) return false;
        for (int c = 0; c <= SND_MIXER_SCHN_LAST; ++c)
            snd_mixer_selem_set_enum_item(source, static_cast<snd_mixer_selem_channel_id_t>(c), static_cast<unsigned>(line));
        // The enumeration picks the line; the level is the recording side's ("Capture").
        for (snd_mixer_elem_t* e = snd_mixer_first_elem(m.handle); e; e = snd_mixer_elem_next(e)) SetCaptureLevel(e, value);
        return true;
    }
    const std::vector<snd_mixer_elem_t*> switches = m.Switches();
    if (static_cast<std::size_t>(line) >= switches.size()) return false;
    for (std::size_t i = 0; i < switches.size(); ++i)
        snd_mixer_selem_set_capture_switch_all(switches[i], i == static_cast<std::size_t>(line) ? 1 : 0);
    SetCaptureLevel(switches[static_cast<std::size_t>(line)], value);
    // A recording-side level apart from the lines, where the card has one.
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(m.handle); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_has_capture_switch(e)) SetCaptureLevel(e, value);
    }
    return true;
}

std::vector<std::string> ExternalMixerCommand() {
    if (ProgramAvailable("pavucontrol")) return {"pavucontrol", "--tab=4"};
    if (ProgramAvailable("alsamixer")) {
        for (const char* terminal : {"x-terminal-emulator", "xterm"}) {
            if (ProgramAvailable(terminal)) return {terminal, "-e", "alsamixer", "-V", "capture"};
        }
    }
    return {};
}

}  // namespace sv
