#pragma once
// "Liste des Zones": one line per region (name, source, start, end), in list order. Lines are
// renamed in place and dragged to reorder; the buttons play, save, copy to a new document,
// delete, export and write the selected regions to an audio CD.
#include "cd/CdBurnCommand.h"

#include <QWidget>

#include <cstddef>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace sv {

class Workspace;

class RegionListWindow : public QWidget {
public:
    RegionListWindow(Workspace& ws, QWidget* parent);
    void Refresh();
    QTreeWidget* Lines() const { return list_; }
    std::vector<std::size_t> SelectedIndices() const;
    QPushButton* CdButton() const { return cdButton_; }

    // The drives and burning program the CD button uses; null: the system's drives.
    CdDriveSource* cdDrives = nullptr;
    CdBurnSetup cdSetup;

private:
    Workspace& ws_;
    QTreeWidget* list_;
    QPushButton* cdButton_ = nullptr;
    bool refreshing_ = false;
    bool editing_ = false;
};

}  // namespace sv
