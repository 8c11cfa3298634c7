#include "app/OptionsDialog.h"

#include "app/FrameWindow.h"
#include "app/KeyChangeDialog.h"
#include "app/KeysFile.h"
#include "audio/AudioDevice.h"
#include "core/DocumentCommands.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sv {

namespace {
const char* const kSection = "Settings";
}

OptionsDialog::OptionsDialog(Workspace& ws, FrameWindow& frame, QWidget* parent)
    : QDialog(parent), ws_(ws), frame_(frame) {
    setWindowTitle("Options");
    setObjectName("OptionsDialog");
    Settings& st = ws_.settings();
    auto* layout = new QVBoxLayout(this);

    auto* folderBox = new QGroupBox("Dossier de travail");
    auto* folderLayout = new QVBoxLayout(folderBox);
    useDefaultFolder_ = new QCheckBox("Utiliser le dossier de travail par défaut");
    useDefaultFolder_->setObjectName("UseDefaultWorkingDir");
    defaultFolderAtOpen_ = st.ReadIntSetting(kSection, "UseDefaultWorkingDir", 1) != 0;
    useDefaultFolder_->setChecked(defaultFolderAtOpen_);
    folderAtOpen_ = st.ReadSetting(kSection, "WorkingFolder");
    folder_ = new QLineEdit(QString::fromStdString(folderAtOpen_.empty() ? ProductDataFolder() : folderAtOpen_));
    folder_->setObjectName("WorkingFolder");
    auto* browse = new QPushButton("Parcourir...");
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_);
    folderRow->addWidget(browse);
    folderLayout->addWidget(useDefaultFolder_);
    folderLayout->addLayout(folderRow);
    layout->addWidget(folderBox);
    auto followDefault = [this, browse] {
        folder_->setEnabled(!useDefaultFolder_->isChecked());
        browse->setEnabled(!useDefaultFolder_->isChecked());
    };
    followDefault();
    connect(useDefaultFolder_, &QCheckBox::toggled, this, followDefault);
    connect(browse, &QPushButton::clicked, this, [this] {
        if (auto picked = ws_.host().PickFolder("Dossier de travail", folder_->text().toStdString()))
            folder_->setText(QString::fromStdString(*picked));
    });

    auto* general = new QGroupBox("Général");
    auto* generalLayout = new QVBoxLayout(general);
    auto* format = new QPushButton("Régler les Paramètres par Défaut");
    format->setObjectName("DefaultFormat");
    connect(format, &QPushButton::clicked, this, [this] { DefaultFormatDialog(ws_); });
    generalLayout->addWidget(format);
    generalLayout->addWidget(AddSwitch("PromptSampleAndChannels",
                                       "Demander le taux d'échantillonnage et les canaux d'un nouveau fichier", true));
    generalLayout->addWidget(AddSwitch("AutoPlaybackAfterEffects", "Jouer automatiquement après un effet", true));
    generalLayout->addWidget(AddSwitch("AutoArrangeWindows", "Arranger automatiquement les fenêtres", true));
    generalLayout->addWidget(AddSwitch("PlayWhenOpen", "Jouer le fichier dès son ouverture", false));
    generalLayout->addWidget(AddSwitch("ReduceVolWhenRewind", "Baisser le volume de 8dB lors des retour et avance rapides", false));
    layout->addWidget(general);

    auto* playback = new QGroupBox("Lecture");
    auto* playbackLayout = new QHBoxLayout(playback);
    playbackLayout->addWidget(new QLabel("Dispositif de Lecture du Son:"));
    device_ = new QComboBox;
    device_->setObjectName("SoundOutDevice");
    // 0 is the system's default device, n the n-th device of the list.
    device_->addItem("Périphérique par défaut");
    for (const std::string& name : CreateAudioDevice()->DeviceNames()) device_->addItem(QString::fromStdString(name));
    device_->setCurrentIndex(std::clamp(st.ReadIntSetting(kSection, "SoundOutDevice", 0), 0, device_->count() - 1));
    playbackLayout->addWidget(device_, 1);
    layout->addWidget(playback);

    auto* bars = new QGroupBox("Barres");
    auto* barsLayout = new QVBoxLayout(bars);
    barsLayout->addWidget(AddSwitch("ShowMainToolbar", "Montrer la Barre d'Outils Principale", true));
    barsLayout->addWidget(AddSwitch("ShowEffectsToolbar", "Montrer la Barre d'Outils des Effets", true));
    barsLayout->addWidget(AddSwitch("ShowCommandBar", "Montrer la Barre de Commandes", true));
    barLeft_ = new QRadioButton("A Gauche");
    barLeft_->setObjectName("ShowCommandBarLeft");
    barRight_ = new QRadioButton("A Droite");
    barRight_->setObjectName("CommandBarRight");
    (st.ReadBoolSetting(kSection, "ShowCommandBarLeft", true) ? barLeft_ : barRight_)->setChecked(true);
    auto* sideRow = new QHBoxLayout;
    sideRow->addWidget(barLeft_);
    sideRow->addWidget(barRight_);
    sideRow->addStretch();
    barsLayout->addLayout(sideRow);
    layout->addWidget(bars);

    auto* shortcuts = new QPushButton("Raccourcis Clavier...");
    shortcuts->setObjectName("Shortcuts");
    connect(shortcuts, &QPushButton::clicked, this, [this] { EditShortcuts(); });
    layout->addWidget(shortcuts, 0, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QCheckBox* OptionsDialog::AddSwitch(const char* name, const char* text, bool def) {
    auto* box = new QCheckBox(QString::fromUtf8(text));
    box->setObjectName(name);
    box->setChecked(ws_.settings().ReadBoolSetting(kSection, name, def));
    switches_.emplace_back(name, box);
    return box;
}

void OptionsDialog::Store() {
    Settings& st = ws_.settings();
    for (const auto& [name, box] : switches_) st.WriteBoolUserSetting(kSection, name, box->isChecked());
    st.WriteBoolUserSetting(kSection, "ShowCommandBarLeft", barLeft_->isChecked());
    st.WriteIntUserSetting(kSection, "SoundOutDevice", device_->currentIndex());
    const bool useDefault = useDefaultFolder_->isChecked();
    const std::string folder = folder_->text().trimmed().toStdString();
    st.WriteBoolUserSetting(kSection, "UseDefaultWorkingDir", useDefault);
    if (!useDefault && !folder.empty()) st.WriteUserSetting(kSection, "WorkingFolder", folder);
    frame_.ApplyBarSettings();
    frame_.RefreshCommandStates();
    // The block store keeps its folder while documents use it.
    bool folderChanged = useDefault != defaultFolderAtOpen_ || (!useDefault && folder != folderAtOpen_);
    if (folderChanged) {
        ws_.host().MessageBox("Le nouveau dossier de travail sera utilisé au prochain démarrage de Sonvela.",
                              "Options", MsgIcon::Information, MsgButtons::Ok);
    }
}

void OptionsDialog::EditShortcuts() {
    LKeyChangeDlg dialog(frame_.Keys(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    frame_.Keys() = dialog.Table();
    frame_.KeysChanged();
    SaveKeys(KeysFilePath(), frame_.Keys(), ws_.host());
}

void RunOptionsDialog(Workspace& ws, FrameWindow& frame) {
    OptionsDialog dialog(ws, frame, &frame);
    if (dialog.exec() == QDialog::Accepted) dialog.Store();
}

}  // namespace sv
