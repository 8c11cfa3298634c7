#pragma once
// The "CDRecorder" settings and the dialog "LCDAudioBurnDlg" that edits them: the writer (ours
// or the system's burning program), the drive, the speed ("[MAX]" stores 0xFFFF), erasing
// CD-RWs, overburning and the tray.
#include "cd/DiscRecord.h"
#include "core/DialogSpec.h"

#include <string>
#include <vector>

namespace sv {

class Settings;

constexpr int kMaxCdSpeed = 0xFFFF;

struct CdBurnOptions {
    bool internal = true;
    bool eraseCdRw = false;
    bool overburn = false;
    int speed = kMaxCdSpeed;  // times 176.4 KB/s
    int drive = 0;
    bool loadEject = true;
};

CdBurnOptions ReadCdBurnOptions(const Settings& settings);
void WriteCdBurnOptions(Settings& settings, const CdBurnOptions& options);

// The speed list: "[MAX]" then "%dx".
const std::vector<int>& CdSpeedChoices();
// The dialog over options, the drives named as the import dialog names them.
DialogSpec CdBurnDialog(const CdBurnOptions& options, const std::vector<std::string>& driveNames);
// The options a dialog accepted.
CdBurnOptions CdBurnOptionsFrom(const DialogSpec& spec);

}  // namespace sv
