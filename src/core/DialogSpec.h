#pragma once
// A modal dialog described as data: its fields with their values and limits, and the check that
// OK runs. The Host draws it; the check and the refusal texts live here, below the GUI.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sv {

enum class MsgIcon;

struct DialogField {
    enum class Kind { Integer, Text, Choice, Check, Label };
    std::string id;                    // key the command reads the value back by
    std::string label;                 // text shown beside the field
    Kind kind = Kind::Text;
    std::string value;                 // Integer: decimal text; Choice: index; Check: "0"/"1"
    std::vector<std::string> choices;  // Choice: the options, shown as radio buttons
    bool secret = false;               // Text: typed characters are not shown (passwords)
};

struct DialogRefusal {
    std::string text;
    std::string caption;
    MsgIcon icon;
    std::string field;  // the field that gets the focus back, when any
};

class Host;

struct DialogSpec {
    std::string resource;  // the dialog's resource name, for tests and the host's layout
    std::string caption;
    std::vector<DialogField> fields;
    // Runs on OK; a refusal keeps the dialog open after its message is shown.
    std::function<std::optional<DialogRefusal>(const DialogSpec&)> validate;
    // The "preview" button (control 140) of effect dialogs, offered when set: plays the effect
    // with the fields' current values. It runs no check and stores nothing.
    std::function<void(const DialogSpec&)> preview;
    // Stops a preview that is playing (the button pressed again, or the dialog closed).
    std::function<void()> stopPreview;

    DialogField* Field(const std::string& id);
    const DialogField* Field(const std::string& id) const;
    std::string Value(const std::string& id) const;
    int IntValue(const std::string& id) const;
    void SetValue(const std::string& id, const std::string& value);

    // What every host does on OK: runs the check, shows a refusal through host.
    // True when the values are accepted.
    bool TryAccept(Host& host) const;
};

}  // namespace sv
