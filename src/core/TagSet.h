#pragma once
// A file's descriptive tags (title, artist, ...) as the document carries them. Reading and
// writing them in files belongs to the formats layer.
#include <string>
#include <vector>

namespace sv {

struct LTag {
    std::string id;    // four-character INFO identifier, such as "INAM"
    std::string text;  // UTF-8
};

struct LTagSet {
    std::vector<LTag> tags;
};

}  // namespace sv
