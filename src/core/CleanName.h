#pragma once
// The clean form of a text used as a name and as a file name.
#include <string>

namespace sv {

// Drops every character below space or above code 127 and each of " * . / : < > ? \ |, and
// keeps at most 259 characters. A name is usable when its clean form is not empty.
std::string CleanName(const std::string& text);

}  // namespace sv
