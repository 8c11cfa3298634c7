// Any bytes opened as a bookmark companion file: at most 255 records with texts of at most
// 259 characters.
#include "FuzzFile.h"
#include "core/BookmarkFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".wbm");
    std::vector<sv::LBookmark> marks;
    bool ok = sv::ReadCompanionFile(path, marks);
    if (!ok && !marks.empty()) std::abort();
    if (marks.size() > 255) std::abort();
    for (const sv::LBookmark& m : marks)
        if (m.name.size() > 259 || m.title.size() > 259) std::abort();
    return 0;
}
