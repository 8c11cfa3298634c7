#include "core/DialogSpec.h"

#include "core/Host.h"
#include "platform/Settings.h"

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
