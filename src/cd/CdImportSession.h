#pragma once
// The logic of the dialog "Importer les Pistes du CD" (command 1011, "Charger Piste(s) CD
// Audio..."): the drives, the disc of the chosen drive with its CDDB titles, the "UseFreeDB"
// switch, hot-plug reactions and OK, which rips each chosen audio track into a new document.
// The Qt dialog above only draws what this holds and forwards the user's actions.
#include "cd/CddbClient.h"
#include "cd/CdDevice.h"
#include "cd/DiscRecord.h"
#include "cd/DriveHotplug.h"
#include "cd/TableOfContents.h"
#include "cd/TrackRipper.h"

#include <string>
#include <vector>

namespace sv {

class Workspace;

struct CdTrackRow {
    std::string title;
    std::string duration;  // "%d:%.2d"
    bool audio = true;     // data tracks are listed but cannot be chosen
};

class CdImportSession {
public:
    static constexpr const char* kTitle = "Importer les Pistes du CD";

    CdImportSession(Workspace& ws, CdDriveSource& drives);

    // Reads the switch, lists the drives and loads the first one's disc. False after the
    // message when there is no drive: the dialog then closes.
    bool Open();

    std::vector<std::string> DriveNames() const;  // "CD-ROM %d"
    int SelectedDrive() const { return selected_; }
    // Another drive chosen in the combo: its disc is loaded.
    void SelectDrive(int index);
    bool UseCddb() const { return disc_.useCddb; }
    void SetUseCddb(bool on) { disc_.useCddb = on; }

    // Clears the record, reads the table of contents and, with the switch on, looks the disc
    // up under the progress dialog: 0 done, 1 cancelled, 2 failed (the list stays empty).
    int LoadDisc();
    void ClearDisc() { disc_.Clear(); }
    const CdDiscRecord& Disc() const { return disc_; }
    std::vector<CdTrackRow> Rows() const;

    // OK with the chosen rows: rips each audio track among them, in list order, into a new
    // 44100 Hz stereo document handed to the frame, and stores the switch. False when nothing
    // could start (no drive): the dialog stays open.
    bool Accept(std::vector<int> rows);

    // A udev report: true when the list changed (drives or disc). Reports that arrive while a
    // load or a rip pumps events are ignored, so the record never changes under a running task.
    bool HandleHotplug(const CdHotplugEvent& event);
    // Lists the drives again (for systems without udev): true when the list changed, in which
    // case the first drive is chosen and loaded, or the list cleared when none is left.
    bool RefreshDrives();

    // Where CDDB is asked and how long the drive may take; tests shorten them.
    CddbServer server;
    int tocBudgetMs = kTocBudgetMs;
    int readBudgetMs = kReadBudgetMs;

private:
    int RipOne(const CdTrackRecord& track);

    Workspace& ws_;
    CdDriveSource& source_;
    std::vector<CdDriveInfo> drives_;
    int selected_ = -1;
    CdDiscRecord disc_;
    bool busy_ = false;  // a load or a rip is running
};

}  // namespace sv
