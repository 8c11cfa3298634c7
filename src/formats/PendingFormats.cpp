// Rows of the format table for formats whose decoders, encoder programs and playlist writers
// are not part of this build yet: opening one gives the format message, saving one fails with
// the create message. Their own rows replace these as they come.
#include "formats/FileFormatTable.h"
#include "platform/Paths.h"

namespace sv {

namespace {

OpenOutcome OpenPending(Ref<LAudioReader>& out, const OpenRequest& request) {
    out = MakeRef<LErrorReader>(kReaderCodecMissing);
    return {2, FileExists(request.path) ? FormatNotSupportedMessage(request.path) : CannotReadMessage(request.path)};
}

Ref<LAudioWriter> CreatePendingWriter(const SaveRequest&) {
    return MakeRef<LErrorWriter>("Aucun format d'enregistrement pour ce type de fichier.");
}

bool ProgramMissing() { return false; }

FileFormatRow Decoder(std::vector<std::string> extensions, const char* progressText) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.open = OpenPending;
    row.progressText = progressText;
    return row;
}

FileFormatRow Encoder(std::vector<std::string> extensions) {
    FileFormatRow row;
    row.extensions = std::move(extensions);
    row.createWriter = CreatePendingWriter;
    row.encoderAvailable = ProgramMissing;
    return row;
}

FileFormatRow Playlist() {
    FileFormatRow row;
    row.extensions = {".rss", ".m3u", ".pls", ".wpl"};
    row.createWriter = CreatePendingWriter;
    return row;
}

}  // namespace

const FileFormatRow kPendingDecoderRows[] = {
    Decoder({".aac", ".m4a"}, "Loading AAC file"),
    Decoder({".ogg"}, "Loading OGG file"),
    Decoder({".flac"}, "Loading FLAC file"),
    Decoder({".amr"}, "Télécharger le fichier AMR"),
    Decoder({".dct"}, "Loading DCT file"),
    Decoder({".dss"}, "Loading DSS file"),
    Decoder({".ra", ".ram", ".rm", ".rmj"}, "Loading RealAudio file"),
    Decoder({".sri"}, "Loading SRI file"),
    Decoder({".act", ".rec", ".rcd"}, "Loading Record file"),
    Decoder({".shn"}, "Loading Shorten file"),
};
const std::size_t kPendingDecoderRowCount = std::size(kPendingDecoderRows);

const FileFormatRow kPendingEncoderRows[] = {
    Encoder({".mp3"}), Encoder({".ogg"}), Encoder({".flac"}), Encoder({".aac", ".m4a"}), Encoder({".amr"}),
};
const std::size_t kPendingEncoderRowCount = std::size(kPendingEncoderRows);

const FileFormatRow kPendingPlaylistRow = Playlist();

}  // namespace sv
