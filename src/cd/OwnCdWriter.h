#pragma once
// Sonvela's own CD writer: the drive and disc checks, in their fixed order and with their
// messages, then the tracks written at once over the SCSI transport (write parameters page 05,
// WRITE (10) at each track's next writable address, close track) and the session closed,
// which writes the lead-in and lead-out.
#include "cd/CdAudioTrack.h"
#include "cd/CdBurnSettings.h"

#include <vector>

namespace sv {

class CdDriveSource;
class LProgressTask;

// How long the writer waits for the drive; tests shorten them.
struct CdWriterTiming {
    int readyBudgetMs = 30000;
    int readyStepMs = 500;
    int discRetryMs = 5000;
};

// 0 done, 1 cancelled (the disc stays as far as it was written), 2 failed (the reason went to
// the task's error call).
int WriteAudioCd(CdDriveSource& drives, const CdBurnOptions& options, const std::vector<CdBurnTrack>& tracks,
                 LProgressTask& task, const CdWriterTiming& timing = {});

// "mm:ss", the minutes of the capacity message.
std::string CdMinutesText(std::int32_t sectors);

}  // namespace sv
