#pragma once
// The system's CD burning program in place of a burning service: cdrskin (or wodim) started
// with an argument vector on the regions saved as 44100 Hz stereo 16-bit WAV files, "Track
// %d.wav", in a private folder made for the run and removed after it.
#include "cd/CdAudioTrack.h"
#include "cd/CdBurnSettings.h"

#include <string>
#include <vector>

namespace sv {

class CdDriveSource;
class LProgressTask;

// "cdrskin" when it is installed, else "wodim".
std::string DefaultBurnProgram();
// The burn's command line for program (a name or a path; wodim's dialect when its file name
// is "wodim", cdrskin's otherwise).
std::vector<std::string> BurnArguments(const std::string& program, const std::string& device,
                                       const CdBurnOptions& options, const std::vector<std::string>& files);

// 0 done, 1 cancelled, 2 failed (the reason went to the task's error call).
int BurnWithService(CdDriveSource& drives, const CdBurnOptions& options, const std::vector<CdBurnTrack>& tracks,
                    LProgressTask& task, const std::string& program);

}  // namespace sv
