#pragma once
// The bookmark companion file ".wbm" beside a sound file, and the bookmark record that the
// project file shares with it: name and title as stored strings, time (int32 ms), flag (uint8),
// last used (int32 seconds).
#include "core/Bookmark.h"

#include <string>
#include <vector>

namespace sv {

class ByteSink;
class ByteSource;
class LAudioDocument;

constexpr std::uint8_t kCompanionVersion = 2;

void WriteBookmarkRecord(ByteSink& out, const LBookmark& mark);
// False when the record is incomplete.
bool ReadBookmarkRecord(ByteSource& in, LBookmark& mark);

// The document path with its extension (from the last "." after the last separator) replaced
// by ".wbm", or ".wbm" appended when it has none.
std::string CompanionPath(const std::string& documentPath);

// Reads a companion file: false when it cannot be opened or its version is below 2. Records
// are appended in file order up to the first incomplete one.
bool ReadCompanionFile(const std::string& path, std::vector<LBookmark>& out);

// When a document was opened from a file: its bookmarks from the companion file, if any.
void LoadCompanion(LAudioDocument& doc);

// When a document was saved. Without bookmarks, removes the companion file only when this
// document read or wrote it (another sound of the same name may own it); otherwise writes
// a new one beside it and puts it in place once complete. False, with why set and the old
// file untouched, when it could not be written.
bool SaveCompanion(LAudioDocument& doc, std::string* why);

}  // namespace sv
