#pragma once
// The format table: every row of the open and save paths, in lookup order. The first row
// serving an extension on the side asked for wins; opening falls back to the media decoder.
// A new format defines its row in its own file, declares it below and lists it in
// FileFormatRows(); it then replaces any pending row of its extensions.
#include "formats/FileFormatRow.h"

#include <vector>

namespace sv {

const std::vector<const FileFormatRow*>& FileFormatRows();
// The first row that opens extension, else the fallback row.
const FileFormatRow& FindOpenRow(const std::string& extension);
// The first row that saves extension; null when none does.
const FileFormatRow* FindSaveRow(const std::string& extension);

// Rows defined beside their formats.
extern const FileFormatRow kWavFormatRow;
extern const FileFormatRow kMp3FormatRow;
extern const FileFormatRow kAiffFormatRow;
extern const FileFormatRow kAuFormatRow;
extern const FileFormatRow kGsmFormatRow;
extern const FileFormatRow kVoxFormatRow;
extern const FileFormatRow kRawFormatRow;
extern const FileFormatRow kSndFormatRow;
extern const FileFormatRow kWmaFormatRow;
extern const FileFormatRow kMediaDecoderFallbackRow;
// The coder programs' decoders and encoders (and the formats no decoder here reads).
extern const FileFormatRow kCoderDecoderRows[];
extern const std::size_t kCoderDecoderRowCount;
extern const FileFormatRow kCoderEncoderRows[];
extern const std::size_t kCoderEncoderRowCount;
// The playlists and the podcast feed.
extern const FileFormatRow kPlaylistFormatRow;

}  // namespace sv
