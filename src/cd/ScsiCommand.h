#pragma once
// One SCSI command block with its data buffer (in, or out for writing) and what came back: the status byte, the
// 14-byte sense data, the residual count, or a transport failure (the command never reached
// the drive, the transport timed out). The command owns its data buffer, so a command given up
// on lives on, through its shared owner, until the drive is done with it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

constexpr std::uint8_t kScsiStatusGood = 0x00;
constexpr std::uint8_t kScsiStatusCheckCondition = 0x02;
constexpr std::uint8_t kScsiStatusBusy = 0x08;
constexpr std::size_t kSenseBytes = 14;

struct ScsiSense {
    std::uint8_t key = 0;
    std::uint8_t asc = 0;
    std::uint8_t ascq = 0;
};

struct ScsiCommand {
    std::array<std::uint8_t, 16> cdb{};
    std::uint8_t cdbLength = 0;
    std::vector<std::uint8_t> data;  // its size is the transfer length
    bool dataOut = false;            // data goes to the drive (writing), not from it
    // The transport gives up after this long.
    int timeoutMs = 20000;

    std::uint8_t status = kScsiStatusGood;
    std::array<std::uint8_t, kSenseBytes> sense{};
    std::uint32_t residual = 0;
    std::string transportError;

    // Clears what a previous run left, keeping the command and its buffer.
    void ResetResult();
    std::uint32_t DataLength() const { return static_cast<std::uint32_t>(data.size()); }
    std::uint32_t BytesReceived() const { return residual >= DataLength() ? 0 : DataLength() - residual; }
    std::uint8_t Opcode() const { return cdb[0]; }
};

// Key, ASC and ASCQ of fixed (0x70/0x71) or descriptor (0x72/0x73) sense data.
ScsiSense DecodeSense(const std::array<std::uint8_t, kSenseBytes>& sense);
// Fixed-format sense data a device hands back with CHECK CONDITION.
void EncodeSense(std::array<std::uint8_t, kSenseBytes>& sense, ScsiSense value);
// No transport failure, and a good status or a check condition whose key, ASC and ASCQ are
// all zero.
bool CommandSucceeded(const ScsiCommand& cmd);
// What went wrong, for a message: "clé 3, ASC 11h, ASCQ 05h" or the transport's own words.
std::string DescribeFailure(const ScsiCommand& cmd);

}  // namespace sv
