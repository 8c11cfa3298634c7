#include "core/EditFraming.h"

#include "core/BlockStore.h"
#include "core/Host.h"
#include "core/UndoRing.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {

constexpr std::int64_t kAssumedFreeBytes = 16LL * 1024 * 1024 * 1024;
constexpr std::int64_t kLowSpaceKb = 3 * 1024;

// Free space of the working folder in kilobytes, capped to 32 bits. The folder itself is
// asked rather than the root of its path: on Linux the working folder often lies on another
// file system than "/".
std::int64_t WorkingFolderFreeKb(Workspace& ws) {
    std::int64_t bytes = FreeSpaceBytes(ws.blocks().WorkingFolder());
    if (bytes < 0) bytes = kAssumedFreeBytes;
    return std::min<std::int64_t>(bytes / 1024, 0xFFFFFFFFLL);
}

}  // namespace

std::string DocumentTooLongText() {
    return "Le son obtenu dépasserait la longueur maximale d'un document (2147483647 échantillons par canal). "
           "Le document n'a pas été modifié.";
}

void StopPlayback(Workspace& ws) {
    if (ws.stopPlayback) ws.stopPlayback();
}

bool BeginEdit(Workspace& ws, const std::string& name) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return false;
    UndoPush(*doc, name);
    doc->modified = 1;
    ws.CommandStatesChanged();
    return true;
}

void EndEdit(Workspace& ws, std::int32_t newCursor, std::int32_t prerollFrames) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    if (WorkingFolderFreeKb(ws) < kLowSpaceKb) {
        ws.DocumentChanged(*doc);
        ws.CommandStatesChanged();
        ws.host().MessageBox("La dernière action que vous avez appliquée au fichier \"" + doc->path +
                                 "\" peut ne pas avoir été enregistrée du fait du peu d'espace libre sur votre "
                                 "disque. Veuillez essayer d'enregistrer le fichier à un autre endroit ou de "
                                 "créer de l'espace en supprimant des fichiers inutiles puis réessayez.",
                             "Espace Disque Insuffisant", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    doc->cursor = newCursor;
    ws.DocumentChanged(*doc);
    ws.CommandStatesChanged();
    // Without a player the cursor stays on the edit instead of jumping back by the preroll.
    if (ws.startPlayback && ws.settings().ReadIntSetting("Settings", "AutoPlaybackAfterEffects", 1) != 0) {
        std::int64_t from = static_cast<std::int64_t>(newCursor) - prerollFrames;
        doc->cursor = static_cast<std::int32_t>(std::max<std::int64_t>(0, from));
        ws.startPlayback(doc->cursor);
    }
}

void SelectAllIfNone(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc || doc->HasSelection()) return;
    doc->SelectAll();
    doc->SetView(0, doc->Length());
}

}  // namespace sv
