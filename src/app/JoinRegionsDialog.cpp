#include "app/JoinRegionsDialog.h"

#include "core/Host.h"
#include "core/RegionCommands.h"
#include "core/Workspace.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace sv {

JoinRegionsDialog::JoinRegionsDialog(Workspace& ws, QWidget* parent)
    : QDialog(parent), ws_(ws), regions_(new QListWidget), assembly_(new QListWidget) {
    setObjectName("34");
    setWindowTitle("Assembler les Zones");
    regions_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    assembly_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const LRegion& r : ws_.Regions().Items()) regions_->addItem(QString::fromStdString(r.name));

    auto* add = new QPushButton("Ajouter >>");
    auto* remove = new QPushButton("<< Supprimer");
    auto* play = new QPushButton("Jouer");
    auto* options = new QPushButton("Options...");
    connect(add, &QPushButton::clicked, this, [this] { AddSelected(); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSelected(); });
    connect(play, &QPushButton::clicked, this, [this] {
        QListWidget* from = assembly_->hasFocus() && assembly_->currentRow() >= 0 ? assembly_ : regions_;
        int row = from->currentRow();
        if (row < 0) return;
        PlayRegion(ws_, from == assembly_ ? order_[static_cast<std::size_t>(row)] : static_cast<std::size_t>(row));
    });
    connect(options, &QPushButton::clicked, this, [this] { JoinOptionsDialog(ws_); });
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* b : {add, remove, play, options}) middle->addWidget(b);
    middle->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel("Zones"), 0, 0);
    grid->addWidget(new QLabel("Assemblage"), 0, 2);
    grid->addWidget(regions_, 1, 0);
    grid->addLayout(middle, 1, 1);
    grid->addWidget(assembly_, 1, 2);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText("Assembler");
    box->button(QDialogButtonBox::Cancel)->setText("Annuler");
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(box);
    resize(560, 320);
}

void JoinRegionsDialog::AddSelected() {
    for (int row = 0; row < regions_->count(); ++row)
        if (regions_->item(row)->isSelected()) order_.push_back(static_cast<std::size_t>(row));
    Fill();
}

void JoinRegionsDialog::RemoveSelected() {
    for (int row = assembly_->count() - 1; row >= 0; --row)
        if (assembly_->item(row)->isSelected()) order_.erase(order_.begin() + row);
    Fill();
}

void JoinRegionsDialog::Fill() {
    assembly_->clear();
    for (std::size_t i : order_) assembly_->addItem(QString::fromStdString(ws_.Regions()[i].name));
}

void JoinRegionsDialog::accept() {
    if (order_.empty()) {
        ws_.host().MessageBox("Ajoutez au moins une zone à l'assemblage.", "Assembler les Zones",
                              MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    if (JoinRegions(ws_, order_) == 0) QDialog::accept();
}

}  // namespace sv
