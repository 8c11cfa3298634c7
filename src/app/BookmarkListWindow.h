#pragma once
// "Liste des Signets": one line per bookmark of every open document (name, time text, last
// use) with go to (also a double click), rename, delete and delete all. What each does lives
// in core/BookmarkCommands.h; this window only draws the lines and forwards.
#include "core/BookmarkCommands.h"

#include <QWidget>

#include <vector>

class QTreeWidget;

namespace sv {

class Workspace;

class BookmarkListWindow : public QWidget {
public:
    BookmarkListWindow(Workspace& ws, QWidget* parent);
    // Rebuilds the lines from the open documents.
    void Refresh();
    QTreeWidget* Lines() const { return list_; }
    std::vector<BookmarkLine> SelectedLines() const;

private:
    Workspace& ws_;
    QTreeWidget* list_;
    std::vector<BookmarkLine> lines_;
};

}  // namespace sv
