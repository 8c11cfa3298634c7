#pragma once
// What the ALSA playback and capture backends share: ALSA kept quiet, the stored device numbers
// (0 is ALSA's "default", n the n-th device of the hint list that goes the right way) and the
// mixer card a device name belongs to.
#include <string>
#include <vector>

namespace sv {

enum class AlsaDirection { Playback, Capture };

// ALSA prints its diagnostics to stderr by default; a missing card is a normal state here.
void QuietAlsaErrors();

// The PCM names of the hint list usable in that direction; a hint without IOID goes both ways.
std::vector<std::string> AlsaDeviceNames(AlsaDirection direction);

// The ALSA name a stored device number opens; empty when there is no such device.
std::string AlsaDeviceName(int device, AlsaDirection direction);

// The mixer of a device name's card: "hw:CARD=X" when the name carries a card, else "default".
std::string AlsaMixerCard(const std::string& pcmName);

}  // namespace sv
