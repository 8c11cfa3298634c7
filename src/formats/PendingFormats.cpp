// The row of the playlist formats, whose writers are not part of this build yet: saving one
// fails with the create message. Their own row replaces this one as it comes.
#include "formats/FileFormatTable.h"

namespace sv {

namespace {

Ref<LAudioWriter> CreatePendingWriter(const SaveRequest&) {
    return MakeRef<LErrorWriter>("Aucun format d'enregistrement pour ce type de fichier.");
}

FileFormatRow Playlist() {
    FileFormatRow row;
    row.extensions = {".rss", ".m3u", ".pls", ".wpl"};
    row.createWriter = CreatePendingWriter;
    return row;
}

}  // namespace

const FileFormatRow kPendingPlaylistRow = Playlist();

}  // namespace sv
