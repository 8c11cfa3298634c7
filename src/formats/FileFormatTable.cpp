#include "formats/FileFormatTable.h"

namespace sv {

const std::vector<const FileFormatRow*>& FileFormatRows() {
    static const std::vector<const FileFormatRow*> rows = [] {
        std::vector<const FileFormatRow*> r = {&kWavFormatRow, &kMp3FormatRow, &kAiffFormatRow, &kAuFormatRow,
                                               &kGsmFormatRow, &kVoxFormatRow, &kRawFormatRow, &kSndFormatRow};
        for (std::size_t i = 0; i < kCoderDecoderRowCount; ++i) r.push_back(&kCoderDecoderRows[i]);
        r.push_back(&kWmaFormatRow);
        for (std::size_t i = 0; i < kCoderEncoderRowCount; ++i) r.push_back(&kCoderEncoderRows[i]);
        r.push_back(&kPlaylistFormatRow);
        return r;
    }();
    return rows;
}

const FileFormatRow& FindOpenRow(const std::string& extension) {
    for (const FileFormatRow* row : FileFormatRows())
        if (row->Opens() && row->Serves(extension)) return *row;
    return kMediaDecoderFallbackRow;
}

const FileFormatRow* FindSaveRow(const std::string& extension) {
    for (const FileFormatRow* row : FileFormatRows())
        if (row->Saves() && row->Serves(extension)) return row;
    return nullptr;
}

}  // namespace sv
