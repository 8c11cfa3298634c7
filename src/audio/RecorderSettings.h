#pragma once
// The recorder's stored values (group "Recorder") and its playback panel's (group "Player"),
// and the advanced settings dialog LRecordDlgAdvanced.
#include <cstdint>

namespace sv {

class Host;
class Settings;

struct RecorderSettings {
    bool autostart = true;
    bool autotrim = true;
    bool vor = false;
    int threshold = -24;
    int device = 0;
    int channel = -1;
    int volume = 0;
    int playerDevice = 0;
    int playerVolume = 0;

    static constexpr int kMinThreshold = -40;
    static constexpr int kMaxThreshold = -6;
    static constexpr int kMinVolume = -36;
    static constexpr int kMaxVolume = 10;

    static RecorderSettings Read(const Settings& st);
    // Device, line and volume, as the dialog stores them when it closes.
    void WriteChoices(Settings& st) const;
    void WritePlayer(Settings& st) const;

    // What the recorder starts with: the threshold when trimming, else every buffer counts.
    int SoundThreshold() const { return autotrim ? threshold : -127; }
    // Voice activation pauses after 5 s of silence; without it, only after 60 hours.
    std::int32_t SilenceMs() const { return vor ? 5000 : 216000000; }
};

// LRecordDlgAdvanced: edits Autostart, Autotrim, Vor and Threshold and stores them when
// accepted; false on Cancel.
bool RunRecorderAdvancedDialog(Host& host, Settings& st);

}  // namespace sv
