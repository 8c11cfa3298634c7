#pragma once
// A named position in a document, kept in time order.
#include <cstdint>
#include <string>

namespace sv {

struct LBookmark {
    std::string name;
    std::string title;      // title of the document it was set in
    std::int32_t timeMs = 0;
    std::uint8_t flag = 1;
    std::int32_t lastUsed = 0;  // seconds since 1970
};

}  // namespace sv
