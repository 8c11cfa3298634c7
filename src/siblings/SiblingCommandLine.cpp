#include "siblings/SiblingCommandLine.h"

namespace sv {

std::vector<std::string> SplitCommandLine(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

std::vector<std::string> FormatSiblingCommand(const std::string& format, const std::vector<std::string>& arguments) {
    const std::size_t at = format.find("%s");
    std::vector<std::string> argv = SplitCommandLine(at == std::string::npos ? format : format.substr(0, at));
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (at != std::string::npos) {
        std::vector<std::string> after = SplitCommandLine(format.substr(at + 2));
        argv.insert(argv.end(), after.begin(), after.end());
    }
    return argv;
}

}  // namespace sv
