#pragma once
// LRecordDlg: the recorder dialog drawn with Qt over RecorderDialogModel, which holds every
// rule. Top: the input device (100), input line (101), recording volume (102) or the button
// that opens the desktop's mixer (119), "Avancé..." (109), the level meter and record (110).
// Below: the playback panel with its buttons (111 to 117), output device (107) and volume
// (108), position slider (106), file name (120) and the LWaveWindow of the recorded sound.
// F5 to F8 go to the model; Home, End and the arrows move the panel. "OK" and closing the
// window keep what was recorded (result 1, or 2 for the next take); "Annuler" discards it.
#include "audio/RecorderDialogModel.h"

#include <QDialog>

#include <map>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace sv {

class LDBDisplay;
class LWaveWindow;

class LRecordDlg : public QDialog, private RecorderView {
public:
    LRecordDlg(Workspace& ws, LRecordOwner& owner, RecorderDevices devices, const std::string& title,
               QWidget* parent = nullptr);
    ~LRecordDlg() override;

    RecorderDialogModel& Model() { return model_; }
    QWidget* Control(int id) const;
    LDBDisplay* Meter() const { return meter_; }
    LWaveWindow* WaveView() const { return wave_; }

    void done(int result) override;
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QToolButton* AddButton(int id);
    void RefreshButtons();

    // RecorderView
    void ShowRecording(bool recording) override;
    void ShowLines() override;
    void ShowLevels(int channels, const std::int8_t* levels) override;
    void ClearLevels() override;
    void ShowSound(const LAudioData& sound) override;
    void ShowPosition(std::int32_t frame) override;
    void ShowPlaying(bool playing) override;
    void CloseDialog(int result) override;
    bool RunProgram(const std::vector<std::string>& argv) override;

    RecorderDialogModel model_;
    std::map<int, QWidget*> controls_;
    QComboBox* devices_ = nullptr;
    QComboBox* lines_ = nullptr;
    QSpinBox* volume_ = nullptr;
    QPushButton* mixer_ = nullptr;
    LDBDisplay* meter_ = nullptr;
    QLabel* meterText_ = nullptr;
    QLabel* time_ = nullptr;
    QSlider* slider_ = nullptr;
    LWaveWindow* wave_ = nullptr;
    bool updating_ = false;
    bool opened_ = false;
    bool closed_ = false;
};

// The Record command's dialog: shows LRecordDlg modally over the system's devices.
int RunRecordDialog(Workspace& ws, LRecordOwner& owner, QWidget* parent);

}  // namespace sv
