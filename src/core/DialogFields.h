#pragma once
// The fields of a dialog described as data, made in one line each: every dialog of the core,
// the effects, the coders, sending and the batch wizard builds its fields from these.
#include "core/DialogSpec.h"

#include <string>
#include <vector>

namespace sv {

// A choice among options, value the index chosen; list makes it a drop-down whatever its length.
DialogField ChoiceField(const std::string& id, const std::string& label, std::vector<std::string> choices, int value,
                        bool list = false);
// An integer field holding value.
DialogField IntegerField(const std::string& id, const std::string& label, int value);
// A decimal text field ("0.5"), a whole-decibel field and a track bar, each with its limits.
DialogField DecimalField(const std::string& id, const std::string& label, const std::string& value);
DialogField DecibelField(const std::string& id, const std::string& label, int value, int minDb, int maxDb);
DialogField TrackBarField(const std::string& id, const std::string& label, int value, int minimum, int maximum);
// A text shown, not edited: label, then value beside it.
DialogField LabelField(const std::string& id, const std::string& label, const std::string& value = {});
// A line of text; secret hides what is typed (passwords).
DialogField TextField(const std::string& id, const std::string& label, const std::string& value, bool secret = false);
// Several lines of text, kept as typed.
DialogField TextAreaField(const std::string& id, const std::string& label, const std::string& text);
DialogField CheckField(const std::string& id, const std::string& label, bool value);

}  // namespace sv
