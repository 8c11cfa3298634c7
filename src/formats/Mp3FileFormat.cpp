// The MP3 reading row of the format table (saving goes through the encoder program's row).
#include "formats/FileFormatTable.h"
#include "formats/Mp3Reader.h"

namespace sv {

namespace {

std::string Mp3OpenMessage(int code, const std::string& path) {
    if (code == kReaderCannotOpen) return CannotReadMessage(path);
    return "Cannot open the file \"" + path + "\". It is possibly either corrupt or not a true layer-3 MPEG file.";
}

FileFormatRow MakeMp3Row() {
    FileFormatRow row;
    row.extensions = {".mp3"};
    row.openReader = OpenMp3Reader;
    row.readerMessage = Mp3OpenMessage;
    return row;
}

}  // namespace

const FileFormatRow kMp3FormatRow = MakeMp3Row();

}  // namespace sv
