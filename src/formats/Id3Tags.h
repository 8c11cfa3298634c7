#pragma once
// ID3v1: the 128-byte "TAG" block at the end of an MP3 file.
#include "core/TagSet.h"

#include <string>

namespace sv {

// False when the file cannot be read or ends without a "TAG" block. With merge set, a value is
// taken only for a key the set leaves empty.
bool ReadId3v1Tags(LTagSet& tags, const std::string& path, bool merge);
// Updates the block in place, or appends a new one.
bool WriteId3v1Tags(const LTagSet& tags, const std::string& path);

}  // namespace sv
