// Time texts typed into dialogs: any bytes must read without overflow or crash, and what the
// formatter writes must read back.
#include "core/TimeText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::int32_t ms = sv::ParseTimeText(text);
    std::string again = sv::FormatTimeText(ms);
    if (ms >= 0 && ms < 2000000000 && ms % 10 == 0 && sv::ParseTimeText(again) != ms) std::abort();
    return 0;
}
