#pragma once
// The player part of the command bar: the time display, the position slider, the level meter
// and the device volume control (102). It is the frame's PlayerView: the player's reports
// arrive here on the GUI thread and are shown.
#include "audio/PlayerControl.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QSlider;
class QSpinBox;

namespace sv {

class LDBDisplay;

class PlayerPanel : public QWidget, public PlayerView {
public:
    PlayerPanel(PlayerControl& control, Workspace& ws, QWidget* parent = nullptr);
    ~PlayerPanel() override;

    // The command bar's play and stop actions, whose bitmaps follow the player's state.
    void SetTransportActions(QAction* play, QAction* stop);
    // Called with the document whose cursor moved, to keep it in view (the waveform follows).
    void SetFollowCursor(std::function<void(LAudioDocument&, bool held)> follow) { follow_ = std::move(follow); }
    // Shows the device's current volume (when the frame opens).
    void ReadVolume();

    LDBDisplay* Meter() const { return meter_; }
    QLabel* TimeDisplay() const { return time_; }
    QSlider* PositionSlider() const { return slider_; }
    QSpinBox* VolumeControl() const { return volume_; }

    // PlayerView
    void ShowPlaying(bool playing) override;
    void RefreshCommandBar() override;
    void ShowLevels(int channels, const std::int8_t* levels) override;
    void ShowCursor(LAudioDocument& doc) override;
    void ShowShuttlePressed(int direction, bool pressed) override;
    void ShowVolume(int db) override;

private:
    void SliderMoved(int value);

    PlayerControl& control_;
    Workspace& ws_;
    QLabel* time_ = nullptr;
    QSlider* slider_ = nullptr;
    LDBDisplay* meter_ = nullptr;
    QLabel* meterText_ = nullptr;
    QSpinBox* volume_ = nullptr;
    QAction* play_ = nullptr;
    QAction* stop_ = nullptr;
    bool updating_ = false;
    std::function<void(LAudioDocument&, bool)> follow_;
};

}  // namespace sv
