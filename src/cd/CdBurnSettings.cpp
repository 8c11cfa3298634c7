#include "cd/CdBurnSettings.h"

#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {
constexpr const char* kGroup = "CDRecorder";
}

CdBurnOptions ReadCdBurnOptions(const Settings& st) {
    CdBurnOptions o;
    o.internal = st.ReadIntSetting(kGroup, "Internal", 1) != 0;
    o.eraseCdRw = st.ReadIntSetting(kGroup, "EraseCDRW", 0) != 0;
    o.overburn = st.ReadIntSetting(kGroup, "Overburn", 0) != 0;
    o.speed = st.ReadIntSetting(kGroup, "Speed", kMaxCdSpeed);
    if (o.speed <= 0 || o.speed > kMaxCdSpeed) o.speed = kMaxCdSpeed;
    o.drive = std::max(st.ReadIntSetting(kGroup, "CDDrive", 0), 0);
    o.loadEject = st.ReadIntSetting(kGroup, "CDLoadEject", 1) != 0;
    return o;
}

void WriteCdBurnOptions(Settings& st, const CdBurnOptions& o) {
    st.WriteIntUserSetting(kGroup, "Internal", o.internal ? 1 : 0);
    st.WriteIntUserSetting(kGroup, "EraseCDRW", o.eraseCdRw ? 1 : 0);
    st.WriteIntUserSetting(kGroup, "Overburn", o.overburn ? 1 : 0);
    st.WriteIntUserSetting(kGroup, "Speed", o.speed);
    st.WriteIntUserSetting(kGroup, "CDDrive", o.drive);
    st.WriteIntUserSetting(kGroup, "CDLoadEject", o.loadEject ? 1 : 0);
}

const std::vector<int>& CdSpeedChoices() {
    static const std::vector<int> speeds{kMaxCdSpeed, 1, 2, 4, 8, 12, 16, 20, 24, 32, 40, 48, 52};
    return speeds;
}

DialogSpec CdBurnDialog(const CdBurnOptions& o, const std::vector<std::string>& driveNames) {
    DialogSpec spec;
    spec.resource = "LCDAudioBurnDlg";
    spec.caption = "Burn Audio CD";
    spec.fields.push_back({"Internal", "Writer:", DialogField::Kind::Choice, o.internal ? "0" : "1",
                           {"Sonvela's own CD writer", "The system's CD burning program"}});
    DialogField drive{"CDDrive", "CD drive:", DialogField::Kind::Choice, "0", driveNames};
    if (o.drive < static_cast<int>(driveNames.size())) drive.value = std::to_string(o.drive);
    spec.fields.push_back(drive);
    DialogField speed{"Speed", "Speed:", DialogField::Kind::Choice, "0", {}};
    const std::vector<int>& speeds = CdSpeedChoices();
    for (std::size_t i = 0; i < speeds.size(); ++i) {
        speed.choices.push_back(speeds[i] == kMaxCdSpeed ? "[MAX]" : std::to_string(speeds[i]) + "x");
        if (speeds[i] == o.speed) speed.value = std::to_string(i);
    }
    spec.fields.push_back(speed);
    spec.fields.push_back({"EraseCDRW", "Erase CD-RWs if they are not blank", DialogField::Kind::Check,
                           o.eraseCdRw ? "1" : "0", {}});
    spec.fields.push_back({"Overburn", "Allow overburning", DialogField::Kind::Check, o.overburn ? "1" : "0", {}});
    spec.fields.push_back({"CDLoadEject", "Load the CD before writing and eject it on failure",
                           DialogField::Kind::Check, o.loadEject ? "1" : "0", {}});
    return spec;
}

CdBurnOptions CdBurnOptionsFrom(const DialogSpec& spec) {
    CdBurnOptions o;
    o.internal = spec.IntValue("Internal") == 0;
    o.drive = std::max(spec.IntValue("CDDrive"), 0);
    const std::vector<int>& speeds = CdSpeedChoices();
    const int index = spec.IntValue("Speed");
    o.speed = index >= 0 && index < static_cast<int>(speeds.size()) ? speeds[static_cast<std::size_t>(index)]
                                                                     : kMaxCdSpeed;
    o.eraseCdRw = spec.IntValue("EraseCDRW") != 0;
    o.overburn = spec.IntValue("Overburn") != 0;
    o.loadEject = spec.IntValue("CDLoadEject") != 0;
    return o;
}

}  // namespace sv
