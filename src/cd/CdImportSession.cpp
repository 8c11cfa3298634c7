#include "cd/CdImportSession.h"

#include "cd/DriveChannel.h"
#include "core/AudioDocument.h"
#include "core/BlockWriter.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdio>

namespace sv {

namespace {

constexpr const char* kNoDriveMessage =
    "Aucun lecteur CD-ROM n'a été détecté. Si ce message apparaît alors que vous avez un lecteur CD-ROM installé, "
    "veuillez lire le paragraphe de la rubrique d'Aide concernant le Chargement des Pistes du CD.";
constexpr const char* kCddbFailedMessage =
    "L'opération a échoué lors de la tentative d'accès au serveur internet freeDB. Veuillez réessayer plus tard.";

std::string DurationText(std::int32_t seconds) {
    char text[24];
    std::snprintf(text, sizeof text, "%d:%.2d", seconds / 60, seconds % 60);
    return text;
}

// A track title as a document title: a "/" would pass for a folder and the document for a
// saved file, so it becomes "-"; control characters go.
std::string DocumentTitleOf(const std::string& title) {
    std::string clean;
    for (unsigned char c : title) {
        if (c < 0x20 || c == 0x7F) continue;
        clean.push_back(c == '/' || c == '\\' ? '-' : static_cast<char>(c));
    }
    return clean.empty() ? "Track" : clean;
}

}  // namespace

CdImportSession::CdImportSession(Workspace& ws, CdDriveSource& drives)
    : server(CddbServerFromSettings(ws.settings())), ws_(ws), source_(drives) {}

bool CdImportSession::Open() {
    disc_.useCddb = ws_.settings().ReadBoolSetting("Settings", "UseFreeDB", true);
    drives_ = source_.Enumerate();
    if (drives_.empty()) {
        ws_.host().MessageBox(kNoDriveMessage, "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    SelectDrive(0);
    return true;
}

std::vector<std::string> CdImportSession::DriveNames() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < drives_.size(); ++i) names.push_back("CD-ROM " + std::to_string(i + 1));
    return names;
}

void CdImportSession::SelectDrive(int index) {
    if (busy_ || index < 0 || index >= static_cast<int>(drives_.size())) return;
    selected_ = index;
    disc_.driveIndex = static_cast<std::uint8_t>(std::min(index, 255));
    LoadDisc();
}

int CdImportSession::LoadDisc() {
    if (busy_) return kTaskFailed;
    disc_.Clear();
    if (selected_ < 0) return kTaskFailed;
    const CdDriveInfo drive = drives_[static_cast<std::size_t>(selected_)];
    CddbOutcome lookup = CddbOutcome::Failed;
    FunctionTask task("Loading Track(s)", [&](LProgressTask& t) {
        t.SetText(0, "Loading Track(s)");
        std::string why;
        std::unique_ptr<CdDevice> device = source_.Open(drive, &why);
        if (!device) {
            t.Error("Impossible d'ouvrir le lecteur de CD : " + why + ".");
            return static_cast<int>(kTaskFailed);
        }
        int result;
        {
            DriveChannel channel(std::move(device));
            result = ReadTableOfContents(channel, &t, disc_, &why, tocBudgetMs);
        }
        if (result != kTaskDone) return result;
        if (disc_.useCddb && !disc_.tracks.empty()) lookup = CddbLookup(disc_, server, t, ws_.host());
        return lookup == CddbOutcome::Cancelled ? static_cast<int>(kTaskCancelled) : static_cast<int>(kTaskDone);
    });
    busy_ = true;
    RunTask(ws_.host(), task);
    busy_ = false;
    if (task.Result() == kTaskFailed) disc_.Clear();
    if (task.Result() == kTaskDone && disc_.useCddb && !disc_.tracks.empty() && lookup != CddbOutcome::NoMatch &&
        disc_.tracks[0].title == DefaultTrackTitle(1))
        ws_.host().MessageBox(kCddbFailedMessage, "Sonvela", MsgIcon::Error, MsgButtons::Ok);
    return task.Result();
}

std::vector<CdTrackRow> CdImportSession::Rows() const {
    std::vector<CdTrackRow> rows;
    for (const CdTrackRecord& track : disc_.tracks) rows.push_back({track.title, DurationText(track.duration), !track.data});
    return rows;
}

int CdImportSession::RipOne(const CdTrackRecord& track) {
    LAudioData sound(44100, 2);
    CdRipJob job;
    job.driveIndex = static_cast<std::uint8_t>(selected_);
    job.firstSector = static_cast<std::uint32_t>(std::max(track.start, 0));
    job.endSector = static_cast<std::uint32_t>(std::max(track.end, 0));
    job.title = track.title;
    FunctionTask task(kTitle, [&](LProgressTask& t) {
        Ref<LBlockWriter> writer = LBlockWriter::Create(ws_.blocks(), sound, 44100, 2);
        int result = RipTrackFromDrive(source_, job, *writer, t, readBudgetMs);
        // A cancelled rip keeps what it delivered; only a finished one becomes a window.
        if (!writer->Finish() && result != kTaskCancelled) {
            if (result == kTaskDone) t.Error(writer->errorText);
            result = kTaskFailed;
        }
        return result;
    });
    RunTask(ws_.host(), task);
    if (task.Result() == kTaskDone) ws_.AddDocument(LAudioDocument::CreateFromSound(sound, DocumentTitleOf(track.title)));
    return task.Result();
}

bool CdImportSession::Accept(std::vector<int> rows) {
    if (busy_ || selected_ < 0 || selected_ >= static_cast<int>(drives_.size())) return false;
    ws_.settings().WriteBoolUserSetting("Settings", "UseFreeDB", disc_.useCddb);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= disc_.TrackCount()) continue;
        const CdTrackRecord track = disc_.tracks[static_cast<std::size_t>(row)];
        if (track.data) continue;
        busy_ = true;
        int result = RipOne(track);
        busy_ = false;
        if (result != kTaskDone) break;
    }
    return true;
}

bool CdImportSession::HandleHotplug(const CdHotplugEvent& event) {
    if (busy_) return false;
    if (event.kind == CdHotplugKind::DriveAdded || event.kind == CdHotplugKind::DriveRemoved) return RefreshDrives();
    if (selected_ < 0 || drives_[static_cast<std::size_t>(selected_)].devicePath != event.devicePath) return false;
    if (event.kind == CdHotplugKind::DiscInserted)
        LoadDisc();
    else
        ClearDisc();
    return true;
}

bool CdImportSession::RefreshDrives() {
    if (busy_) return false;
    std::vector<CdDriveInfo> now = source_.Enumerate();
    auto samePaths = [](const std::vector<CdDriveInfo>& a, const std::vector<CdDriveInfo>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](const CdDriveInfo& x, const CdDriveInfo& y) { return x.devicePath == y.devicePath; });
    };
    if (samePaths(now, drives_)) return false;
    std::string current = selected_ >= 0 ? drives_[static_cast<std::size_t>(selected_)].devicePath : std::string();
    drives_ = std::move(now);
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (drives_[i].devicePath == current) {
            selected_ = static_cast<int>(i);
            disc_.driveIndex = static_cast<std::uint8_t>(i);
            return true;
        }
    }
    selected_ = -1;
    ClearDisc();
    if (!drives_.empty()) SelectDrive(0);
    return true;
}

}  // namespace sv
