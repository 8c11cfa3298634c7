#include "app/PlayerPanel.h"

#include "core/TimeText.h"
#include "core/Workspace.h"
#include "views/LevelMeterWidget.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

PlayerPanel::PlayerPanel(PlayerControl& control, Workspace& ws, QWidget* parent)
    : QWidget(parent), control_(control), ws_(ws) {
    setObjectName("PlayerPanel");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    time_ = new QLabel(QString::fromStdString(FormatTimeText(0)));
    time_->setObjectName("TimeDisplay");
    time_->setAlignment(Qt::AlignCenter);
    QFont big = time_->font();
    big.setPointSize(big.pointSize() + 4);
    time_->setFont(big);
    column->addWidget(time_);
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setObjectName("PositionSlider");
    slider_->setRange(0, 0);
    column->addWidget(slider_);
    QObject::connect(slider_, &QSlider::valueChanged, this, [this](int v) { SliderMoved(v); });
    auto* meterRow = new QHBoxLayout;
    meter_ = new LDBDisplay;
    meterText_ = new QLabel;
    meterText_->setMinimumWidth(40);
    meter_->SetLinkedText(meterText_);
    meterRow->addWidget(meter_, 1);
    meterRow->addWidget(meterText_);
    column->addLayout(meterRow);
    auto* volumeRow = new QHBoxLayout;
    volumeRow->addWidget(new QLabel("Volume:"));
    volume_ = new QSpinBox;
    volume_->setObjectName("102");
    volume_->setRange(-36, 10);
    volume_->setSuffix(" dB");
    volumeRow->addWidget(volume_, 1);
    column->addLayout(volumeRow);
    QObject::connect(volume_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int db) {
        if (!updating_) control_.SetVolumeDb(db);
    });
    control_.SetView(this);
    ReadVolume();
}

PlayerPanel::~PlayerPanel() { control_.SetView(nullptr); }

void PlayerPanel::SetTransportActions(QAction* play, QAction* stop) {
    play_ = play;
    stop_ = stop;
    ShowPlaying(control_.Player().State() != 0);
}

void PlayerPanel::ReadVolume() {
    int db = 0;
    // A machine without a mixer is normal: the control then stays disabled.
    const bool has = control_.VolumeDb(&db);
    volume_->setEnabled(has);
    if (has) ShowVolume(db);
}

void PlayerPanel::ShowPlaying(bool playing) {
    // The named bitmaps' states: the active one is shown checked.
    if (play_) {
        play_->setProperty("bitmap", playing ? "PlayActiveBitmap" : "PlayBitmap");
        play_->setCheckable(true);
        play_->setChecked(playing);
    }
    if (stop_) {
        stop_->setProperty("bitmap", playing ? "StopBitmap" : "StopActiveBitmap");
        stop_->setCheckable(true);
        stop_->setChecked(!playing);
    }
    if (!playing) meter_->Clear();
}

void PlayerPanel::RefreshCommandBar() { update(); }

void PlayerPanel::ShowLevels(int channels, const std::int8_t* levels) { meter_->SetLevels(channels, levels); }

void PlayerPanel::ShowCursor(LAudioDocument& doc) {
    updating_ = true;
    time_->setText(QString::fromStdString(FormatTimeText(FramesToMs(doc.cursor, doc.sound.sampleRate))));
    slider_->setRange(0, doc.Length());
    slider_->setValue(doc.cursor);
    updating_ = false;
    if (follow_) follow_(doc, control_.Player().IsHeld());
}

void PlayerPanel::ShowShuttlePressed(int, bool) { update(); }

void PlayerPanel::ShowVolume(int db) {
    updating_ = true;
    volume_->setValue(db);
    updating_ = false;
}

void PlayerPanel::SliderMoved(int value) {
    if (updating_) return;
    if (control_.Player().IsOpen()) {
        control_.Player().Seek(value);
        return;
    }
    if (LAudioDocument* doc = ws_.Active()) {
        doc->cursor = std::clamp(value, 0, doc->Length());
        ws_.DocumentChanged(*doc);
        ShowCursor(*doc);
    }
}

}  // namespace sv
