#include "cd/MmcCommands.h"

#include "formats/BigEndian.h"

#include <algorithm>
#include <cstring>

namespace sv {

namespace {

constexpr std::uint8_t kPageWriteParameters = 0x05;
constexpr std::uint8_t kPageCapabilities = 0x2A;

CommandPtr Make(MmcOpcode op, std::uint8_t length, std::size_t dataBytes, int timeoutMs) {
    auto cmd = std::make_shared<ScsiCommand>();
    cmd->cdb[0] = static_cast<std::uint8_t>(op);
    cmd->cdbLength = length;
    cmd->data.assign(dataBytes, 0);
    cmd->timeoutMs = timeoutMs;
    return cmd;
}

}  // namespace

CommandPtr MakeTestUnitReady() { return Make(MmcOpcode::TestUnitReady, 6, 0, 500); }

CommandPtr MakeStartStopUnit(bool start, bool loadEject) {
    CommandPtr cmd = Make(MmcOpcode::StartStopUnit, 6, 0, 30000);
    cmd->cdb[4] = static_cast<std::uint8_t>((loadEject ? 0x02 : 0x00) | (start ? 0x01 : 0x00));
    return cmd;
}

CommandPtr MakeModeSenseCapabilities() {
    constexpr std::uint16_t kBytes = 8 + 2 + 254;
    CommandPtr cmd = Make(MmcOpcode::ModeSense10, 10, kBytes, 5000);
    cmd->cdb[1] = 0x08;  // no block descriptors
    cmd->cdb[2] = kPageCapabilities;
    PutBe16(&cmd->cdb[7], kBytes);
    return cmd;
}

CommandPtr MakeSetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps) {
    CommandPtr cmd = Make(MmcOpcode::SetCdSpeed, 12, 0, 5000);
    PutBe16(&cmd->cdb[2], readKBps);
    PutBe16(&cmd->cdb[4], writeKBps);
    return cmd;
}

CommandPtr MakeReadDiscInformation() {
    CommandPtr cmd = Make(MmcOpcode::ReadDiscInformation, 10, 34, 5000);
    PutBe16(&cmd->cdb[7], 34);
    return cmd;
}

CommandPtr MakeReadTrackInformationOfNextTrack() {
    CommandPtr cmd = Make(MmcOpcode::ReadTrackInformation, 10, 28, 5000);
    cmd->cdb[1] = 0x01;  // the address is a track number
    PutBe32(&cmd->cdb[2], 0xFF);  // the invisible track, the next to be written
    PutBe16(&cmd->cdb[7], 28);
    return cmd;
}

CommandPtr MakeBlankMinimal() {
    // Without the immediate bit the command ends with the erase; a minimal blank takes a minute
    // or two even at low speed.
    CommandPtr cmd = Make(MmcOpcode::Blank, 12, 0, 10 * 60 * 1000);
    cmd->cdb[1] = 0x01;
    return cmd;
}

CommandPtr MakeModeSelectWriteParameters(bool underrunProtection) {
    constexpr std::uint16_t kPageBytes = 2 + 0x32;
    CommandPtr cmd = Make(MmcOpcode::ModeSelect10, 10, 8 + kPageBytes, 5000);
    cmd->dataOut = true;
    cmd->cdb[1] = 0x10;  // page format
    PutBe16(&cmd->cdb[7], static_cast<std::uint16_t>(cmd->data.size()));
    std::uint8_t* page = cmd->data.data() + 8;
    page[0] = kPageWriteParameters;
    page[1] = 0x32;
    page[2] = static_cast<std::uint8_t>((underrunProtection ? 0x40 : 0x00) | 0x01);  // track at once
    page[3] = 0x00;         // audio, 2 channels, no pre-emphasis, no copy
    page[4] = 0x00;         // raw 2352-byte blocks
    page[8] = 0x00;         // CD-DA session
    PutBe16(&page[14], static_cast<std::uint16_t>(kCdPregapSectors));
    return cmd;
}

CommandPtr MakeWrite10(std::int32_t lba, const std::uint8_t* sectors, int count) {
    CommandPtr cmd = Make(MmcOpcode::Write10, 10, static_cast<std::size_t>(count) * 2352, 60000);
    cmd->dataOut = true;
    PutBe32(&cmd->cdb[2], static_cast<std::uint32_t>(lba));
    PutBe16(&cmd->cdb[7], static_cast<std::uint16_t>(count));
    std::memcpy(cmd->data.data(), sectors, cmd->data.size());
    return cmd;
}

CommandPtr MakeSynchronizeCache() { return Make(MmcOpcode::SynchronizeCache, 10, 0, 5 * 60 * 1000); }

CommandPtr MakeCloseTrackSession(int closeFunction, std::uint16_t trackNumber) {
    // Closing the session writes the lead-in and lead-out: minutes on a slow drive.
    CommandPtr cmd = Make(MmcOpcode::CloseTrackSession, 10, 0, 10 * 60 * 1000);
    cmd->cdb[2] = static_cast<std::uint8_t>(closeFunction & 0x07);
    PutBe16(&cmd->cdb[4], trackNumber);
    return cmd;
}

bool ParseCapabilities(const ScsiCommand& cmd, DriveCapabilities& out) {
    const std::uint32_t got = cmd.BytesReceived();
    if (got < 8 + 8) return false;
    const std::uint8_t* d = cmd.data.data();
    const std::uint32_t descriptors = GetBe16(d + 6);
    const std::uint32_t at = 8 + descriptors;
    if (at + 8 > got || (d[at] & 0x3F) != kPageCapabilities) return false;
    const std::uint8_t* page = d + at;
    const std::uint32_t pageBytes = std::min<std::uint32_t>(2u + page[1], got - at);
    out.writesCdR = (page[3] & 0x01) != 0;
    out.writesCdRw = (page[3] & 0x02) != 0;
    out.underrunProtection = (page[4] & 0x80) != 0;
    out.maxWriteKBps = pageBytes >= 20 ? GetBe16(page + 18) : 0;
    // Newer drives leave the old field at 0 and list their write speeds instead.
    if (pageBytes >= 32) {
        const std::uint32_t count = GetBe16(page + 30);
        for (std::uint32_t i = 0; i < count && 32 + 4 * i + 4 <= pageBytes; ++i)
            out.maxWriteKBps = std::max<std::uint32_t>(out.maxWriteKBps, GetBe16(page + 32 + 4 * i + 2));
    }
    return true;
}

bool ParseDiscInformation(const ScsiCommand& cmd, DiscInformation& out) {
    if (cmd.BytesReceived() < 24) return false;
    const std::uint8_t* d = cmd.data.data();
    out.erasable = (d[2] & 0x10) != 0;
    out.status = static_cast<DiscStatus>(d[2] & 0x03);
    const int m = d[21], s = d[22], f = d[23];
    // 0xFF everywhere, or any time no CD has: the disc does not say (a used disc has no lead-out
    // left to give).
    const bool known = m < 100 && s < 60 && f < 75;
    out.capacitySectors = known ? std::max((m * 60 + s) * 75 + f - kCdPregapSectors, 0) : 0;
    return true;
}

bool ParseNextWritableAddress(const ScsiCommand& cmd, std::int32_t& lba) {
    if (cmd.BytesReceived() < 16) return false;
    const std::uint8_t* d = cmd.data.data();
    if ((d[7] & 0x01) == 0) return false;
    const std::uint32_t address = GetBe32(d + 12);
    if (address > 100u * 60 * 75) return false;  // no CD has an address that far
    lba = static_cast<std::int32_t>(address);
    return true;
}

}  // namespace sv
