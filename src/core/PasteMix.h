#pragma once
// Paste Mix and the mix worker shared with Mix File: the source is added onto the document
// from the selection start, with a volume and a stereo pan, and what happens when the source
// is longer than the selection is the user's choice (widen the selection, insert silence, or
// fade the source out at the selection end).
#include <cstdint>

namespace sv {

class LAudioData;
class LAudioDocument;
class LProgressTask;
class Workspace;

enum MixMode { kMixInsertSilence = 0, kMixWidenSelection = 1, kMixFadeOut = 2 };

struct MixParameters {
    int volume = 100;           // percent, 0 to 100
    int pan = 50;               // 0 (left) to 100 (right); 50 for mono documents
    int mode = kMixInsertSilence;
    std::int32_t fadeFrames = 0;
};

// Mix dialog (resource 4) for the active document, with the stored values; true when
// accepted (the values are then stored back).
bool AskMixParameters(Workspace& ws, MixParameters& params);

// Mixes source into doc from its selection start; 0 done, 1 cancelled, 2 failed, and only 0
// changes the document. mixedFrames receives the length of the mixed stretch.
int MixWorker(LProgressTask& task, Workspace& ws, LAudioDocument& doc, const LAudioData& source,
              const MixParameters& params, std::int32_t& mixedFrames);

// Runs the task "Coller le Mixage" on the active document and, on success, selects the mixed
// stretch and ends the edit. The undo step is the caller's.
bool RunMixTask(Workspace& ws, const LAudioData& source, const MixParameters& params);

// The Paste Mix command with source as the material (the document clipboard, or what the
// desktop's clipboard held).
bool PasteMixSound(Workspace& ws, const LAudioData& source);


}  // namespace sv
