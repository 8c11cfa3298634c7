#include "app/CdImportDialog.h"

#include "cd/SgDevice.h"
#include "core/Workspace.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace sv {

namespace {
constexpr int kDrivePollMs = 2000;
}

CdImportDialog::CdImportDialog(CdImportSession& session, QWidget* parent) : QDialog(parent), session_(session) {
    setWindowTitle(CdImportSession::kTitle);
    setObjectName("LCdImportDlg");
    auto* layout = new QVBoxLayout(this);

    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(new QLabel("Lecteur :"));
    drives_ = new QComboBox;
    drives_->setObjectName("Drive");
    driveRow->addWidget(drives_, 1);
    refresh_ = new QPushButton("Actualiser");
    refresh_->setObjectName("Refresh");
    driveRow->addWidget(refresh_);
    layout->addLayout(driveRow);

    tracks_ = new QTreeWidget;
    tracks_->setObjectName("Tracks");
    tracks_->setColumnCount(2);
    tracks_->setHeaderLabels({"Piste", "Durée"});
    tracks_->setRootIsDecorated(false);
    tracks_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tracks_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tracks_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tracks_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tracks_->header()->setStretchLastSection(false);
    layout->addWidget(tracks_, 1);

    useCddb_ = new QCheckBox("UseFreeDB");
    useCddb_->setObjectName("UseFreeDB");
    layout->addWidget(useCddb_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    resize(420, 360);

    connect(buttons, &QDialogButtonBox::accepted, this, &CdImportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CdImportDialog::reject);
    connect(useCddb_, &QCheckBox::toggled, this, [this](bool on) { session_.SetUseCddb(on); });
    connect(drives_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int index) {
        if (drawing_ || index < 0) return;
        session_.SelectDrive(index);
        DrawTracks();
    });
    connect(refresh_, &QPushButton::clicked, this, [this] {
        if (!session_.RefreshDrives()) session_.LoadDisc();
        Redraw();
    });
    connect(tracks_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item && (item->flags() & Qt::ItemIsSelectable)) accept();
    });

    hotplug_ = DriveHotplug::Create();
    if (hotplug_) {
        hotplugNotifier_ = new QSocketNotifier(hotplug_->Fd(), QSocketNotifier::Read, this);
        connect(hotplugNotifier_, &QSocketNotifier::activated, this, [this] { ReadHotplug(); });
    } else {
        drivePoll_ = new QTimer(this);
        connect(drivePoll_, &QTimer::timeout, this, [this] {
            if (session_.RefreshDrives()) Redraw();
        });
        drivePoll_->start(kDrivePollMs);
    }
    Redraw();
}

CdImportDialog::~CdImportDialog() = default;

void CdImportDialog::ReadHotplug() {
    bool changed = false;
    for (const CdHotplugEvent& event : hotplug_->ReadEvents()) changed |= session_.HandleHotplug(event);
    if (changed) Redraw();
}

void CdImportDialog::Redraw() {
    drawing_ = true;
    drives_->clear();
    for (const std::string& name : session_.DriveNames()) drives_->addItem(QString::fromStdString(name));
    drives_->setCurrentIndex(session_.SelectedDrive());
    useCddb_->setChecked(session_.UseCddb());
    drawing_ = false;
    DrawTracks();
}

void CdImportDialog::DrawTracks() {
    tracks_->clear();
    for (const CdTrackRow& row : session_.Rows()) {
        auto* item = new QTreeWidgetItem(tracks_, {QString::fromStdString(row.title), QString::fromStdString(row.duration)});
        if (!row.audio) {
            // A data track holds no sound: shown, but it cannot be chosen.
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            item->setToolTip(0, "Piste de données");
        }
    }
}

void CdImportDialog::accept() {
    session_.SetUseCddb(useCddb_->isChecked());
    std::vector<int> rows;
    for (QTreeWidgetItem* item : tracks_->selectedItems()) rows.push_back(tracks_->indexOfTopLevelItem(item));
    if (session_.Accept(rows)) QDialog::accept();
}

void RunCdImportDialog(Workspace& ws, QWidget* parent, CdDriveSource* drives) {
    static SystemCdDrives systemDrives;
    CdImportSession session(ws, drives ? *drives : systemDrives);
    if (!session.Open()) return;
    CdImportDialog dialog(session, parent);
    dialog.exec();
}

}  // namespace sv
