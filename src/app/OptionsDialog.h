#pragma once
// The options dialog (command 1010): the working folder, the default new-file format, the
// general switches and the bars, each kept under its own name in "Settings"; the shortcut
// editor opens from here. Each check box is named after the value it keeps.
#include <QDialog>

#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace sv {

class FrameWindow;
class Workspace;

class OptionsDialog : public QDialog {
public:
    OptionsDialog(Workspace& ws, FrameWindow& frame, QWidget* parent = nullptr);

    // Writes every value and re-lays the bars; what OK does.
    void Store();
    // The shortcut editor; an accepted edit goes to the frame and to keys.dat at once.
    void EditShortcuts();

private:
    QCheckBox* AddSwitch(const char* name, const char* text, bool def);

    Workspace& ws_;
    FrameWindow& frame_;
    std::string folderAtOpen_;
    bool defaultFolderAtOpen_ = true;
    QLineEdit* folder_ = nullptr;
    QCheckBox* useDefaultFolder_ = nullptr;
    QComboBox* device_ = nullptr;
    QRadioButton* barLeft_ = nullptr;
    QRadioButton* barRight_ = nullptr;
    std::vector<std::pair<std::string, QCheckBox*>> switches_;
};

// Runs the dialog modally and stores on OK.
void RunOptionsDialog(Workspace& ws, FrameWindow& frame);

}  // namespace sv
