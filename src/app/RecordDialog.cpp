#include "app/RecordDialog.h"

#include "core/AudioDocument.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "views/LevelMeterWidget.h"
#include "views/RecorderWaveWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace sv {

namespace {

// The record button's bitmap: a red disc, drawn here since no theme has one for recording.
QIcon RecordIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(210, 0, 0));
    p.setPen(QColor(120, 0, 0));
    p.drawEllipse(QRectF(2, 2, 12, 12));
    return QIcon(pixmap);
}

QStyle::StandardPixmap StandardFor(const std::string& bitmap) {
    if (bitmap == "PlayBitmap") return QStyle::SP_MediaPlay;
    if (bitmap == "ScrubBitmap") return QStyle::SP_MediaPause;
    if (bitmap == "StopBitmap") return QStyle::SP_MediaStop;
    if (bitmap == "StartBitmap") return QStyle::SP_MediaSkipBackward;
    if (bitmap == "RewindBitmap") return QStyle::SP_MediaSeekBackward;
    if (bitmap == "RetakeBitmap") return QStyle::SP_BrowserReload;
    if (bitmap == "EndBitmap") return QStyle::SP_MediaSkipForward;
    return QStyle::SP_MediaSeekForward;
}

void Fill(QComboBox* box, const std::vector<std::string>& entries, int current) {
    box->clear();
    for (const std::string& e : entries) box->addItem(QString::fromStdString(e));
    box->setCurrentIndex(std::clamp(current, 0, box->count() - 1));
}

}  // namespace

LRecordDlg::LRecordDlg(Workspace& ws, LRecordOwner& owner, RecorderDevices devices, const std::string& title,
                       QWidget* parent)
    : QDialog(parent), model_(ws, owner, std::move(devices)) {
    setObjectName("LRecordDlg");
    setWindowTitle("Enregistrer");
    auto* layout = new QVBoxLayout(this);

    auto* inputRow = new QHBoxLayout;
    setMinimumWidth(560);
    devices_ = new QComboBox;
    lines_ = new QComboBox;
    devices_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lines_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    volume_ = new QSpinBox;
    volume_->setRange(RecorderSettings::kMinVolume, RecorderSettings::kMaxVolume);
    volume_->setSuffix(" dB");
    mixer_ = new QPushButton("Mixeur...");
    auto* advanced = new QPushButton("Avancé...");
    controls_ = {{kRecDeviceList, devices_}, {kRecLineList, lines_}, {kRecVolume, volume_}, {kRecMixer, mixer_},
                 {kRecAdvanced, advanced}};
    inputRow->addWidget(devices_, 2);
    inputRow->addWidget(lines_, 2);
    inputRow->addWidget(volume_);
    inputRow->addWidget(mixer_);
    inputRow->addWidget(advanced);
    layout->addLayout(inputRow);

    auto* meterRow = new QHBoxLayout;
    QToolButton* record = AddButton(kRecRecord);
    record->setIcon(RecordIcon());
    record->setIconSize(QSize(24, 24));
    meter_ = new LDBDisplay;
    meterText_ = new QLabel;
    meterText_->setObjectName("LDBDisplayText");
    meterText_->setMinimumWidth(40);
    meter_->SetLinkedText(meterText_);
    time_ = new QLabel(QString::fromStdString(FormatTimeText(0)));
    time_->setObjectName("RecorderTime");
    meterRow->addWidget(record);
    meterRow->addWidget(meter_, 1);
    meterRow->addWidget(meterText_);
    meterRow->addWidget(time_);
    layout->addLayout(meterRow);

    auto* panel = new QGroupBox;
    auto* panelLayout = new QVBoxLayout(panel);
    wave_ = new LWaveWindow;
    wave_->setMinimumHeight(80);
    panelLayout->addWidget(wave_);
    slider_ = new QSlider(Qt::Horizontal);
    slider_->setRange(0, 100);
    controls_[kRecSlider] = slider_;
    panelLayout->addWidget(slider_);
    auto* transport = new QHBoxLayout;
    for (int id = kRecPlay; id <= kRecEnd; ++id) transport->addWidget(AddButton(id));
    transport->addStretch(1);
    auto* outputs = new QComboBox;
    outputs->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* outVolume = new QSpinBox;
    outVolume->setRange(RecorderSettings::kMinVolume, RecorderSettings::kMaxVolume);
    outVolume->setSuffix(" dB");
    controls_[kRecOutputList] = outputs;
    controls_[kRecOutputVolume] = outVolume;
    transport->addWidget(outputs);
    transport->addWidget(outVolume);
    panelLayout->addLayout(transport);
    auto* name = new QLineEdit(QString::fromStdString(title));
    name->setReadOnly(true);
    controls_[kRecFileName] = name;
    panelLayout->addWidget(name);
    layout->addWidget(panel);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(1); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(0); });
    // Enter must not close the dialog while someone records.
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
    advanced->setAutoDefault(false);
    mixer_->setAutoDefault(false);

    for (auto& [id, widget] : controls_) widget->setObjectName(QString("control%1").arg(id));

    connect(devices_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (!updating_) model_.ChooseDevice(i);
    });
    connect(lines_, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (!updating_) model_.ChooseLine(i);
    });
    connect(volume_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int db) {
        if (!updating_) model_.SetVolume(db);
    });
    connect(mixer_, &QPushButton::clicked, this, [this] { model_.Press(kRecMixer); });
    connect(advanced, &QPushButton::clicked, this, [this] { model_.Press(kRecAdvanced); });
    connect(outputs, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int i) {
        if (!updating_) model_.ChooseOutput(i);
    });
    connect(outVolume, qOverload<int>(&QSpinBox::valueChanged), this, [this](int db) {
        if (!updating_) model_.SetOutputVolume(db);
    });
    connect(slider_, &QSlider::sliderMoved, this, [this](int v) { model_.SeekPercent(v); });
    wave_->onNotify = [this](int code) {
        if (code == 2) model_.SeekFrame(wave_->Position());
    };

    model_.SetView(this);
}

LRecordDlg::~LRecordDlg() {
    model_.SetView(nullptr);
    wave_->Detach();
}

QToolButton* LRecordDlg::AddButton(int id) {
    auto* b = new QToolButton;
    b->setAutoRaise(true);
    controls_[id] = b;
    connect(b, &QToolButton::clicked, this, [this, id] { model_.Press(id); });
    return b;
}

QWidget* LRecordDlg::Control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void LRecordDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (opened_) return;
    opened_ = true;
    model_.Open();
    updating_ = true;
    Fill(devices_, model_.DeviceEntries(), model_.DeviceIndex());
    Fill(static_cast<QComboBox*>(Control(kRecOutputList)), model_.OutputEntries(), model_.OutputIndex());
    volume_->setValue(model_.Volume());
    static_cast<QSpinBox*>(Control(kRecOutputVolume))->setValue(model_.OutputVolume());
    updating_ = false;
    ShowLines();
}

void LRecordDlg::done(int result) {
    if (!closed_) {
        closed_ = true;
        model_.Close();
    }
    QDialog::done(result);
}

// Escape and the window's close button keep the recording; only "Annuler" throws it away.
void LRecordDlg::reject() { done(1); }

void LRecordDlg::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key >= Qt::Key_F5 && key <= Qt::Key_F8) {
        model_.Key(5 + (key - Qt::Key_F5));
        return;
    }
    if (!model_.Recording()) {
        switch (key) {
        case Qt::Key_Home: model_.Press(kRecStart); return;
        case Qt::Key_End: model_.Press(kRecEnd); return;
        case Qt::Key_Left: model_.Press(kRecRewind); return;
        case Qt::Key_Right: model_.Press(kRecForward); return;
        default: break;
        }
    }
    QDialog::keyPressEvent(event);
}

void LRecordDlg::RefreshButtons() {
    for (int id = kRecRecord; id <= kRecEnd; ++id) {
        auto* b = static_cast<QToolButton*>(Control(id));
        const std::string bitmap = model_.Bitmap(id);
        b->setProperty("bitmap", QString::fromStdString(bitmap));
        if (id != kRecRecord) b->setIcon(style()->standardIcon(StandardFor(bitmap)));
        b->setToolTip(QString::fromStdString(model_.ToolTip(id)));
    }
    for (int id : {kRecDeviceList, kRecLineList, kRecVolume})
        Control(id)->setToolTip(QString::fromStdString(model_.ToolTip(id)));
}

void LRecordDlg::ShowRecording(bool recording) {
    RefreshButtons();
    devices_->setEnabled(!recording);
    Control(kRecRecord)->setEnabled(!recording);
    slider_->setEnabled(!recording);
    if (!recording) meter_->Clear();
}

void LRecordDlg::ShowLines() {
    updating_ = true;
    Fill(lines_, model_.LineEntries(), model_.LineIndex());
    // Without a mixer element there is nothing to choose.
    lines_->setEnabled(lines_->count() > 1);
    updating_ = false;
    volume_->setVisible(model_.VolumeVisible());
    mixer_->setVisible(model_.MixerButtonVisible());
}

void LRecordDlg::ShowLevels(int channels, const std::int8_t* levels) { meter_->SetLevels(channels, levels); }

void LRecordDlg::ClearLevels() { meter_->Clear(); }

void LRecordDlg::ShowSound(const LAudioData& sound) {
    if (sound.Length() > 0) {
        wave_->Attach(sound);
        wave_->RequestRange(0, sound.Length());
    } else {
        wave_->Detach();
    }
}

void LRecordDlg::ShowPosition(std::int32_t frame) {
    const std::int32_t rate = model_.Sound().sampleRate;
    time_->setText(QString::fromStdString(FormatTimeText(FramesToMs(frame, rate))));
    if (model_.Recording()) return;
    wave_->SetPosition(frame);
    if (!slider_->isSliderDown()) {
        const QSignalBlocker block(slider_);
        slider_->setValue(model_.SliderPercent());
    }
}

void LRecordDlg::ShowPlaying(bool playing) {
    auto* play = static_cast<QToolButton*>(Control(kRecPlay));
    play->setProperty("bitmap", playing ? "PlayActiveBitmap" : "PlayBitmap");
}

void LRecordDlg::CloseDialog(int result) { done(result); }

bool LRecordDlg::RunProgram(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    QStringList args;
    for (std::size_t i = 1; i < argv.size(); ++i) args << QString::fromStdString(argv[i]);
    return QProcess::startDetached(QString::fromStdString(argv[0]), args);
}

int RunRecordDialog(Workspace& ws, LRecordOwner& owner, QWidget* parent) {
    const std::string title = ws.Active() ? ws.Active()->Title() : std::string();
    LRecordDlg dialog(ws, owner, RecorderDevices::System(), title, parent);
    // -1: the dialog never ran (the application is quitting); nothing was recorded to keep.
    const int result = dialog.exec();
    return result < 0 ? 0 : result;
}

}  // namespace sv
