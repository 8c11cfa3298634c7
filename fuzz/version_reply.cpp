// Replies of the version server: whatever the bytes, a version comes only from a status 200
// body, and an address is accepted only when it is https, without blanks or control bytes.
#include "net/UpdateCheck.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string reply(reinterpret_cast<const char*>(data), size);
    if (auto file = sv::ParseVersionReply(reply)) {
        if (reply.compare(0, 7, "HTTP/1.") != 0 || file->version < 0) std::abort();
        if (sv::IsMakerAddress(file->info)) {
            std::string scheme = file->info.substr(0, 8);
            for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (scheme != "https://") std::abort();
            for (unsigned char c : file->info)
                if (c <= 0x20 || c >= 0x7F) std::abort();
        }
    }
    sv::ParseVersionHundredths(reply);
    return 0;
}
