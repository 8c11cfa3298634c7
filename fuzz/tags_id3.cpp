// ID3v1 blocks from any bytes: reading, then updating the block, must not fault.
#include "FuzzFile.h"
#include "formats/TagFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".mp3");
    sv::LTagSet tags;
    sv::ReadTags(tags, path);
    tags.Set("GENRE", tags.Get("GENRE").empty() ? "12" : tags.Get("GENRE"));
    tags.Set("COMMENT", tags.Get("TITLE") + tags.Get("ALBUM"));
    sv::WriteTags(tags, path);
    return 0;
}
