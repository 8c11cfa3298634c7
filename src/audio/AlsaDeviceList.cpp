#include "audio/AlsaDeviceList.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

namespace sv {

namespace {

void DiscardAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

void QuietAlsaErrors() {
    static bool done = [] {
        snd_lib_error_set_handler(&DiscardAlsaError);
        return true;
    }();
    (void)done;
}

std::vector<std::string> AlsaDeviceNames(AlsaDirection direction) {
    QuietAlsaErrors();
    const char* wanted = direction == AlsaDirection::Playback ? "Output" : "Input";
    std::vector<std::string> names;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return names;
    for (void** h = hints; *h; ++h) {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* io = snd_device_name_get_hint(*h, "IOID");
        if (name && (!io || std::strcmp(io, wanted) == 0)) names.emplace_back(name);
        std::free(name);
        std::free(io);
    }
    snd_device_name_free_hint(hints);
    return names;
}

std::string AlsaDeviceName(int device, AlsaDirection direction) {
    if (device == 0) return "default";
    if (device < 0) return {};
    const std::vector<std::string> names = AlsaDeviceNames(direction);
    if (static_cast<std::size_t>(device) > names.size()) return {};
    return names[static_cast<std::size_t>(device) - 1];
}

std::string AlsaMixerCard(const std::string& pcmName) {
    const auto pos = pcmName.find("CARD=");
    if (pos == std::string::npos) return "default";
    std::string card = pcmName.substr(pos + 5);
    const auto comma = card.find(',');
    if (comma != std::string::npos) card.resize(comma);
    return "hw:CARD=" + card;
}

}  // namespace sv
