#pragma once
// Reading and writing a file's tags, chosen by extension (without regard to case): ".wav"
// uses the LIST/INFO and DISP chunks, ".mp3" the ID3v1 block. Any other extension returns
// false and leaves the set and the file alone.
#include "core/TagSet.h"

#include <string>

namespace sv {

bool ReadTags(LTagSet& tags, const std::string& path);
// For ".wav" the file's existing tags are first merged into the set (keys it leaves empty).
bool WriteTags(LTagSet& tags, const std::string& path);

// The text after the last "." that follows the last "/" or "\", with the dot, lower case;
// empty when there is none (a dot at the start of the path counts as none).
std::string LowerExtension(const std::string& path);

}  // namespace sv
