#pragma once
// Text helpers shared by the tag readers and writers: the 259-character limit, cutting UTF-8
// at a character boundary, and taking 8-bit text that is not UTF-8 as Latin-1.
#include <cstddef>
#include <string>

namespace sv {

constexpr std::size_t kMaxTagChars = 259;

// The bytes up to the first zero, at most max of them.
std::string TextUpToZero(const char* bytes, std::size_t max);
// At most max bytes, shortened further so that no UTF-8 sequence is cut.
std::string CutUtf8(const std::string& text, std::size_t max);
// Valid UTF-8 stays as it is; anything else is read as Latin-1.
std::string ToUtf8(const std::string& bytes);

}  // namespace sv
