#include "cd/SimulatedDrive.h"

#include "formats/BigEndian.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace sv {

namespace {

constexpr ScsiSense kNoMedium{0x02, 0x3A, 0x00};
constexpr ScsiSense kInvalidOpcode{0x05, 0x20, 0x00};
constexpr ScsiSense kInvalidField{0x05, 0x24, 0x00};
constexpr ScsiSense kOutOfRange{0x05, 0x21, 0x00};
constexpr ScsiSense kIllegalMode{0x05, 0x64, 0x00};  // READ CD of a data track as audio

// A proxy that keeps the shared drive alive while a channel uses it.
class SharedDevice : public CdDevice {
public:
    explicit SharedDevice(std::shared_ptr<SimulatedDrive> drive) : drive_(std::move(drive)) {}
    void Execute(ScsiCommand& cmd) override { drive_->Execute(cmd); }

private:
    std::shared_ptr<SimulatedDrive> drive_;
};

}  // namespace

std::uint8_t SimulatedSectorByte(std::int32_t lba, int i) {
    auto x = static_cast<std::uint32_t>(lba) * 2654435761u + static_cast<std::uint32_t>(i) * 40503u;
    return static_cast<std::uint8_t>((x >> 13) ^ (x >> 5));
}

SimulatedDisc AudioDisc(const std::vector<std::int32_t>& lengths, std::int32_t first) {
    SimulatedDisc disc;
    std::int32_t at = first;
    for (std::int32_t length : lengths) {
        disc.tracks.push_back({at, false});
        at += length;
    }
    disc.leadOut = at;
    return disc;
}

void SimulatedDrive::InsertDisc(SimulatedDisc disc) {
    std::lock_guard<std::mutex> lock(mutex_);
    disc_ = std::move(disc);
}

void SimulatedDrive::EjectDisc() {
    std::lock_guard<std::mutex> lock(mutex_);
    disc_.reset();
}

void SimulatedDrive::InjectSense(std::int32_t lba, ScsiSense sense) {
    std::lock_guard<std::mutex> lock(mutex_);
    sense_[lba] = sense;
}

void SimulatedDrive::InjectBusy(int n) {
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = n;
}

void SimulatedDrive::SetDelayMs(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    delayMs_ = ms;
}

void SimulatedDrive::SetRawToc(std::vector<std::uint8_t> reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    rawToc_ = std::move(reply);
}

std::vector<std::vector<std::uint8_t>> SimulatedDrive::Log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void SimulatedDrive::Execute(ScsiCommand& cmd) {
    int delay;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.emplace_back(cmd.cdb.begin(), cmd.cdb.begin() + cmd.cdbLength);
        delay = delayMs_;
    }
    if (delay > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    std::lock_guard<std::mutex> lock(mutex_);
    cmd.ResetResult();
    if (busy_ > 0) {
        --busy_;
        cmd.status = kScsiStatusBusy;
        cmd.residual = cmd.DataLength();
        return;
    }
    HandleCommand(cmd);
}

void SimulatedDrive::Fail(ScsiCommand& cmd, ScsiSense sense) {
    cmd.status = kScsiStatusCheckCondition;
    EncodeSense(cmd.sense, sense);
    cmd.residual = cmd.DataLength();
}

void SimulatedDrive::HandleCommand(ScsiCommand& cmd) {
    switch (cmd.Opcode()) {
        case 0x00:  // TEST UNIT READY
            if (!disc_) Fail(cmd, kNoMedium);
            return;
        case 0x43: ReadToc(cmd); return;
        case 0xBE: ReadCd(cmd); return;
        default: Fail(cmd, kInvalidOpcode); return;
    }
}

void SimulatedDrive::ReadToc(ScsiCommand& cmd) {
    const std::uint32_t allocation = (std::uint32_t{cmd.cdb[7]} << 8) | cmd.cdb[8];
    const std::uint32_t room = std::min(allocation, cmd.DataLength());
    std::vector<std::uint8_t> reply;
    if (rawToc_) {
        reply = *rawToc_;
    } else {
        if (!disc_) return Fail(cmd, kNoMedium);
        if ((cmd.cdb[1] & 0x02) != 0 || (cmd.cdb[2] & 0x0F) != 0) return Fail(cmd, kInvalidField);
        const auto count = static_cast<std::uint32_t>(disc_->tracks.size());
        reply.assign(4 + 8 * (count + 1), 0);
        const std::uint32_t length = static_cast<std::uint32_t>(reply.size()) - 2;
        reply[0] = static_cast<std::uint8_t>(length >> 8);
        reply[1] = static_cast<std::uint8_t>(length);
        reply[2] = 1;
        reply[3] = static_cast<std::uint8_t>(count);
        for (std::uint32_t i = 0; i <= count; ++i) {
            std::uint8_t* d = &reply[4 + 8 * i];
            const bool leadOut = i == count;
            const bool data = !leadOut && disc_->tracks[i].data;
            d[1] = static_cast<std::uint8_t>(0x10 | (data ? 0x04 : 0x00));
            d[2] = leadOut ? 0xAA : static_cast<std::uint8_t>(i + 1);
            PutBe32(d + 4, static_cast<std::uint32_t>(leadOut ? disc_->leadOut : disc_->tracks[i].start));
        }
    }
    const std::uint32_t n = std::min(room, static_cast<std::uint32_t>(reply.size()));
    std::memcpy(cmd.data.data(), reply.data(), n);
    cmd.residual = cmd.DataLength() - n;
}

void SimulatedDrive::ReadCd(ScsiCommand& cmd) {
    if (!disc_) return Fail(cmd, kNoMedium);
    const auto lba = static_cast<std::int32_t>(GetBe32(&cmd.cdb[2]));
    const std::int32_t count =
        static_cast<std::int32_t>((std::uint32_t{cmd.cdb[6]} << 16) | (std::uint32_t{cmd.cdb[7]} << 8) | cmd.cdb[8]);
    if (cmd.cdb[9] != 0xF0) return Fail(cmd, kInvalidField);
    if (static_cast<std::uint64_t>(count) * kCdSectorBytes > cmd.DataLength()) return Fail(cmd, kInvalidField);
    if (lba < 0 || static_cast<std::int64_t>(lba) + count > disc_->leadOut) return Fail(cmd, kOutOfRange);
    auto fault = sense_.lower_bound(lba);
    if (fault != sense_.end() && fault->first < lba + count) return Fail(cmd, fault->second);
    for (std::int32_t s = 0; s < count; ++s) {
        const std::int32_t at = lba + s;
        // The track holding this sector: its kind decides whether audio can be read.
        const SimulatedTrack* track = nullptr;
        for (const SimulatedTrack& t : disc_->tracks)
            if (t.start <= at) track = &t;
        if (track && track->data && (cmd.cdb[1] & 0x1C) == 0x04) return Fail(cmd, kIllegalMode);
        std::uint8_t* sector = cmd.data.data() + static_cast<std::size_t>(s) * kCdSectorBytes;
        if (disc_->content) {
            disc_->content(at, sector);
        } else {
            for (int i = 0; i < kCdSectorBytes; ++i) sector[i] = SimulatedSectorByte(at, i);
        }
    }
    cmd.residual = cmd.DataLength() - static_cast<std::uint32_t>(count) * kCdSectorBytes;
}

std::vector<CdDriveInfo> SimulatedDriveSource::Enumerate() {
    std::vector<CdDriveInfo> list;
    for (std::size_t i = 0; i < drives.size(); ++i) list.push_back({"/dev/sim" + std::to_string(i)});
    return list;
}

std::unique_ptr<CdDevice> SimulatedDriveSource::Open(const CdDriveInfo& drive, std::string* error) {
    for (std::size_t i = 0; i < drives.size(); ++i) {
        if (drive.devicePath == "/dev/sim" + std::to_string(i) && !failOpen)
            return std::make_unique<SharedDevice>(drives[i]);
    }
    if (error) *error = drive.devicePath + " : impossible d'ouvrir le lecteur";
    return nullptr;
}

}  // namespace sv
