#pragma once
// The recording mixer: the input lines of a capture device (the capture source enumeration or
// the elements with a capture switch of the card's simple mixer), choosing one of them and
// setting the recording level. Many devices (PipeWire's and PulseAudio's default, USB
// microphones without controls) have none, a normal state: the line list is then empty and the
// level is left to the desktop's mixer program.
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LRecordingMixer {
public:
    virtual ~LRecordingMixer() = default;
    // The source lines of device's recording side, by name; empty without a usable mixer.
    virtual std::vector<std::string> LineNames(int device) = 0;
    // Selects line (its switch or enumeration item on, every other off) and gives it and the
    // recording side the level of db. Nothing for a negative device or line; false without a
    // mixer that could take it.
    virtual bool SetRecording(int device, int line, int db) = 0;
};

// The ALSA simple mixer of the card behind a capture device.
class LAlsaMixer : public LRecordingMixer {
public:
    std::vector<std::string> LineNames(int device) override;
    bool SetRecording(int device, int line, int db) override;
};

// The entry of the line list for line: "Mixeur d’Enregistrement Windows" for -1, else the name.
std::string InputLineName(LRecordingMixer& mixer, int device, int line);
// 0 at -36 dB and below, otherwise (dB + 36) * 1424 capped at 65,535.
std::uint32_t RecordingLevelValue(int db);
// The desktop's mixer program opened on its recording side: pavucontrol, else alsamixer in a
// terminal; empty when neither is installed.
std::vector<std::string> ExternalMixerCommand();

extern const char* const kSystemMixerLine;

}  // namespace sv
