#pragma once
// The shortcut editor (LKeyChangeDlg): every menu command with its keys; a key pressed in
// the capture field is shown as "Ctrl+", "Alt+", "Shift+" and the key's name and can be given
// to the selected command. The dialog edits a copy of the table; the caller takes Table() on OK.
#include "app/KeyTable.h"

#include <QDialog>

#include <cstdint>

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;

namespace sv {

class LKeyChangeDlg : public QDialog {
public:
    LKeyChangeDlg(const KeyTable& current, QWidget* parent = nullptr);

    const KeyTable& Table() const { return table_; }

    // The same steps as the buttons, for the dialog's own use and for tests.
    bool SelectCommand(int id);
    void CaptureKey(std::uint32_t code);
    // Gives the captured key to the selected command (taking it from any other).
    bool AssignCaptured();
    bool RemoveSelectedKey();
    void RestoreBuiltIn();
    QString CapturedText() const;
    QString OwnerText() const;

private:
    int SelectedCommand() const;
    void ShowKeys();
    void RefreshCommandColumn();

    KeyTable table_;
    std::uint32_t captured_ = 0;
    QTreeWidget* commands_ = nullptr;
    QListWidget* keys_ = nullptr;
    QLineEdit* capture_ = nullptr;
    QLabel* owner_ = nullptr;
};

}  // namespace sv
