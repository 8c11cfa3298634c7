#include "app/RegionListWindow.h"

#include "cd/SgDevice.h"
#include "core/RegionCommands.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "formats/RegionExport.h"

#include <QDropEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

namespace sv {

namespace {

// A list whose drops move a region in the frame's list rather than the item itself.
class RegionLines : public QTreeWidget {
public:
    std::function<void(int from, int to)> moved;

protected:
    void dropEvent(QDropEvent* event) override {
        const int from = indexOfTopLevelItem(currentItem());
        QTreeWidgetItem* target = itemAt(event->position().toPoint());
        const int to = target ? indexOfTopLevelItem(target) : topLevelItemCount() - 1;
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (from >= 0 && to >= 0 && from != to && moved) moved(from, to);
    }
};

}  // namespace

RegionListWindow::RegionListWindow(Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Tool), ws_(ws), list_(new RegionLines) {
    setObjectName("RegionList");
    setWindowTitle("Liste des Zones");
    list_->setColumnCount(4);
    list_->setHeaderLabels({"Zone", "Fichier", "Début", "Fin"});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    static_cast<RegionLines*>(list_)->moved = [this](int from, int to) {
        MoveRegion(ws_, static_cast<std::size_t>(from), static_cast<std::size_t>(to));
    };
    connect(list_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (refreshing_ || column != 0) return;
        int row = list_->indexOfTopLevelItem(item);
        if (row < 0 || static_cast<std::size_t>(row) >= ws_.Regions().Count()) return;
        // The list is rebuilt after the rename; never under the item that is signalling.
        editing_ = true;
        RenameRegion(ws_, static_cast<std::size_t>(row), item->text(0).toStdString());
        editing_ = false;
        QTimer::singleShot(0, this, [this] { Refresh(); });
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        int row = list_->indexOfTopLevelItem(item);
        if (row >= 0) GoToRegion(ws_, static_cast<std::size_t>(row));
    });

    auto* grid = new QGridLayout;
    int slot = 0;
    auto button = [&](const char* text, std::function<void()> run) {
        auto* b = new QPushButton(QString::fromUtf8(text));
        connect(b, &QPushButton::clicked, this, std::move(run));
        grid->addWidget(b, slot / 4, slot % 4);
        ++slot;
        return b;
    };
    auto first = [this](const std::function<void(std::size_t)>& run) {
        return [this, run] {
            std::vector<std::size_t> sel = SelectedIndices();
            if (!sel.empty()) run(sel.front());
        };
    };
    button("Jouer la Zone", first([this](std::size_t i) { PlayRegion(ws_, i); }));
    button("Renommer Zone", [this] {
        if (QTreeWidgetItem* item = list_->currentItem()) list_->editItem(item, 0);
    });
    button("Enregistrer Zone...", first([this](std::size_t i) { SaveRegionCommand(ws_, i); }));
    button("Copier Zone vers Nouveau Dossier", first([this](std::size_t i) { CopyRegionToNewDocument(ws_, i); }));
    button("Supprimer Zone(s)", [this] { DeleteRegions(ws_, SelectedIndices()); });
    button("Supprimer toutes les Zones", [this] { DeleteAllRegions(ws_); });
    button("Exporter Zone(s) vers le Répertoire", [this] {
        std::vector<std::size_t> sel = SelectedIndices();
        if (!sel.empty() && ExportRegionsDialog(ws_)) ExportRegions(ws_, sel);
    });
    cdButton_ = button("Copier Zone(s) vers le CD...", [this] {
        static SystemCdDrives systemDrives;
        std::vector<std::size_t> sel = SelectedIndices();
        if (!sel.empty()) CopyRegionsToCd(ws_, sel, cdDrives ? *cdDrives : systemDrives, cdSetup);
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(grid);
    resize(720, 320);
    Refresh();
}

void RegionListWindow::Refresh() {
    if (editing_) return;
    refreshing_ = true;
    list_->clear();
    for (const LRegion& r : ws_.Regions().Items()) {
        auto* item = new QTreeWidgetItem({QString::fromStdString(r.name), QString::fromStdString(r.title),
                                          QString::fromStdString(FormatTimeText(r.startMs)),
                                          QString::fromStdString(FormatTimeText(r.endMs))});
        item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
        item->setFlags(item->flags() & ~Qt::ItemIsDropEnabled);
        list_->addTopLevelItem(item);
    }
    refreshing_ = false;
}

std::vector<std::size_t> RegionListWindow::SelectedIndices() const {
    std::vector<std::size_t> out;
    for (int row = 0; row < list_->topLevelItemCount(); ++row)
        if (list_->topLevelItem(row)->isSelected()) out.push_back(static_cast<std::size_t>(row));
    return out;
}

}  // namespace sv
