#pragma once
// The ID3v1 genre list as MP3 players extend it: 148 names, index 0 "Blues" to 147 "Synthpop".
#include <string>

namespace sv {

constexpr int kId3GenreCount = 148;

const char* Id3GenreName(int index);
// The last index whose name equals text without regard to case; -1 when none does.
int FindId3Genre(const std::string& text);
bool EqualsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace sv
