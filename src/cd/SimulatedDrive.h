#pragma once
// A CD drive that answers the same command blocks as a real one from a synthetic disc: audio
// and data tracks, generated sector contents, and injected trouble (sense codes at chosen
// sectors, BUSY answers, slow commands, a raw table of contents). Tests and a drive-less
// build use it; the CD writing work extends it through HandleCommand.
#include "cd/CdDevice.h"
#include "cd/DiscRecord.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace sv {

struct SimulatedTrack {
    std::int32_t start = 0;
    bool data = false;
};

struct SimulatedDisc {
    std::vector<SimulatedTrack> tracks;
    std::int32_t leadOut = 0;
    // Fills one 2352-byte sector; by default the pattern of SimulatedSectorByte.
    std::function<void(std::int32_t lba, std::uint8_t* sector)> content;
};

// The default content: byte i of sector lba.
std::uint8_t SimulatedSectorByte(std::int32_t lba, int i);
// Audio tracks of the given lengths (in sectors) one after another from sector first.
SimulatedDisc AudioDisc(const std::vector<std::int32_t>& lengths, std::int32_t first = 0);

class SimulatedDrive : public CdDevice {
public:
    SimulatedDrive() = default;
    explicit SimulatedDrive(SimulatedDisc disc) : disc_(std::move(disc)) {}

    void Execute(ScsiCommand& cmd) override;

    // Trouble to inject; each may be set while a channel runs commands.
    void InsertDisc(SimulatedDisc disc);
    void EjectDisc();
    // READ CD of a range holding lba ends with CHECK CONDITION and this sense.
    void InjectSense(std::int32_t lba, ScsiSense sense);
    // The next n commands answer BUSY.
    void InjectBusy(int n);
    // Each command takes this long before it answers.
    void SetDelayMs(int ms);
    // READ TOC answers exactly these bytes.
    void SetRawToc(std::vector<std::uint8_t> reply);

    // Every command block received, in order.
    std::vector<std::vector<std::uint8_t>> Log() const;

protected:
    // Answers one command; the lock is held. Subclasses add opcodes and fall back to this.
    virtual void HandleCommand(ScsiCommand& cmd);
    static void Fail(ScsiCommand& cmd, ScsiSense sense);
    void ReadToc(ScsiCommand& cmd);
    void ReadCd(ScsiCommand& cmd);

    mutable std::mutex mutex_;
    std::optional<SimulatedDisc> disc_;
    std::map<std::int32_t, ScsiSense> sense_;
    int busy_ = 0;
    int delayMs_ = 0;
    std::optional<std::vector<std::uint8_t>> rawToc_;
    std::vector<std::vector<std::uint8_t>> log_;
};

// Drives for tests: each entry a shared simulated drive, named "/dev/sim<N>"; with failOpen
// every open fails.
class SimulatedDriveSource : public CdDriveSource {
public:
    std::vector<CdDriveInfo> Enumerate() override;
    std::unique_ptr<CdDevice> Open(const CdDriveInfo& drive, std::string* error) override;

    std::vector<std::shared_ptr<SimulatedDrive>> drives;
    bool failOpen = false;
};

}  // namespace sv
