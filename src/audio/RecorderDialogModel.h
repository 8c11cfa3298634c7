#pragma once
// The logic of the recorder dialog LRecordDlg, without its drawing: the input device, line and
// recording volume choices, record, retake and record-next, the advanced settings, and the
// playback panel that plays what was recorded. The Qt dialog shows what this holds through a
// RecorderView and forwards its controls and keys here; tests drive it directly.
#include "audio/RecorderSettings.h"
#include "audio/RecordTarget.h"
#include "audio/RecordingMixer.h"
#include "audio/WavePlayer.h"
#include "audio/WaveRecorder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sv {

class Workspace;

// The dialog's controls.
enum RecorderControl {
    kRecDeviceList = 100,
    kRecLineList = 101,
    kRecVolume = 102,
    kRecSlider = 106,
    kRecOutputList = 107,
    kRecOutputVolume = 108,
    kRecAdvanced = 109,
    kRecRecord = 110,
    kRecPlay = 111,
    kRecPause = 112,
    kRecStop = 113,
    kRecStart = 114,
    kRecRewind = 115,
    kRecForward = 116,
    kRecEnd = 117,
    kRecMixer = 119,
    kRecFileName = 120,
};

// The dialog's result for "Enregistrer Suivant (F5)".
constexpr int kRecordNext = 2;

class RecorderView {
public:
    virtual ~RecorderView() = default;
    // Recording started or ended: the bitmaps and tooltips of 110 to 117 change.
    virtual void ShowRecording(bool recording) { (void)recording; }
    // The line list, the volume control and the mixer button (after a device change).
    virtual void ShowLines() {}
    virtual void ShowLevels(int channels, const std::int8_t* levels) { (void)channels; (void)levels; }
    virtual void ClearLevels() {}
    // The recorded sound changed (a take ended): the waveform and the slider follow.
    virtual void ShowSound(const LAudioData& sound) { (void)sound; }
    // The panel's position (frames) while playing, or where a recording now is.
    virtual void ShowPosition(std::int32_t frame) { (void)frame; }
    virtual void ShowPlaying(bool playing) { (void)playing; }
    virtual void CloseDialog(int result) { (void)result; }
    // Starts the desktop's mixer program; false when it could not be started.
    virtual bool RunProgram(const std::vector<std::string>& argv) { (void)argv; return false; }
};

struct RecorderDevices {
    std::unique_ptr<LAudioInput> input;
    std::unique_ptr<LAudioDevice> output;
    std::unique_ptr<LRecordingMixer> mixer;
    // Default: ALSA (or the null devices under SONVELA_AUDIO=null).
    static RecorderDevices System();
};

class RecorderDialogModel : private LRecorderListener {
public:
    RecorderDialogModel(Workspace& ws, LRecordOwner& owner, RecorderDevices devices);
    ~RecorderDialogModel() override;

    void SetView(RecorderView* view) { view_ = view ? view : &noView_; }

    // What opening the dialog does; recording starts here when "Autostart" is set.
    void Open();
    // What closing does: the choices are stored and the recorder stops.
    void Close();

    // Device list (100): the default device, then every capture device.
    std::vector<std::string> DeviceEntries() const { return deviceEntries_; }
    int DeviceIndex() const { return settings_.device; }
    void ChooseDevice(int index);
    // Line list (101): "Mixeur d’Enregistrement Windows", then the device's input lines.
    std::vector<std::string> LineEntries() const;
    int LineIndex() const { return settings_.channel + 1; }
    void ChooseLine(int index);
    bool VolumeVisible() const { return settings_.channel >= 0; }
    bool MixerButtonVisible() const { return settings_.channel < 0 && !mixerCommand_.empty(); }
    int Volume() const { return settings_.volume; }
    void SetVolume(int db);
    void OpenMixer();

    // Record (110, F8): starts a take at the panel's position when stopped.
    void Record();
    // F5 to F8; false for a key the dialog does not use.
    bool Key(int functionKey);
    // The buttons 109 and 111 to 119.
    void Press(int control);
    // Stops the recorder and the panel's player.
    void StopAll();
    void Advanced();

    bool Recording() const { return !recorder_.IsStopped(); }
    int RecorderState() const { return recorder_.State(); }
    std::string ToolTip(int control) const;
    std::string Bitmap(int control) const;

    // Playback panel.
    std::vector<std::string> OutputEntries() const { return outputEntries_; }
    int OutputIndex() const { return settings_.playerDevice; }
    void ChooseOutput(int index);
    int OutputVolume() const { return settings_.playerVolume; }
    void SetOutputVolume(int db);
    std::int32_t Position() const { return position_; }
    // The slider (106): 0..100 of the recorded sound.
    int SliderPercent() const;
    void SeekPercent(int percent);
    void SeekFrame(std::int32_t frame);
    bool Playing() const { return player_.IsOpen(); }
    std::int32_t LastStart() const { return lastStart_; }
    const LAudioData& Sound() const { return owner_.Sound(); }

    LWaveRecorder& Recorder() { return recorder_; }
    LWavePlayer& Player() { return player_; }
    const RecorderSettings& Values() const { return settings_; }

private:
    bool StartAt(std::int32_t position);
    void Retake(std::int32_t position);
    void TakeEnded();
    void Play();
    void StopPlayer();
    void ApplyMixer();

    // LRecorderListener
    void Writing(std::intptr_t) override {}
    void Waiting(std::intptr_t) override {}
    void Stopped(std::intptr_t) override;
    void Position(std::int32_t ms, std::intptr_t) override;
    void Levels(int channels, const std::int8_t* levels, std::intptr_t) override;
    void Failed(const std::string& why, std::intptr_t) override;
    // The panel's player reports.
    void PlayerPlaying();
    void PlayerClosed();
    void PlayerPosition(std::int32_t ms);

    class PlayerRelay : public LPlayerListener {
    public:
        explicit PlayerRelay(RecorderDialogModel& m) : m_(m) {}
        void Playing(std::intptr_t) override { m_.PlayerPlaying(); }
        void Closed(std::intptr_t) override { m_.PlayerClosed(); }
        void Position(std::int32_t ms, std::intptr_t) override { m_.PlayerPosition(ms); }
        void Levels(int channels, const std::int8_t* levels, std::intptr_t) override {
            m_.view_->ShowLevels(channels, levels);
        }

    private:
        RecorderDialogModel& m_;
    };

    Workspace& ws_;
    LRecordOwner& owner_;
    std::unique_ptr<LRecordingMixer> mixer_;
    LWaveRecorder recorder_;
    LWavePlayer player_;
    PlayerRelay relay_{*this};
    RecorderView noView_;
    RecorderView* view_ = &noView_;
    RecorderSettings settings_;
    std::vector<std::string> deviceEntries_;
    std::vector<std::string> outputEntries_;
    std::vector<std::string> lines_;
    std::vector<std::string> mixerCommand_;
    std::int32_t position_ = 0;
    std::int32_t lastStart_ = 0;
    bool closing_ = false;
};

// Shown when a take cannot begin.
std::string RecordStartFailedText(const std::string& why);
// Shown when the device ended a take.
std::string RecordingFailedText(const std::string& why);

}  // namespace sv
