#include "app/BookmarkListWindow.h"

#include "core/AudioDocument.h"
#include "core/Host.h"
#include "core/TimeText.h"
#include "core/Workspace.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sv {

BookmarkListWindow::BookmarkListWindow(Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Tool), ws_(ws), list_(new QTreeWidget) {
    setObjectName("BookmarkList");
    setWindowTitle("Liste des Signets");
    list_->setColumnCount(3);
    list_->setHeaderLabels({"Signet", "Temps", "Dernière Utilisation"});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* text, std::function<void()> run) {
        auto* b = new QPushButton(QString::fromUtf8(text));
        connect(b, &QPushButton::clicked, this, std::move(run));
        buttons->addWidget(b);
    };
    button("Aller Vers Signet", [this] {
        std::vector<BookmarkLine> sel = SelectedLines();
        if (!sel.empty()) GoToBookmark(ws_, sel.front());
    });
    button("Renommer Signet", [this] {
        std::vector<BookmarkLine> sel = SelectedLines();
        if (sel.empty()) return;
        LBookmark* mark = LineBookmark(ws_, sel.front());
        if (!mark) return;
        std::optional<std::string> name = ws_.host().InputBox("Renommer Signet", "Nouveau nom:", mark->name);
        if (name) RenameBookmark(ws_, sel.front(), *name);
    });
    button("Supprimer Signet", [this] { DeleteBookmarks(ws_, SelectedLines()); });
    button("Supprimer Tous les Signets", [this] { DeleteAllBookmarks(ws_); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        int row = list_->indexOfTopLevelItem(item);
        if (row >= 0 && row < static_cast<int>(lines_.size())) GoToBookmark(ws_, lines_[static_cast<std::size_t>(row)]);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    resize(620, 300);
    Refresh();
}

void BookmarkListWindow::Refresh() {
    lines_ = BookmarkLines(ws_);
    list_->clear();
    for (const BookmarkLine& line : lines_) {
        const LBookmark& b = line.doc->bookmarks[line.index];
        list_->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromStdString(b.name), QString::fromStdString(FormatTimeText(b.timeMs)),
             QString::fromStdString(LastUsedText(b.lastUsed))}));
    }
}

std::vector<BookmarkLine> BookmarkListWindow::SelectedLines() const {
    std::vector<BookmarkLine> out;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (list_->topLevelItem(row)->isSelected() && row < static_cast<int>(lines_.size()))
            out.push_back(lines_[static_cast<std::size_t>(row)]);
    return out;
}

}  // namespace sv
