#pragma once
// A modal dialog described as data: its fields with their values and limits, and the check that
// OK runs. The Host draws it; the check and the refusal texts live here, below the GUI.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sv {

enum class MsgIcon;
struct DialogSpec;

struct DialogField {
    // Decimal: a number with a fractional part, kept as its text ("0.5"). Decibel: whole dB
    // from minimum to maximum. TrackBar: a slider from minimum to maximum. Curve: a curve
    // editor whose value is the curve as text ("position:level" pairs, see effects/Curve.h).
    // TextArea: several lines of text, kept as typed.
    enum class Kind { Integer, Text, Choice, Check, Label, Decimal, Decibel, TrackBar, Curve, TextArea };
    std::string id;                    // key the command reads the value back by
    std::string label;                 // text shown beside the field
    Kind kind = Kind::Text;
    std::string value;                 // Integer: decimal text; Choice: index; Check: "0"/"1";
                                       // TextArea: several lines, kept as typed
    std::vector<std::string> choices;  // Choice: the options, shown as radio buttons
    // Choice: a drop-down list whatever the count (lists whose length changes, such as the
    // plug-ins of a folder); more than three options always make one.
    bool list = false;
    int minimum = 0, maximum = 100;    // TrackBar and Decibel limits
    // Curve: how its horizontal axis is drawn. Frequency axes run to 20,000 Hz, linearly or
    // logarithmically; time axes run across the selection.
    enum class Axis { Time, LinearFrequency, LogFrequency };
    Axis axis = Axis::Time;
    bool secret = false;               // Text: typed characters are not shown (passwords)
};

// One entry of a dialog's "Préréglages:" list: choosing it fills the named fields.
struct DialogPreset {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;  // field id, value
};

// A push button of a dialog that changes its fields (flatten a curve, open band settings).
struct DialogButton {
    std::string id;
    std::string label;
    std::function<void(DialogSpec&)> press;
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
    // The "Préréglages:" list, shown when not empty.
    std::vector<DialogPreset> presets;
    std::vector<DialogButton> buttons;
    // Runs after the user changes field id; it may rewrite other fields, which the host shows.
    std::function<void(DialogSpec&, const std::string& id)> changed;

    DialogField* Field(const std::string& id);
    const DialogField* Field(const std::string& id) const;
    std::string Value(const std::string& id) const;
    int IntValue(const std::string& id) const;
    // A Decimal field's number, read as the C library's atof does (a comma counts as the
    // decimal point); 0 when there is no number.
    double DecimalValue(const std::string& id) const;
    void SetValue(const std::string& id, const std::string& value);
    // Fills the fields of preset index (out of range: nothing).
    void ApplyPreset(std::size_t index);
    // What a host does when the user changes a field or presses a button: sets the value,
    // then runs the changed hook / the button's action.
    void Change(const std::string& id, const std::string& value);
    void Press(const std::string& buttonId);

    // What every host does on OK: runs the check, shows a refusal through host.
    // True when the values are accepted.
    bool TryAccept(Host& host) const;
};

}  // namespace sv
