#include "core/DialogSpec.h"

#include "core/Host.h"
#include "platform/Settings.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace sv {

DialogField* DialogSpec::Field(const std::string& id) {
    for (DialogField& f : fields)
        if (f.id == id) return &f;
    return nullptr;
}

const DialogField* DialogSpec::Field(const std::string& id) const {
    for (const DialogField& f : fields)
        if (f.id == id) return &f;
    return nullptr;
}

std::string DialogSpec::Value(const std::string& id) const {
    const DialogField* f = Field(id);
    return f ? f->value : std::string();
}

int DialogSpec::IntValue(const std::string& id) const { return ParseIntLenient(Value(id)); }

double DialogSpec::DecimalValue(const std::string& id) const {
    std::string text = Value(id);
    for (char& c : text)
        if (c == ',') c = '.';
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double v = 0;
    if (!(in >> v) || !std::isfinite(v)) return 0;
    return v;
}

void DialogSpec::ApplyPreset(std::size_t index) {
    if (index >= presets.size()) return;
    for (const auto& [id, value] : presets[index].values) SetValue(id, value);
}

void DialogSpec::Change(const std::string& id, const std::string& value) {
    SetValue(id, value);
    if (changed) changed(*this, id);
}

void DialogSpec::Press(const std::string& buttonId) {
    for (const DialogButton& b : buttons)
        if (b.id == buttonId && b.press) {
            // The action may replace the button list; keep it alive while it runs.
            const auto press = b.press;
            press(*this);
            return;
        }
}

void DialogSpec::SetValue(const std::string& id, const std::string& value) {
    if (DialogField* f = Field(id)) f->value = value;
}

bool DialogSpec::TryAccept(Host& host) const {
    if (!validate) return true;
    std::optional<DialogRefusal> refusal = validate(*this);
    if (!refusal) return true;
    host.MessageBox(refusal->text, refusal->caption, refusal->icon, MsgButtons::Ok);
    return false;
}

}  // namespace sv
