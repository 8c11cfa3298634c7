#include "cd/SimulatedBurner.h"

#include "cd/MmcCommands.h"
#include "formats/BigEndian.h"

#include <algorithm>
#include <cstring>

namespace sv {

namespace {

constexpr ScsiSense kNoMedium{0x02, 0x3A, 0x00};
constexpr ScsiSense kInvalidOpcode{0x05, 0x20, 0x00};
constexpr ScsiSense kInvalidAddress{0x05, 0x21, 0x02};
constexpr ScsiSense kIncompatibleMedium{0x05, 0x30, 0x05};
constexpr ScsiSense kWriteError{0x03, 0x0C, 0x00};
constexpr ScsiSense kEraseFailure{0x03, 0x51, 0x00};

void Reply(ScsiCommand& cmd, const std::vector<std::uint8_t>& reply) {
    const std::uint32_t n = std::min(cmd.DataLength(), static_cast<std::uint32_t>(reply.size()));
    if (n > 0) std::memcpy(cmd.data.data(), reply.data(), n);
    cmd.residual = cmd.DataLength() - n;
}

}  // namespace

void SimulatedBurner::SetMedium(SimulatedMedium medium) {
    std::lock_guard<std::mutex> lock(mutex_);
    medium_ = medium;
    tracks_.clear();
    sessionClosed_ = false;
}

void SimulatedBurner::FailDiscInformation(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    failDiscInfo_ = n;
}

void SimulatedBurner::FailBlank() {
    std::lock_guard<std::mutex> lock(mutex_);
    failBlank_ = true;
}

void SimulatedBurner::FailWriteOfTrack(int trackIndex) {
    std::lock_guard<std::mutex> lock(mutex_);
    failWriteTrack_ = trackIndex;
}

void SimulatedBurner::InjectLongWrite(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    longWrites_ = n;
}

void SimulatedBurner::DiscardSectors() {
    std::lock_guard<std::mutex> lock(mutex_);
    discard_ = true;
}

SimulatedMedium SimulatedBurner::Medium() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return medium_;
}

std::vector<SimulatedWrittenTrack> SimulatedBurner::Tracks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return tracks_;
}

std::uint16_t SimulatedBurner::WriteSpeedSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writeSpeed_;
}

int SimulatedBurner::Erases() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return erases_;
}

int SimulatedBurner::TrayLoads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return loads_;
}

int SimulatedBurner::TrayEjects() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ejects_;
}

bool SimulatedBurner::SessionClosed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessionClosed_;
}

bool SimulatedBurner::WriteParametersSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writeParameters_;
}

bool SimulatedBurner::Blank() const {
    return (medium_ == SimulatedMedium::BlankCdR || medium_ == SimulatedMedium::BlankCdRw) && tracks_.empty();
}

bool SimulatedBurner::Erasable() const {
    return medium_ == SimulatedMedium::BlankCdRw || medium_ == SimulatedMedium::UsedCdRw;
}

std::int32_t SimulatedBurner::NextWritable() const {
    if (tracks_.empty()) return 0;
    const SimulatedWrittenTrack& last = tracks_.back();
    const std::int32_t end = last.start + last.sectors;
    return last.closed ? end + kCdPregapSectors : end;
}

void SimulatedBurner::HandleCommand(ScsiCommand& cmd) {
    const auto op = static_cast<MmcOpcode>(cmd.Opcode());
    const bool present = medium_ != SimulatedMedium::None && !trayOpen_;
    switch (op) {
    case MmcOpcode::StartStopUnit:
        if ((cmd.cdb[4] & 0x02) != 0) {
            const bool load = (cmd.cdb[4] & 0x01) != 0;
            trayOpen_ = !load;
            ++(load ? loads_ : ejects_);
        }
        return;
    case MmcOpcode::ModeSense10: return ModeSense(cmd);
    case MmcOpcode::SetCdSpeed:
        writeSpeed_ = std::min<std::uint16_t>(GetBe16(&cmd.cdb[4]), spec_.maxWriteKBps);
        return;
    default: break;
    }
    if (!spec_.writesCdR && !spec_.writesCdRw && op != MmcOpcode::TestUnitReady) return Fail(cmd, kInvalidOpcode);
    if (!present) return Fail(cmd, kNoMedium);
    switch (op) {
    case MmcOpcode::TestUnitReady: return;
    case MmcOpcode::ReadDiscInformation: return DiscInfo(cmd);
    case MmcOpcode::ReadTrackInformation: return TrackInfo(cmd);
    case MmcOpcode::ModeSelect10:
        // Audio (track mode 0), raw blocks (type 0), track at once: what this writer takes.
        if (!cmd.dataOut || cmd.DataLength() < 8 + 16 || cmd.data[8] != 0x05 || (cmd.data[10] & 0x0F) != 0x01 ||
            (cmd.data[11] & 0x0F) != 0 || (cmd.data[12] & 0x0F) != 0)
            return Fail(cmd, {0x05, 0x26, 0x00});
        writeParameters_ = true;
        return;
    case MmcOpcode::Write10: return Write(cmd);
    case MmcOpcode::SynchronizeCache: return;
    case MmcOpcode::CloseTrackSession: return Close(cmd);
    case MmcOpcode::Blank:
        if (!Erasable() || !spec_.writesCdRw) return Fail(cmd, kIncompatibleMedium);
        if (failBlank_) return Fail(cmd, kEraseFailure);
        ++erases_;
        medium_ = SimulatedMedium::BlankCdRw;
        tracks_.clear();
        sessionClosed_ = false;
        return;
    default: SimulatedDrive::HandleCommand(cmd); return;
    }
}

void SimulatedBurner::ModeSense(ScsiCommand& cmd) {
    if (cmd.cdb[2] != 0x2A) return Fail(cmd, {0x05, 0x24, 0x00});
    std::vector<std::uint8_t> reply(8 + 2 + 0x1E, 0);
    PutBe16(reply.data(), static_cast<std::uint16_t>(reply.size() - 2));
    std::uint8_t* page = reply.data() + 8;
    page[0] = 0x2A;
    page[1] = 0x1E;
    page[2] = 0x03;  // reads CD-R and CD-RW
    page[3] = static_cast<std::uint8_t>((spec_.writesCdR ? 0x01 : 0) | (spec_.writesCdRw ? 0x02 : 0));
    page[4] = 0x80;  // buffer-underrun protection
    PutBe16(page + 18, (spec_.writesCdR || spec_.writesCdRw) ? spec_.maxWriteKBps : 0);
    Reply(cmd, reply);
}

void SimulatedBurner::DiscInfo(ScsiCommand& cmd) {
    if (failDiscInfo_ > 0) {
        --failDiscInfo_;
        return Fail(cmd, {0x02, 0x04, 0x01});  // becoming ready
    }
    std::vector<std::uint8_t> reply(34, 0);
    PutBe16(reply.data(), 32);
    const bool used = !Blank();
    const bool complete = sessionClosed_ || medium_ == SimulatedMedium::UsedCdR || medium_ == SimulatedMedium::UsedCdRw;
    reply[2] = static_cast<std::uint8_t>((Erasable() ? 0x10 : 0) | (complete ? 0x02 : used ? 0x01 : 0x00));
    if (!complete) {
        const std::int32_t leadOut = spec_.capacitySectors + kCdPregapSectors;
        reply[21] = static_cast<std::uint8_t>(leadOut / (75 * 60));
        reply[22] = static_cast<std::uint8_t>(leadOut / 75 % 60);
        reply[23] = static_cast<std::uint8_t>(leadOut % 75);
    } else {
        reply[21] = reply[22] = reply[23] = 0xFF;
    }
    Reply(cmd, reply);
}

void SimulatedBurner::TrackInfo(ScsiCommand& cmd) {
    if (sessionClosed_ || !(Blank() || !tracks_.empty())) return Fail(cmd, kIncompatibleMedium);
    std::vector<std::uint8_t> reply(28, 0);
    PutBe16(reply.data(), 26);
    reply[7] = 0x01;  // next writable address valid
    PutBe32(reply.data() + 12, static_cast<std::uint32_t>(NextWritable()));
    Reply(cmd, reply);
}

void SimulatedBurner::Write(ScsiCommand& cmd) {
    if (!writeParameters_ || sessionClosed_ || !(Blank() || !tracks_.empty())) return Fail(cmd, kIncompatibleMedium);
    const auto lba = static_cast<std::int32_t>(GetBe32(&cmd.cdb[2]));
    const std::uint32_t count = GetBe16(&cmd.cdb[7]);
    if (!cmd.dataOut || cmd.DataLength() != count * 2352) return Fail(cmd, {0x05, 0x24, 0x00});
    if (longWrites_ > 0) {
        --longWrites_;
        return Fail(cmd, {0x02, 0x04, 0x08});
    }
    if (lba != NextWritable()) return Fail(cmd, kInvalidAddress);
    if (tracks_.empty() || tracks_.back().closed) tracks_.push_back({lba, 0, {}, false});
    if (failWriteTrack_ == static_cast<int>(tracks_.size()) - 1) return Fail(cmd, kWriteError);
    if (lba + static_cast<std::int32_t>(count) > spec_.capacitySectors + 2 * 75 * 60)  // past any overburn margin
        return Fail(cmd, kInvalidAddress);
    tracks_.back().sectors += static_cast<std::int32_t>(count);
    if (!discard_) tracks_.back().bytes.insert(tracks_.back().bytes.end(), cmd.data.begin(), cmd.data.end());
}

void SimulatedBurner::Close(ScsiCommand& cmd) {
    const int function = cmd.cdb[2] & 0x07;
    if (function == 1) {
        if (tracks_.empty() || tracks_.back().closed) return Fail(cmd, {0x05, 0x24, 0x00});
        tracks_.back().closed = true;
    } else if (function == 2) {
        if (tracks_.empty()) return Fail(cmd, {0x05, 0x24, 0x00});
        sessionClosed_ = true;
    } else {
        Fail(cmd, {0x05, 0x24, 0x00});
    }
}

}  // namespace sv
