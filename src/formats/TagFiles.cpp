#include "formats/TagFiles.h"

#include "formats/Id3Tags.h"
#include "formats/WavTags.h"

#include <cctype>

namespace sv {

std::string LowerExtension(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

bool ReadTags(LTagSet& tags, const std::string& path) {
    std::string ext = LowerExtension(path);
    if (ext == ".mp3") return ReadId3v1Tags(tags, path, false);
    if (ext == ".wav") return ReadWavTags(tags, path, false);
    return false;
}

bool WriteTags(LTagSet& tags, const std::string& path) {
    std::string ext = LowerExtension(path);
    if (ext == ".mp3") return WriteId3v1Tags(tags, path);
    if (ext == ".wav") return WriteWavTags(tags, path);
    return false;
}

}  // namespace sv
