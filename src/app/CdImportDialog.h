#pragma once
// The dialog "Importer les Pistes du CD": the drive combo, the refresh button, "UseFreeDB",
// the track list ("Piste", "Durée"). It draws a CdImportSession and hands it the user's
// actions; udev reports (or, without udev, a poll of the drive list) reach it through the
// event loop.
#include "cd/CdImportSession.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSocketNotifier;
class QTimer;
class QTreeWidget;

namespace sv {

class Workspace;

class CdImportDialog : public QDialog {
public:
    // session must be open (Open() returned true).
    CdImportDialog(CdImportSession& session, QWidget* parent = nullptr);
    ~CdImportDialog() override;

    // Draws the session's drives and tracks again.
    void Redraw();
    // OK: rips the chosen tracks; the dialog closes unless the session refuses.
    void accept() override;

    QTreeWidget* Tracks() const { return tracks_; }
    QComboBox* Drives() const { return drives_; }
    QCheckBox* UseCddb() const { return useCddb_; }
    QPushButton* Refresh() const { return refresh_; }

private:
    void DrawTracks();
    void ReadHotplug();

    CdImportSession& session_;
    QComboBox* drives_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QCheckBox* useCddb_ = nullptr;
    QTreeWidget* tracks_ = nullptr;
    std::unique_ptr<DriveHotplug> hotplug_;
    QSocketNotifier* hotplugNotifier_ = nullptr;
    QTimer* drivePoll_ = nullptr;
    bool drawing_ = false;
};

// Command 1011: opens the session over drives (the system's by default) and runs the dialog
// modally; without a drive only the message is shown.
void RunCdImportDialog(Workspace& ws, QWidget* parent, CdDriveSource* drives = nullptr);

}  // namespace sv
