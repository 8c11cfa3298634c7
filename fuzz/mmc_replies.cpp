// Replies of a CD writer to MODE SENSE page 2A, READ DISC INFORMATION and READ TRACK
// INFORMATION: any bytes and any received count must parse without reading past what
// arrived, and what the writer then relies on must stay in range.
#include "cd/MmcCommands.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    sv::ScsiCommand cmd;
    // The transfer length a command asked for, and the residual the drive reported.
    const std::size_t length = data[0] % 2 == 0 ? size - 2 : (size - 2) / 2;
    cmd.data.assign(data + 2, data + 2 + length);
    cmd.residual = data[1];
    sv::DriveCapabilities caps;
    if (sv::ParseCapabilities(cmd, caps) && caps.maxWriteKBps > 0xFFFF) std::abort();
    sv::DiscInformation disc;
    if (sv::ParseDiscInformation(cmd, disc) && (disc.capacitySectors < 0 || disc.capacitySectors > 100 * 60 * 75))
        std::abort();
    std::int32_t lba = 0;
    if (sv::ParseNextWritableAddress(cmd, lba) && (lba < 0 || lba > 100 * 60 * 75)) std::abort();
    return 0;
}
