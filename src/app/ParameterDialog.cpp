#include "app/ParameterDialog.h"

#include "effects/Curve.h"
#include "views/CurveEditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

namespace {

LCurveEditor::Axis EditorAxis(DialogField::Axis axis) {
    switch (axis) {
        case DialogField::Axis::LinearFrequency: return LCurveEditor::Axis::LinearFrequency;
        case DialogField::Axis::LogFrequency: return LCurveEditor::Axis::LogFrequency;
        case DialogField::Axis::Time:
        default: return LCurveEditor::Axis::Time;
    }
}

}  // namespace

ParameterDialog::ParameterDialog(DialogSpec& spec, Host& host, QWidget* parent)
    : QDialog(parent), spec_(spec), host_(host) {
    setWindowTitle(QString::fromStdString(spec.caption));
    setObjectName(QString::fromStdString(spec.resource));
    auto* layout = new QVBoxLayout(this);
    if (!spec.presets.empty()) {
        auto* row = new QHBoxLayout;
        auto* presets = new QComboBox;
        presets->setObjectName("presets");
        presets->addItem("");
        for (const DialogPreset& p : spec.presets) presets->addItem(QString::fromStdString(p.name));
        row->addWidget(new QLabel("Préréglages:"));
        row->addWidget(presets, 1);
        layout->addLayout(row);
        connect(presets, &QComboBox::activated, this, [this](int index) {
            if (index <= 0) return;
            DialogSpec current = Current();
            current.ApplyPreset(static_cast<std::size_t>(index - 1));
            Load(current);
            RestartPreview();
        });
    }
    auto* form = new QFormLayout;
    for (const DialogField& f : spec.fields) {
        const std::string id = f.id;
        const QString name = QString::fromStdString(id);
        QString label = QString::fromStdString(f.label);
        switch (f.kind) {
            case DialogField::Kind::Integer:
            case DialogField::Kind::Decimal:
            case DialogField::Kind::Text: {
                auto* edit = new QLineEdit(QString::fromStdString(f.value));
                edit->setObjectName(name);
                if (f.secret) edit->setEchoMode(QLineEdit::Password);
                form->addRow(label, edit);
                readers_.push_back([edit, id](DialogSpec& s) { s.SetValue(id, edit->text().trimmed().toStdString()); });
                writers_.push_back([edit, id](const DialogSpec& s) { edit->setText(QString::fromStdString(s.Value(id))); });
                connect(edit, &QLineEdit::textChanged, this, [this, id] { FieldEdited(id); });
                break;
            }
            case DialogField::Kind::Decibel: {
                auto* spin = new QSpinBox;
                spin->setObjectName(name);
                spin->setRange(f.minimum, f.maximum);
                spin->setSuffix(" dB");
                spin->setValue(std::atoi(f.value.c_str()));
                form->addRow(label, spin);
                readers_.push_back([spin, id](DialogSpec& s) { s.SetValue(id, std::to_string(spin->value())); });
                writers_.push_back([spin, id](const DialogSpec& s) { spin->setValue(s.IntValue(id)); });
                connect(spin, &QSpinBox::valueChanged, this, [this, id] { FieldEdited(id); });
                break;
            }
            case DialogField::Kind::TrackBar: {
                auto* box = new QWidget;
                auto* row = new QHBoxLayout(box);
                row->setContentsMargins(0, 0, 0, 0);
                auto* slider = new QSlider(Qt::Horizontal);
                slider->setObjectName(name);
                slider->setRange(f.minimum, f.maximum);
                slider->setValue(std::atoi(f.value.c_str()));
                auto* shown = new QLabel(QString::number(slider->value()));
                shown->setMinimumWidth(32);
                row->addWidget(slider, 1);
                row->addWidget(shown);
                form->addRow(label, box);
                readers_.push_back([slider, id](DialogSpec& s) { s.SetValue(id, std::to_string(slider->value())); });
                writers_.push_back([slider, id](const DialogSpec& s) { slider->setValue(s.IntValue(id)); });
                connect(slider, &QSlider::valueChanged, this, [this, id, shown](int v) {
                    shown->setText(QString::number(v));
                    FieldEdited(id);
                });
                break;
            }
            case DialogField::Kind::Curve: {
                auto* editor = new LCurveEditor;
                editor->setObjectName(name);
                editor->SetCurve(CurveFromText(f.value));
                editor->SetAxis(EditorAxis(f.axis));
                if (label.isEmpty())
                    form->addRow(editor);
                else
                    form->addRow(label, editor);
                readers_.push_back([editor, id](DialogSpec& s) { s.SetValue(id, CurveToText(editor->Curve())); });
                writers_.push_back([editor, id](const DialogSpec& s) {
                    editor->SetCurve(CurveFromText(s.Value(id)));
                    if (const DialogField* field = s.Field(id)) editor->SetAxis(EditorAxis(field->axis));
                });
                editor->changed = [this, id] { FieldEdited(id); };
                break;
            }
            case DialogField::Kind::Choice: {
                int current = std::atoi(f.value.c_str());
                if (f.list || f.choices.size() > 3) {
                    auto* combo = new QComboBox;
                    combo->setObjectName(name);
                    for (const std::string& c : f.choices) combo->addItem(QString::fromStdString(c));
                    combo->setCurrentIndex(current);
                    form->addRow(label, combo);
                    readers_.push_back(
                        [combo, id](DialogSpec& s) { s.SetValue(id, std::to_string(combo->currentIndex())); });
                    writers_.push_back([combo, id](const DialogSpec& s) {
                        // A button may have replaced the options (another folder's plug-ins).
                        if (const DialogField* field = s.Field(id)) {
                            QStringList items;
                            for (const std::string& c : field->choices) items << QString::fromStdString(c);
                            QStringList shown;
                            for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
                            if (items != shown) {
                                const QSignalBlocker quiet(combo);
                                combo->clear();
                                combo->addItems(items);
                            }
                        }
                        combo->setCurrentIndex(s.IntValue(id));
                    });
                    connect(combo, &QComboBox::currentIndexChanged, this, [this, id] { FieldEdited(id); });
                } else {
                    auto* box = new QWidget;
                    box->setObjectName(name);
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
                    writers_.push_back([group, id](const DialogSpec& s) {
                        if (QAbstractButton* b = group->button(s.IntValue(id))) b->setChecked(true);
                    });
                    connect(group, &QButtonGroup::idClicked, this, [this, id] { FieldEdited(id); });
                }
                break;
            }
            case DialogField::Kind::Check: {
                auto* check = new QCheckBox(label);
                check->setObjectName(name);
                check->setChecked(f.value == "1");
                form->addRow(check);
                readers_.push_back([check, id](DialogSpec& s) { s.SetValue(id, check->isChecked() ? "1" : "0"); });
                writers_.push_back([check, id](const DialogSpec& s) { check->setChecked(s.Value(id) == "1"); });
                connect(check, &QCheckBox::toggled, this, [this, id] { FieldEdited(id); });
                break;
            }
            case DialogField::Kind::Label:
                form->addRow(new QLabel(label + QString::fromStdString(f.value)));
                break;
            case DialogField::Kind::TextArea: {
                auto* edit = new QPlainTextEdit(QString::fromStdString(f.value));
                edit->setObjectName(QString::fromStdString(id));
                edit->setMinimumSize(360, 120);
                form->addRow(label, edit);
                readers_.push_back([edit, id](DialogSpec& s) { s.SetValue(id, edit->toPlainText().toStdString()); });
                writers_.push_back(
                    [edit, id](const DialogSpec& s) { edit->setPlainText(QString::fromStdString(s.Value(id))); });
                break;
            }
        }
    }
    layout->addLayout(form);
    if (!spec.buttons.empty()) {
        auto* row = new QHBoxLayout;
        for (const DialogButton& b : spec.buttons) {
            auto* button = new QPushButton(QString::fromStdString(b.label));
            button->setObjectName(QString::fromStdString(b.id));
            button->setAutoDefault(false);
            const std::string bid = b.id;
            connect(button, &QPushButton::clicked, this, [this, bid] {
                DialogSpec current = Current();
                current.Press(bid);
                // Options a button replaced are kept for later reads.
                for (DialogField& mine : spec_.fields)
                    if (const DialogField* theirs = current.Field(mine.id)) mine.choices = theirs->choices;
                Load(current);
                RestartPreview();
            });
            row->addWidget(button);
        }
        row->addStretch(1);
        layout->addLayout(row);
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
    layout->addWidget(buttons);
}

ParameterDialog::~ParameterDialog() { StopPreview(); }

DialogSpec ParameterDialog::Current() const {
    DialogSpec current = spec_;
    for (auto& read : readers_) read(current);
    return current;
}

void ParameterDialog::Load(const DialogSpec& s) {
    loading_ = true;
    for (auto& write : writers_) write(s);
    loading_ = false;
}

void ParameterDialog::FieldEdited(const std::string& id) {
    if (loading_) return;
    if (spec_.changed) {
        DialogSpec current = Current();
        spec_.changed(current, id);
        // Attributes the hook changes (a curve's axis) are kept for later reads.
        for (DialogField& mine : spec_.fields)
            if (const DialogField* theirs = current.Field(mine.id)) mine.axis = theirs->axis;
        Load(current);
    }
    RestartPreview();
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
