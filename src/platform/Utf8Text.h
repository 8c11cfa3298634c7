#pragma once
// UTF-8 text cut to a byte limit without splitting a character: settings values and tag texts
// are kept to 259 bytes, and a cut through a character would leave text that is no UTF-8.
#include <cstddef>
#include <string>

namespace sv {

// At most max bytes, shortened further so that no UTF-8 sequence is cut.
std::string CutUtf8(const std::string& text, std::size_t max);

}  // namespace sv
