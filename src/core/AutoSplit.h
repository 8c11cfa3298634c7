#pragma once
// Auto split ("Coupure Auto...") cuts a document into one new document per stretch of sound
// found between silences.
#include <cstdint>
#include <vector>

namespace sv {

class LAudioReader;
class LProgressTask;
class Workspace;

struct SoundStretch {
    std::int32_t start = 0;
    std::int32_t end = 0;
};

// The stretches of sound of a reader: windows of rate/20 frames louder than thresholdDb
// (0 dB being a peak of 131,072), a stretch ending after minSilenceMs of quiet windows.
// 0 done, 1 cancelled, 2 when the reader carries an error.
int FindSoundStretches(LProgressTask& task, LAudioReader& reader, int thresholdDb, std::int32_t minSilenceMs,
                       std::vector<SoundStretch>& stretches);

// Command 2034.
void AutoSplitCommand(Workspace& ws);

}  // namespace sv
