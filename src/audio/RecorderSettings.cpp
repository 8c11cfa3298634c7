#include "audio/RecorderSettings.h"

#include "core/DialogSpec.h"
#include "core/Host.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {
const char* const kGroup = "Recorder";
const char* const kPlayerGroup = "Player";
}  // namespace

RecorderSettings RecorderSettings::Read(const Settings& st) {
    RecorderSettings s;
    s.autostart = st.ReadBoolSetting(kGroup, "Autostart", true);
    s.autotrim = st.ReadBoolSetting(kGroup, "Autotrim", true);
    s.vor = st.ReadBoolSetting(kGroup, "Vor", false);
    // Values edited by hand are brought back into what the dialogs allow.
    s.threshold = std::clamp(st.ReadIntSetting(kGroup, "Threshold", -24), kMinThreshold, kMaxThreshold);
    s.device = std::max(0, st.ReadIntSetting(kGroup, "Device", 0));
    s.channel = std::max(-1, st.ReadIntSetting(kGroup, "Channel", -1));
    s.volume = std::clamp(st.ReadIntSetting(kGroup, "Volume", 0), kMinVolume, kMaxVolume);
    s.playerDevice = std::max(0, st.ReadIntSetting(kPlayerGroup, "Device", 0));
    s.playerVolume = std::clamp(st.ReadIntSetting(kPlayerGroup, "VolumeDB", 0), kMinVolume, kMaxVolume);
    return s;
}

void RecorderSettings::WriteChoices(Settings& st) const {
    st.WriteIntUserSetting(kGroup, "Volume", volume);
    st.WriteIntUserSetting(kGroup, "Device", device);
    st.WriteIntUserSetting(kGroup, "Channel", channel);
}

void RecorderSettings::WritePlayer(Settings& st) const {
    st.WriteIntUserSetting(kPlayerGroup, "Device", playerDevice);
    st.WriteIntUserSetting(kPlayerGroup, "VolumeDB", playerVolume);
}

bool RunRecorderAdvancedDialog(Host& host, Settings& st) {
    const RecorderSettings now = RecorderSettings::Read(st);
    DialogSpec spec;
    spec.resource = "LRecordDlgAdvanced";
    spec.caption = "Paramètres Avancés";
    auto check = [](bool on) { return std::string(on ? "1" : "0"); };
    spec.fields.push_back({"autostart", "Auto Start Recording", DialogField::Kind::Check, check(now.autostart), {}});
    spec.fields.push_back({"autotrim", "Enregistrement AutoTrim", DialogField::Kind::Check, check(now.autotrim), {}});
    spec.fields.push_back({"vor", "Activé par la Voix", DialogField::Kind::Check, check(now.vor), {}});
    spec.fields.push_back({"threshold", "Seuil (dB):", DialogField::Kind::Integer, std::to_string(now.threshold), {}});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int t = s.IntValue("threshold");
        if (t < RecorderSettings::kMinThreshold || t > RecorderSettings::kMaxThreshold)
            return DialogRefusal{"Le seuil doit se situer entre -40 et -6 dB.", "Valeur Invalide", MsgIcon::Error,
                                 "threshold"};
        return std::nullopt;
    };
    if (!host.RunDialog(spec)) return false;
    st.WriteBoolUserSetting(kGroup, "Autostart", spec.Value("autostart") == "1");
    st.WriteBoolUserSetting(kGroup, "Autotrim", spec.Value("autotrim") == "1");
    st.WriteBoolUserSetting(kGroup, "Vor", spec.Value("vor") == "1");
    st.WriteIntUserSetting(kGroup, "Threshold", spec.IntValue("threshold"));
    return true;
}

}  // namespace sv
