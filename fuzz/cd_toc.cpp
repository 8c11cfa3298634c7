// READ TOC replies from a drive: any bytes, any received count, must parse without reading
// past what arrived, and the tracks must stay within 99 and keep their order of addresses.
#include "cd/TableOfContents.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The first two bytes say how much of the rest arrived.
    std::uint32_t received = static_cast<std::uint32_t>(data[0] | (data[1] << 8)) % 2100;
    std::vector<std::uint8_t> reply(data + 2, data + size);
    if (received > reply.size()) received = static_cast<std::uint32_t>(reply.size());
    reply.resize(received);  // nothing beyond what arrived is readable
    sv::CdDiscRecord disc;
    if (sv::ParseTocReply(reply.data(), received, disc) == 0) {
        if (disc.TrackCount() > sv::kMaxCdTracks) std::abort();
        for (int i = 0; i + 1 < disc.TrackCount(); ++i)
            if (disc.tracks[i].end != disc.tracks[i + 1].start) std::abort();
        for (const sv::CdTrackRecord& t : disc.tracks)
            if (t.duration < 0) std::abort();
    }
    return 0;
}
