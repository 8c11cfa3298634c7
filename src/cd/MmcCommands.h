#pragma once
// The MMC command blocks of audio CD writing, and the parts of the drive's answers the writer
// reads: the capabilities page (2A), the disc information and the next writable address.
#include "cd/ScsiCommand.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sv {

constexpr int kCdSpeedUnitKBps = 177;           // one times CD speed, as drives count it
constexpr std::int32_t kCdPregapSectors = 150;  // the 2 s before each track written at once
constexpr std::int32_t kCdMinTrackSectors = 300;  // 4 s, the shortest track the standard allows
constexpr int kWriteSectorsPerCommand = 26;     // 61,152 bytes, under the 64 KiB of any transport

enum class MmcOpcode : std::uint8_t {
    TestUnitReady = 0x00,
    StartStopUnit = 0x1B,
    Write10 = 0x2A,
    SynchronizeCache = 0x35,
    ReadDiscInformation = 0x51,
    ReadTrackInformation = 0x52,
    ModeSelect10 = 0x55,
    CloseTrackSession = 0x5B,
    ModeSense10 = 0x5A,
    Blank = 0xA1,
    SetCdSpeed = 0xBB,
};

using CommandPtr = std::shared_ptr<ScsiCommand>;

CommandPtr MakeTestUnitReady();
// loadEject with start closes the tray; without start opens it.
CommandPtr MakeStartStopUnit(bool start, bool loadEject);
CommandPtr MakeModeSenseCapabilities();
// Speeds in kB/s; 0xFFFF asks for the drive's fastest.
CommandPtr MakeSetCdSpeed(std::uint16_t readKBps, std::uint16_t writeKBps);
CommandPtr MakeReadDiscInformation();
CommandPtr MakeReadTrackInformationOfNextTrack();
// Minimal blank: the disc's table of contents and program memory area.
CommandPtr MakeBlankMinimal();
// Write parameters page 05: track at once, audio with 2 channels, raw 2352-byte blocks, the
// 2 s pause, buffer-underrun protection when the drive has it (a drive without refuses it).
CommandPtr MakeModeSelectWriteParameters(bool underrunProtection);
CommandPtr MakeWrite10(std::int32_t lba, const std::uint8_t* sectors, int count);
CommandPtr MakeSynchronizeCache();
// closeFunction 1 closes the track of trackNumber (0xFF: the one being written), 2 the session.
CommandPtr MakeCloseTrackSession(int closeFunction, std::uint16_t trackNumber);

struct DriveCapabilities {
    bool writesCdR = false;
    bool writesCdRw = false;
    bool underrunProtection = false;
    std::uint32_t maxWriteKBps = 0;  // 0 when the drive does not say
};
// False when the reply holds no page 2A.
bool ParseCapabilities(const ScsiCommand& cmd, DriveCapabilities& out);

enum class DiscStatus : std::uint8_t { Blank = 0, Appendable = 1, Complete = 2, Other = 3 };

struct DiscInformation {
    bool erasable = false;
    DiscStatus status = DiscStatus::Other;
    // Sectors before the last possible lead-out; 0 when the disc does not say.
    std::int32_t capacitySectors = 0;
};
bool ParseDiscInformation(const ScsiCommand& cmd, DiscInformation& out);
// The next writable address of READ TRACK INFORMATION; false when the reply has none.
bool ParseNextWritableAddress(const ScsiCommand& cmd, std::int32_t& lba);

}  // namespace sv
