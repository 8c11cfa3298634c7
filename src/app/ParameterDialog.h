#pragma once
// A modal dialog drawn from a DialogSpec: a form of labelled fields, OK and "Annuler". OK runs
// the description's check; a refusal is shown and the dialog stays open.
#include "core/DialogSpec.h"

#include <QDialog>

#include <functional>
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

    DialogSpec& spec_;
    Host& host_;
    // One reader per field: copies the widget's value into a spec.
    std::vector<std::function<void(DialogSpec&)>> readers_;
    QPushButton* previewButton_ = nullptr;
    bool previewing_ = false;
};

}  // namespace sv
