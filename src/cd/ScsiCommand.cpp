#include "cd/ScsiCommand.h"

#include <cstdio>

namespace sv {

void ScsiCommand::ResetResult() {
    status = kScsiStatusGood;
    sense.fill(0);
    residual = 0;
    transportError.clear();
}

ScsiSense DecodeSense(const std::array<std::uint8_t, kSenseBytes>& sense) {
    const std::uint8_t code = sense[0] & 0x7F;
    if (code == 0x72 || code == 0x73) return {static_cast<std::uint8_t>(sense[1] & 0x0F), sense[2], sense[3]};
    if (code == 0x70 || code == 0x71) return {static_cast<std::uint8_t>(sense[2] & 0x0F), sense[12], sense[13]};
    return {};
}

void EncodeSense(std::array<std::uint8_t, kSenseBytes>& sense, ScsiSense value) {
    sense.fill(0);
    sense[0] = 0x70;
    sense[2] = value.key & 0x0F;
    sense[7] = kSenseBytes - 8;
    sense[12] = value.asc;
    sense[13] = value.ascq;
}

bool CommandSucceeded(const ScsiCommand& cmd) {
    if (!cmd.transportError.empty()) return false;
    if (cmd.status == kScsiStatusGood) return true;
    if (cmd.status != kScsiStatusCheckCondition) return false;
    ScsiSense s = DecodeSense(cmd.sense);
    return s.key == 0 && s.asc == 0 && s.ascq == 0;
}

std::string DescribeFailure(const ScsiCommand& cmd) {
    if (!cmd.transportError.empty()) return cmd.transportError;
    char text[96];
    if (cmd.status == kScsiStatusCheckCondition) {
        ScsiSense s = DecodeSense(cmd.sense);
        std::snprintf(text, sizeof text, "clé %X, ASC %02Xh, ASCQ %02Xh", s.key, s.asc, s.ascq);
    } else {
        std::snprintf(text, sizeof text, "état %02Xh", cmd.status);
    }
    return text;
}

}  // namespace sv
