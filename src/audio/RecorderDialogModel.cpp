#include "audio/RecorderDialogModel.h"

#include "core/BlockReader.h"
#include "core/Host.h"
#include "core/TimeText.h"
#include "core/Workspace.h"

#include <algorithm>

namespace sv {

namespace {

const char* const kDefaultDevice = "Périphérique par défaut";
// The panel's rewind and forward step.
constexpr std::int32_t kStepMs = 1000;

}  // namespace

std::string RecordStartFailedText(const std::string& why) {
    return "L'enregistrement ne peut pas commencer : " + why +
           ". Vérifiez le périphérique d'enregistrement choisi.";
}

std::string RecordingFailedText(const std::string& why) {
    return "L'enregistrement s'est arrêté : " + why + ". Ce qui a été enregistré jusque-là est conservé.";
}

RecorderDevices RecorderDevices::System() {
    RecorderDevices d;
    d.input = CreateAudioInput();
    d.output = CreateAudioDevice();
    d.mixer = std::make_unique<LAlsaMixer>();
    return d;
}

RecorderDialogModel::RecorderDialogModel(Workspace& ws, LRecordOwner& owner, RecorderDevices devices)
    : ws_(ws), owner_(owner), mixer_(std::move(devices.mixer)), recorder_(ws.notifier(), std::move(devices.input)),
      player_(ws.notifier(), std::move(devices.output)) {
    recorder_.SetListener(this, 0);
    player_.SetListener(&relay_, 0);
    settings_ = RecorderSettings::Read(ws_.settings());
    mixerCommand_ = ExternalMixerCommand();
}

RecorderDialogModel::~RecorderDialogModel() {
    closing_ = true;
    recorder_.SetListener(nullptr, 0);
    player_.SetListener(nullptr, 0);
    recorder_.Stop();
    player_.Close();
    if (!recorder_.ThreadStuck()) owner_.Collect();
}

void RecorderDialogModel::Open() {
    deviceEntries_ = {kDefaultDevice};
    for (const std::string& name : recorder_.Input().DeviceNames()) deviceEntries_.push_back(name);
    outputEntries_ = {kDefaultDevice};
    for (const std::string& name : player_.Device().DeviceNames()) outputEntries_.push_back(name);
    settings_.device = std::min<int>(settings_.device, static_cast<int>(deviceEntries_.size()) - 1);
    settings_.playerDevice = std::min<int>(settings_.playerDevice, static_cast<int>(outputEntries_.size()) - 1);
    player_.SetDeviceNumber(settings_.playerDevice);
    lines_ = mixer_ ? mixer_->LineNames(settings_.device) : std::vector<std::string>();
    // A line stored for another card, or a card that lost its mixer, falls back to the system mixer.
    if (settings_.channel >= static_cast<int>(lines_.size())) settings_.channel = -1;
    position_ = owner_.Sound().Length();
    view_->ShowLines();
    view_->ShowRecording(false);
    view_->ShowSound(owner_.Sound());
    view_->ShowPosition(position_);
    if (settings_.autostart) Record();
}

void RecorderDialogModel::Close() {
    closing_ = true;
    settings_.WriteChoices(ws_.settings());
    settings_.WritePlayer(ws_.settings());
    StopAll();
    closing_ = false;
    if (!recorder_.ThreadStuck()) owner_.Collect();
}

std::vector<std::string> RecorderDialogModel::LineEntries() const {
    std::vector<std::string> entries = {kSystemMixerLine};
    entries.insert(entries.end(), lines_.begin(), lines_.end());
    return entries;
}

void RecorderDialogModel::ChooseDevice(int index) {
    if (index < 0 || index >= static_cast<int>(deviceEntries_.size()) || index == settings_.device) return;
    settings_.device = index;
    lines_ = mixer_ ? mixer_->LineNames(index) : std::vector<std::string>();
    if (settings_.channel >= static_cast<int>(lines_.size())) settings_.channel = -1;
    view_->ShowLines();
}

void RecorderDialogModel::ChooseLine(int index) {
    if (index < 0 || index > static_cast<int>(lines_.size())) return;
    settings_.channel = index - 1;
    view_->ShowLines();
    ApplyMixer();
}

void RecorderDialogModel::SetVolume(int db) {
    settings_.volume = std::clamp(db, RecorderSettings::kMinVolume, RecorderSettings::kMaxVolume);
    ApplyMixer();
}

void RecorderDialogModel::ApplyMixer() {
    if (mixer_) mixer_->SetRecording(settings_.device, settings_.channel, settings_.volume);
}

void RecorderDialogModel::OpenMixer() {
    if (mixerCommand_.empty()) return;
    if (!view_->RunProgram(mixerCommand_)) {
        ws_.host().MessageBox("Le mixeur \"" + mixerCommand_[0] + "\" ne peut pas être lancé.", "Sonvela",
                              MsgIcon::Error, MsgButtons::Ok);
    }
}

void RecorderDialogModel::Record() {
    if (!recorder_.IsStopped()) return;
    StartAt(position_);
}

bool RecorderDialogModel::StartAt(std::int32_t position) {
    StopPlayer();
    recorder_.Stop();
    recorder_.SetDevice(settings_.device, settings_.channel);
    ApplyMixer();
    if (recorder_.ThreadStuck()) {
        ws_.host().MessageBox(RecordStartFailedText(recorder_.ErrorText()), "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    owner_.Collect();
    lastStart_ = std::clamp(position, 0, owner_.Sound().Length());
    Ref<LAudioWriter> writer = owner_.WriterAt(lastStart_);
    if (!recorder_.Start(writer, 0, settings_.SoundThreshold(), settings_.SilenceMs())) {
        writer = nullptr;
        owner_.Collect();
        ws_.host().MessageBox(RecordStartFailedText(recorder_.ErrorText()), "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        view_->ShowSound(owner_.Sound());
        return false;
    }
    view_->ShowRecording(true);
    return true;
}

void RecorderDialogModel::Retake(std::int32_t position) {
    if (position == lastStart_ && !recorder_.IsStopped()) {
        // The take's writer starts there already: record it again from its first frame.
        recorder_.Restart();
        return;
    }
    closing_ = true;  // one take ends and the next begins: no panel refresh in between
    recorder_.Stop();
    closing_ = false;
    StartAt(position);
}

bool RecorderDialogModel::Key(int functionKey) {
    switch (functionKey) {
    case 8:
        Record();
        return true;
    case 7:
        Retake(lastStart_);
        return true;
    case 6:
        if (Recording()) Retake(0);
        return true;
    case 5:
        if (Recording()) view_->CloseDialog(kRecordNext);
        return true;
    default:
        return false;
    }
}

void RecorderDialogModel::Press(int control) {
    const bool recording = Recording();
    switch (control) {
    case kRecAdvanced: Advanced(); return;
    case kRecRecord: Record(); return;
    case kRecMixer: OpenMixer(); return;
    case kRecStop: StopAll(); return;
    case kRecPlay:
        if (!recording) Play();
        return;
    case kRecPause:
        if (player_.IsOpen()) {
            if (player_.IsHeld())
                player_.Resume();
            else
                player_.Hold();
        }
        return;
    case kRecStart:
        if (recording)
            Retake(0);
        else
            SeekFrame(0);
        return;
    case kRecRewind:
        if (!recording) SeekFrame(position_ - RecorderMsToFrames(kStepMs, owner_.Sound().sampleRate));
        return;
    case kRecForward:
        if (recording)
            Retake(lastStart_);
        else
            SeekFrame(position_ + RecorderMsToFrames(kStepMs, owner_.Sound().sampleRate));
        return;
    case kRecEnd:
        if (recording)
            view_->CloseDialog(kRecordNext);
        else
            SeekFrame(owner_.Sound().Length());
        return;
    default: return;
    }
}

void RecorderDialogModel::StopAll() {
    recorder_.Stop();
    StopPlayer();
}

void RecorderDialogModel::Advanced() {
    StopAll();
    if (!RunRecorderAdvancedDialog(ws_.host(), ws_.settings())) return;
    const RecorderSettings stored = RecorderSettings::Read(ws_.settings());
    settings_.autostart = stored.autostart;
    settings_.autotrim = stored.autotrim;
    settings_.vor = stored.vor;
    settings_.threshold = stored.threshold;
    if (settings_.autostart) Record();
}

std::string RecorderDialogModel::ToolTip(int control) const {
    const bool recording = Recording();
    switch (control) {
    case kRecDeviceList: return "Périphérique d’enregistrement";
    case kRecLineList: return "Canal d’Entrée d’Enregistrement";
    case kRecVolume: return "Volume d’Enregistrement";
    case kRecRecord: return "Enregistrer (F8)";
    case kRecStart: return recording ? "Recommencer (F6)" : "Aller au Début (Home)";
    case kRecRewind: return "Rembobiner (<-)";
    case kRecForward: return recording ? "Ré-Enregistrer (F7)" : "Défiler (->)";
    case kRecEnd: return recording ? "Enregistrer Suivant (F5)" : "Aller à la Fin (End)";
    default: return {};
    }
}

std::string RecorderDialogModel::Bitmap(int control) const {
    switch (control) {
    case kRecRecord: return "RecordBitmap";
    case kRecPlay: return "PlayBitmap";
    case kRecPause: return "ScrubBitmap";
    case kRecStop: return "StopBitmap";
    case kRecStart: return "StartBitmap";
    case kRecRewind: return "RewindBitmap";
    case kRecForward: return Recording() ? "RetakeBitmap" : "ForwardBitmap";
    case kRecEnd: return "EndBitmap";
    default: return {};
    }
}

void RecorderDialogModel::ChooseOutput(int index) {
    if (index < 0 || index >= static_cast<int>(outputEntries_.size())) return;
    StopPlayer();
    settings_.playerDevice = index;
    player_.SetDeviceNumber(index);
}

void RecorderDialogModel::SetOutputVolume(int db) {
    settings_.playerVolume = std::clamp(db, RecorderSettings::kMinVolume, RecorderSettings::kMaxVolume);
    const std::uint32_t word = RecordingLevelValue(settings_.playerVolume);
    player_.Device().SetVolume(settings_.playerDevice, word | (word << 16));
}

int RecorderDialogModel::SliderPercent() const {
    const std::int64_t length = owner_.Sound().Length();
    return length > 0 ? static_cast<int>(static_cast<std::int64_t>(position_) * 100 / length) : 0;
}

void RecorderDialogModel::SeekPercent(int percent) {
    SeekFrame(static_cast<std::int32_t>(static_cast<std::int64_t>(owner_.Sound().Length()) * std::clamp(percent, 0, 100) / 100));
}

void RecorderDialogModel::SeekFrame(std::int32_t frame) {
    if (Recording()) return;
    position_ = std::clamp(frame, 0, owner_.Sound().Length());
    if (player_.IsOpen()) player_.Seek(position_);
    view_->ShowPosition(position_);
}

void RecorderDialogModel::Play() {
    const LAudioData& sound = owner_.Sound();
    if (sound.Length() == 0) return;
    if (position_ >= sound.Length()) position_ = 0;
    Ref<LAudioReader> reader = LBlockReader::Create(sound);
    reader->Seek(position_);
    if (!player_.Open(reader)) {
        ws_.host().MessageBox(
            "Veuillez vérifier que vous ayez sélectionné le lecteur audio adéquat dans le menu Options. Ouvrez le "
            "menu Options en cliquant sur Outils -> Options",
            "Sonvela", MsgIcon::Information, MsgButtons::Ok);
    }
}

void RecorderDialogModel::StopPlayer() { player_.Close(); }

void RecorderDialogModel::TakeEnded() {
    if (!recorder_.ThreadStuck() && !owner_.Collect()) {
        ws_.host().MessageBox("Le son enregistré ne peut pas être conservé : " + owner_.ErrorText(), "Sonvela",
                              MsgIcon::Error, MsgButtons::Ok);
    }
    position_ = owner_.Sound().Length();
    view_->ClearLevels();
    view_->ShowRecording(false);
    view_->ShowSound(owner_.Sound());
    view_->ShowPosition(position_);
}

void RecorderDialogModel::Stopped(std::intptr_t) {
    if (closing_) {
        view_->ShowRecording(false);
        return;
    }
    TakeEnded();
}

void RecorderDialogModel::Position(std::int32_t ms, std::intptr_t) {
    view_->ShowPosition(lastStart_ + RecorderMsToFrames(ms, owner_.Sound().sampleRate));
}

void RecorderDialogModel::Levels(int channels, const std::int8_t* levels, std::intptr_t) {
    view_->ShowLevels(channels, levels);
}

void RecorderDialogModel::Failed(const std::string& why, std::intptr_t) {
    ws_.host().MessageBox(RecordingFailedText(why), "Sonvela", MsgIcon::Warning, MsgButtons::Ok);
}

void RecorderDialogModel::PlayerPlaying() { view_->ShowPlaying(true); }

void RecorderDialogModel::PlayerClosed() {
    view_->ShowPlaying(false);
    view_->ClearLevels();
}

void RecorderDialogModel::PlayerPosition(std::int32_t ms) {
    if (!player_.IsOpen()) return;
    position_ = std::min(player_.PositionFrames(), owner_.Sound().Length());
    (void)ms;
    view_->ShowPosition(position_);
}

}  // namespace sv
