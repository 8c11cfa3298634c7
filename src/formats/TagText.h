#pragma once
// Text helpers shared by the tag readers and writers: the 259-character limit, cutting UTF-8
// at a character boundary, and taking 8-bit text that is not UTF-8 as Latin-1.
#include "platform/Utf8Text.h"

#include <cstddef>
#include <string>

namespace sv {

constexpr std::size_t kMaxTagChars = 259;

// The bytes up to the first zero, at most max of them.
std::string TextUpToZero(const char* bytes, std::size_t max);
// Valid UTF-8 stays as it is; anything else is read as Latin-1.
std::string ToUtf8(const std::string& bytes);
// The text of a tag field of size bytes, up to its first zero, at most max bytes of UTF-8. A
// last character that the field (or its writer) cut short is dropped, so that UTF-8 text stays
// UTF-8 instead of being taken for Latin-1.
std::string TagFieldText(const char* bytes, std::size_t size, std::size_t max = kMaxTagChars);

}  // namespace sv
