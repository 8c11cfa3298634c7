#include "app/ParameterDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace sv {

ParameterDialog::ParameterDialog(DialogSpec& spec, Host& host, QWidget* parent)
    : QDialog(parent), spec_(spec), host_(host) {
    setWindowTitle(QString::fromStdString(spec.caption));
    setObjectName(QString::fromStdString(spec.resource));
    auto* form = new QFormLayout;
    for (const DialogField& f : spec.fields) {
        const std::string id = f.id;
        QString label = QString::fromStdString(f.label);
        switch (f.kind) {
            case DialogField::Kind::Integer:
            case DialogField::Kind::Text: {
                auto* edit = new QLineEdit(QString::fromStdString(f.value));
                edit->setObjectName(QString::fromStdString(id));
                if (f.secret) edit->setEchoMode(QLineEdit::Password);
                form->addRow(label, edit);
                readers_.push_back([edit, id](DialogSpec& s) { s.SetValue(id, edit->text().trimmed().toStdString()); });
                connect(edit, &QLineEdit::textChanged, this, [this] { RestartPreview(); });
                break;
            }
            case DialogField::Kind::Choice: {
                int current = std::atoi(f.value.c_str());
                if (f.choices.size() > 3) {
                    auto* combo = new QComboBox;
                    combo->setObjectName(QString::fromStdString(id));
                    for (const std::string& c : f.choices) combo->addItem(QString::fromStdString(c));
                    combo->setCurrentIndex(current);
                    form->addRow(label, combo);
                    readers_.push_back(
                        [combo, id](DialogSpec& s) { s.SetValue(id, std::to_string(combo->currentIndex())); });
                    connect(combo, &QComboBox::currentIndexChanged, this, [this] { RestartPreview(); });
                } else {
                    auto* box = new QWidget;
                    auto* row = new QHBoxLayout(box);
                    row->setContentsMargins(0, 0, 0, 0);
                    auto* group = new QButtonGroup(box);
                    for (std::size_t i = 0; i < f.choices.size(); ++i) {
                        auto* radio = new QRadioButton(QString::fromStdString(f.choices[i]));
                        radio->setChecked(static_cast<int>(i) == current);
                        group->addButton(radio, static_cast<int>(i));
                        row->addWidget(radio);
                    }
                    form->addRow(label, box);
                    readers_.push_back([group, id](DialogSpec& s) {
                        s.SetValue(id, std::to_string(std::max(0, group->checkedId())));
                    });
                    connect(group, &QButtonGroup::idClicked, this, [this] { RestartPreview(); });
                }
                break;
            }
            case DialogField::Kind::Check: {
                auto* check = new QCheckBox(label);
                check->setObjectName(QString::fromStdString(id));
                check->setChecked(f.value == "1");
                form->addRow(check);
                readers_.push_back([check, id](DialogSpec& s) { s.SetValue(id, check->isChecked() ? "1" : "0"); });
                connect(check, &QCheckBox::toggled, this, [this] { RestartPreview(); });
                break;
            }
            case DialogField::Kind::Label:
                form->addRow(new QLabel(label + QString::fromStdString(f.value)));
                break;
        }
    }
    auto* buttons = new QDialogButtonBox;
    if (spec.preview) {
        previewButton_ = buttons->addButton("Précédent", QDialogButtonBox::ActionRole);
        previewButton_->setObjectName("140");
        connect(previewButton_, &QPushButton::clicked, this, [this] { TogglePreview(); });
    }
    buttons->addButton("OK", QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton("Annuler", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

ParameterDialog::~ParameterDialog() { StopPreview(); }

DialogSpec ParameterDialog::Current() const {
    DialogSpec current = spec_;
    for (auto& read : readers_) read(current);
    return current;
}

void ParameterDialog::TogglePreview() {
    if (previewing_) {
        StopPreview();
        return;
    }
    spec_.preview(Current());
    previewing_ = true;
    previewButton_->setText("Stop");
}

void ParameterDialog::RestartPreview() {
    if (previewing_) spec_.preview(Current());
}

void ParameterDialog::StopPreview() {
    if (!previewing_) return;
    previewing_ = false;
    if (spec_.stopPreview) spec_.stopPreview();
    if (previewButton_) previewButton_->setText("Précédent");
}

void ParameterDialog::accept() {
    StopPreview();
    DialogSpec attempt = Current();
    if (!attempt.TryAccept(host_)) return;
    spec_ = std::move(attempt);
    QDialog::accept();
}

}  // namespace sv
