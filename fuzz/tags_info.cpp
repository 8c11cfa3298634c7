// WAV tag chunks from any bytes: reading, then writing into the same file, must not fault.
#include "FuzzFile.h"
#include "formats/TagFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".wav");
    sv::LTagSet tags;
    sv::ReadTags(tags, path);
    tags.Set("TITLE", "t");
    tags.Set("ARTIST", "artist");
    sv::WriteTags(tags, path);
    sv::LTagSet again;
    sv::ReadTags(again, path);
    return 0;
}
