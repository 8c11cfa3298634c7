#pragma once
// Setting bookmarks (8001) and what the bookmark list (8003) does with its lines. A line names
// one record of one document, so that duplicate names brought in by loaded files stay apart.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class CommandRegistry;
class LAudioDocument;
struct LBookmark;
class Workspace;

struct BookmarkLine {
    LAudioDocument* doc = nullptr;
    std::size_t index = 0;
};

// Command 8001 "Définir Signet" on the active document.
void SetBookmarkCommand(Workspace& ws);
// "%s@%s": the document title and the time text of the cursor.
std::string DefaultBookmarkName(const LAudioDocument& doc);

// Every bookmark of every open document, document by document in time order.
std::vector<BookmarkLine> BookmarkLines(const Workspace& ws);
// The record a line names; null when its document was closed or the record is gone.
LBookmark* LineBookmark(const Workspace& ws, const BookmarkLine& line);
// The list's columns: name, time text, last used as "YYYY-MM-DD hh:mm:ss" (local time).
std::string LastUsedText(std::int32_t seconds);

// "Aller Vers Signet": activates the document, puts the cursor and an empty selection there,
// scrolls to it, stamps last used and plays from there when "PlayBookMark" is set.
void GoToBookmark(Workspace& ws, const BookmarkLine& line);
// "Renommer Signet": the clean form of name; false after a refusal message.
bool RenameBookmark(Workspace& ws, const BookmarkLine& line, const std::string& name);
// "Supprimer Signet": after a Yes, exactly the records the lines name go.
void DeleteBookmarks(Workspace& ws, const std::vector<BookmarkLine>& lines);
// "Supprimer Tous les Signets": after a Yes, every open document loses its bookmarks.
void DeleteAllBookmarks(Workspace& ws);

void RegisterBookmarkCommands(CommandRegistry& registry);

}  // namespace sv
