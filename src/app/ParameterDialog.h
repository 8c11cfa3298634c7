#pragma once
// A modal dialog drawn from a DialogSpec: a "Préréglages:" list when the spec has presets, a
// form of labelled fields (line edits, radio buttons or lists, check boxes, decibel spin
// boxes, track bars, curve editors), the spec's own buttons, then OK and "Annuler". OK runs
// the description's check; a refusal is shown and the dialog stays open. Presets, buttons and
// the spec's change hook rewrite the fields, which the dialog then shows.
#include "core/DialogSpec.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QPushButton;

namespace sv {

class Host;

class ParameterDialog : public QDialog {
public:
    ParameterDialog(DialogSpec& spec, Host& host, QWidget* parent);
    ~ParameterDialog() override;
    void accept() override;

private:
    // The preview button toggles: "Précédent" starts the effect playing, "Stop" stops it.
    void TogglePreview();
    void RestartPreview();
    void StopPreview();
    DialogSpec Current() const;
    // Shows the values (and curve axes) of s in the widgets.
    void Load(const DialogSpec& s);
    // A field's widget changed: runs the change hook, then follows the preview.
    void FieldEdited(const std::string& id);

    DialogSpec& spec_;
    Host& host_;
    // One reader per field: copies the widget's value into a spec; one writer: the reverse.
    std::vector<std::function<void(DialogSpec&)>> readers_;
    std::vector<std::function<void(const DialogSpec&)>> writers_;
    QPushButton* previewButton_ = nullptr;
    bool previewing_ = false;
    bool loading_ = false;
};

}  // namespace sv
