#pragma once
// A document's bookmarks: kept in time order, at most 255 of them (the most the companion
// file and the project file can count).
#include "core/Bookmark.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LAudioDocument;

constexpr std::size_t kMaxBookmarks = 255;

// Inserts before the first bookmark with a greater time (after those with an equal one);
// false, nothing added, when the document already holds kMaxBookmarks.
bool AddBookmark(LAudioDocument& doc, const LBookmark& mark);
// A bookmark at the cursor: title the document's, time in ms, flag 1, last used = now.
LBookmark BookmarkAtCursor(const LAudioDocument& doc, const std::string& name);
// Index of the first bookmark called name, or -1.
int FindBookmark(const LAudioDocument& doc, const std::string& name);
// Removes every bookmark called name; the count removed.
int RemoveBookmarksNamed(LAudioDocument& doc, const std::string& name);
// Seconds since 1970 (UTC), as the last-used field holds them.
std::int32_t NowSeconds();

}  // namespace sv
