#pragma once
// A file's descriptive tags as the document carries them: keys "TITLE", "ARTIST", "ALBUM",
// "GENRE", "TRACKNUMBER", "DATE" (shown as Copyright) and "COMMENT", compared case-sensitively.
// Setting a key that exists replaces its value; a new key goes to the front, so iteration (and
// the tag writer) runs in the reverse order of first setting. Reading and writing tags in
// files belongs to the formats layer.
#include <string>
#include <vector>

namespace sv {

struct LTag {
    std::string id;    // the key, such as "TITLE"
    std::string text;  // UTF-8
};

struct LTagSet {
    std::vector<LTag> tags;

    // Empty when the key is absent.
    std::string Get(const std::string& key) const {
        for (const LTag& t : tags)
            if (t.id == key) return t.text;
        return {};
    }
    bool Has(const std::string& key) const {
        for (const LTag& t : tags)
            if (t.id == key) return true;
        return false;
    }
    void Set(const std::string& key, const std::string& value) {
        for (LTag& t : tags) {
            if (t.id == key) {
                t.text = value;
                return;
            }
        }
        tags.insert(tags.begin(), LTag{key, value});
    }
};

}  // namespace sv
