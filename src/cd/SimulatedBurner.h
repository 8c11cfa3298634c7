#pragma once
// A simulated CD writer: the simulated drive with a recordable medium (blank or used CD-R,
// blank or used CD-RW, or none), a drive that may not write at all or not CD-RWs, and a record
// of what the writer did: the sectors of each track written, the speed set, the erases, the
// tray movements, the closed tracks and session.
#include "cd/SimulatedDrive.h"

#include <cstdint>
#include <vector>

namespace sv {

enum class SimulatedMedium { None, BlankCdR, UsedCdR, BlankCdRw, UsedCdRw };

struct SimulatedWriterSpec {
    bool writesCdR = true;
    bool writesCdRw = true;
    std::uint16_t maxWriteKBps = 7056;  // 40x
    std::int32_t capacitySectors = 359850;  // 79:58:00 of program area
};

struct SimulatedWrittenTrack {
    std::int32_t start = 0;
    std::int32_t sectors = 0;
    std::vector<std::uint8_t> bytes;  // 2352 per sector, in order; empty when discarded
    bool closed = false;
};

class SimulatedBurner : public SimulatedDrive {
public:
    explicit SimulatedBurner(SimulatedMedium medium = SimulatedMedium::BlankCdR, SimulatedWriterSpec spec = {})
        : medium_(medium), spec_(spec) {}

    void SetMedium(SimulatedMedium medium);
    // Trouble: the next n READ DISC INFORMATION fail; BLANK fails; WRITE at this track fails.
    void FailDiscInformation(int n);
    void FailBlank();
    void FailWriteOfTrack(int trackIndex);
    // The next n WRITE commands find the buffer full (LONG WRITE IN PROGRESS).
    void InjectLongWrite(int n);
    // Written sectors are counted, not kept (long burns in benchmarks).
    void DiscardSectors();

    SimulatedMedium Medium() const;
    std::vector<SimulatedWrittenTrack> Tracks() const;
    std::uint16_t WriteSpeedSet() const;  // kB/s of the last SET CD SPEED, 0 before
    int Erases() const;
    int TrayLoads() const;
    int TrayEjects() const;
    bool SessionClosed() const;
    bool WriteParametersSet() const;

protected:
    void HandleCommand(ScsiCommand& cmd) override;

private:
    void ModeSense(ScsiCommand& cmd);
    void DiscInfo(ScsiCommand& cmd);
    void TrackInfo(ScsiCommand& cmd);
    void Write(ScsiCommand& cmd);
    void Close(ScsiCommand& cmd);
    bool Blank() const;
    bool Erasable() const;
    std::int32_t NextWritable() const;

    SimulatedMedium medium_;
    SimulatedWriterSpec spec_;
    bool trayOpen_ = false;
    int failDiscInfo_ = 0;
    bool failBlank_ = false;
    int failWriteTrack_ = -1;
    bool discard_ = false;
    int longWrites_ = 0;
    std::vector<SimulatedWrittenTrack> tracks_;
    std::uint16_t writeSpeed_ = 0;
    int erases_ = 0;
    int loads_ = 0;
    int ejects_ = 0;
    bool sessionClosed_ = false;
    bool writeParameters_ = false;
};

}  // namespace sv
