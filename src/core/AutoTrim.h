#pragma once
// Auto trim ("Coupure Automatique") cuts the quiet start and end of a document, judged from
// the peak files alone (1/512 of the sample data), against a threshold in dB below the
// loudest peak.
#include <cstdint>

namespace sv {

class LAudioData;
class LProgressTask;
class Workspace;


struct TrimBounds {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// The frames to keep, from the peak files of sound's blocks, for a threshold in dB.
// 1 when the task was cancelled, else 0.
int FindAutoTrimBounds(LProgressTask& task, const LAudioData& sound, int thresholdDb, TrimBounds& bounds);

// Command 2013.
void AutoTrimCommand(Workspace& ws);

}  // namespace sv
