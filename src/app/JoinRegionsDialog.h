#pragma once
// "Assembler les Zones": every region on the left, the assembly on the right, filled with
// "Ajouter" and "Supprimer"; "Jouer" plays the region picked, "Options..." shows the join
// options. OK joins the assembly in its order into a new document (core/RegionCommands.h).
#include <QDialog>

#include <cstddef>
#include <vector>

class QListWidget;

namespace sv {

class Workspace;

class JoinRegionsDialog : public QDialog {
public:
    JoinRegionsDialog(Workspace& ws, QWidget* parent);
    void accept() override;
    QListWidget* Regions() const { return regions_; }
    QListWidget* Assembly() const { return assembly_; }
    // The assembly as region indices, in order.
    const std::vector<std::size_t>& Order() const { return order_; }
    void AddSelected();
    void RemoveSelected();

private:
    void Fill();
    Workspace& ws_;
    QListWidget* regions_;
    QListWidget* assembly_;
    std::vector<std::size_t> order_;
};

}  // namespace sv
