#pragma once
// Tags in WAV files: the "LIST"/"INFO" sub-chunks and the "DISP" title chunk.
#include "core/TagSet.h"

#include <string>

namespace sv {

// False when the file cannot be opened or has no RIFF/WAVE header. With merge set, a value is
// taken only for a key the set leaves empty.
bool ReadWavTags(LTagSet& tags, const std::string& path, bool merge);
// Updates the file in place: first merges the file's tags into the set, then reuses released
// INFO sub-chunks and the DISP chunk whose sizes fit and appends a LIST and a DISP chunk for
// the rest, enlarging the RIFF size to cover them. False (and the file untouched) when the
// file cannot be opened or its chunks do not lead to its end.
bool WriteWavTags(LTagSet& tags, const std::string& path);

// The INFO identifier of a key ("ARTIST" -> "IART"), empty for TITLE and unknown keys.
std::string InfoIdForKey(const std::string& key);

}  // namespace sv
