#pragma once
// Ripping one track: READ CD over the track's sectors, double-buffered (the drive fills one
// buffer while the other is converted), each 16-bit sample delivered shifted left by 4 in
// pieces of at most 8,192 stereo frames.
#include <cstdint>
#include <string>

namespace sv {

class CdDriveSource;
class DriveChannel;
class LAudioWriter;
class LProgressTask;

struct CdRipJob {
    std::uint8_t driveIndex = 0;
    std::uint32_t firstSector = 0;
    std::uint32_t endSector = 0;  // exclusive
    std::string title;            // for "Loading %s"
};

constexpr int kFirstReadSectors = 13;
constexpr int kReadSectors = 27;
constexpr int kReadBudgetMs = 40000;

// 0 done, 1 cancelled (what was delivered stays delivered), 2 failed (the reason went to the
// task's error call).
int RipTrack(DriveChannel& channel, const CdRipJob& job, LAudioWriter& sink, LProgressTask& task,
             int readBudgetMs = kReadBudgetMs);
// Opens job's drive of drives first.
int RipTrackFromDrive(CdDriveSource& drives, const CdRipJob& job, LAudioWriter& sink, LProgressTask& task,
                      int readBudgetMs = kReadBudgetMs);

// Internal samples of sectors of CD audio (16-bit little-endian, left first).
void ConvertCdAudio(const std::uint8_t* bytes, std::int32_t frames, std::int32_t* samples);

}  // namespace sv
