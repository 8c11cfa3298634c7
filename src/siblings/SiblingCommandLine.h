#pragma once
// The command lines of the sibling programs as argument vectors. A stored command is text in
// which words are separated by blanks and double quotes keep blanks inside a word; nothing of
// a shell (no variables, globbing or redirection) applies.
#include <string>
#include <vector>

namespace sv {

std::vector<std::string> SplitCommandLine(const std::string& text);

// The stored format with its first "%s" replaced by the arguments: the words before it, the
// arguments (each kept whole, so a path with blanks stays one argument), the words after it.
// A format without "%s" gets the arguments at its end; a further "%s" stays as it is.
std::vector<std::string> FormatSiblingCommand(const std::string& format, const std::vector<std::string>& arguments);

}  // namespace sv
