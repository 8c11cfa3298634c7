// The save row of the playlists and the podcast feed: the MP3 encoder must be present, the
// options are the publishing address, and an MP3 of the same name beside the target is
// replaced only when the user agrees.
#include "core/Host.h"
#include "formats/Components.h"
#include "formats/FileFormatTable.h"
#include "formats/PlaylistEncodeDialog.h"
#include "formats/PlaylistWriter.h"
#include "formats/TagFiles.h"
#include "platform/Paths.h"

namespace sv {

namespace {

PlaylistKind KindOf(const std::string& path) {
    PlaylistKind kind = PlaylistKind::M3U;
    PlaylistKindOf(LowerExtension(path), kind);
    return kind;
}

Ref<LAudioWriter> CreateWriter(const SaveRequest& r) {
    const std::string& target = r.target ? *r.target : r.path;
    return CreatePlaylistWriter(KindOf(target), r.path, r.rate, r.channels, r.settings, r.task, target);
}

bool Options(const SaveRequest& r) { return ShowPlaylistEncodeDialog(*r.host, r.settings, KindOf(r.path)); }

bool EncoderPresent(const SaveRequest& r) { return EnsureComponent(r.host, r.settings, "mp3el") == 0; }

bool ConfirmReplace(const SaveRequest& r) {
    const std::string mp3 = PlaylistMp3Path(r.path);
    if (!FileExists(mp3) || !r.host) return true;
    return r.host->MessageBox("Le fichier \"" + mp3 + "\" existe déjà. Voulez-vous le remplacer?", "Sonvela",
                              MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes;
}

FileFormatRow MakePlaylistRow() {
    FileFormatRow row;
    row.extensions = {".rss", ".m3u", ".pls", ".wpl"};
    row.createWriter = CreateWriter;
    row.saveOptions = Options;
    row.encoderAvailable = EncoderPresent;
    row.confirmReplace = ConfirmReplace;
    return row;
}

}  // namespace

const FileFormatRow kPlaylistFormatRow = MakePlaylistRow();

}  // namespace sv
