#include "core/BookmarkList.h"

#include "core/AudioDocument.h"
#include "core/TimeText.h"

#include <algorithm>
#include <ctime>

namespace sv {

bool AddBookmark(LAudioDocument& doc, const LBookmark& mark) {
    if (doc.bookmarks.size() >= kMaxBookmarks) return false;
    auto at = std::upper_bound(doc.bookmarks.begin(), doc.bookmarks.end(), mark.timeMs,
                               [](std::int32_t t, const LBookmark& b) { return t < b.timeMs; });
    doc.bookmarks.insert(at, mark);
    return true;
}

LBookmark BookmarkAtCursor(const LAudioDocument& doc, const std::string& name) {
    LBookmark mark;
    mark.name = name;
    mark.title = doc.Title();
    mark.timeMs = FramesToMs(doc.cursor, doc.sound.sampleRate);
    mark.flag = 1;
    mark.lastUsed = NowSeconds();
    return mark;
}

int FindBookmark(const LAudioDocument& doc, const std::string& name) {
    for (std::size_t i = 0; i < doc.bookmarks.size(); ++i)
        if (doc.bookmarks[i].name == name) return static_cast<int>(i);
    return -1;
}

int RemoveBookmarksNamed(LAudioDocument& doc, const std::string& name) {
    auto before = doc.bookmarks.size();
    doc.bookmarks.erase(std::remove_if(doc.bookmarks.begin(), doc.bookmarks.end(),
                                       [&](const LBookmark& b) { return b.name == name; }),
                        doc.bookmarks.end());
    return static_cast<int>(before - doc.bookmarks.size());
}

std::int32_t NowSeconds() {
    std::time_t now = std::time(nullptr);
    return static_cast<std::int32_t>(std::min<std::time_t>(now, 0x7fffffff));
}

}  // namespace sv
