#include "core/DialogFields.h"

#include <utility>

namespace sv {

namespace {

DialogField Field(const std::string& id, const std::string& label, DialogField::Kind kind, std::string value) {
    DialogField f;
    f.id = id;
    f.label = label;
    f.kind = kind;
    f.value = std::move(value);
    return f;
}

DialogField RangedField(const std::string& id, const std::string& label, DialogField::Kind kind, int value,
                        int minimum, int maximum) {
    DialogField f = Field(id, label, kind, std::to_string(value));
    f.minimum = minimum;
    f.maximum = maximum;
    return f;
}

}  // namespace

DialogField ChoiceField(const std::string& id, const std::string& label, std::vector<std::string> choices, int value,
                        bool list) {
    DialogField f = Field(id, label, DialogField::Kind::Choice, std::to_string(value));
    f.choices = std::move(choices);
    f.list = list;
    return f;
}

DialogField IntegerField(const std::string& id, const std::string& label, int value) {
    return Field(id, label, DialogField::Kind::Integer, std::to_string(value));
}

DialogField DecimalField(const std::string& id, const std::string& label, const std::string& value) {
    return Field(id, label, DialogField::Kind::Decimal, value);
}

DialogField DecibelField(const std::string& id, const std::string& label, int value, int minDb, int maxDb) {
    return RangedField(id, label, DialogField::Kind::Decibel, value, minDb, maxDb);
}

DialogField TrackBarField(const std::string& id, const std::string& label, int value, int minimum, int maximum) {
    return RangedField(id, label, DialogField::Kind::TrackBar, value, minimum, maximum);
}

DialogField LabelField(const std::string& id, const std::string& label, const std::string& value) {
    return Field(id, label, DialogField::Kind::Label, value);
}

DialogField TextField(const std::string& id, const std::string& label, const std::string& value, bool secret) {
    DialogField f = Field(id, label, DialogField::Kind::Text, value);
    f.secret = secret;
    return f;
}

DialogField TextAreaField(const std::string& id, const std::string& label, const std::string& text) {
    return Field(id, label, DialogField::Kind::TextArea, text);
}

DialogField CheckField(const std::string& id, const std::string& label, bool value) {
    return Field(id, label, DialogField::Kind::Check, value ? "1" : "0");
}

}  // namespace sv
