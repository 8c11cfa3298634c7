#pragma once
// Amplify: scales the gains of the selection's segments; no sample is rewritten. The task form
// serves callers without a dialog; the menu command scales at once, without a progress dialog.
#include "effects/DocumentTask.h"

namespace sv {

// True when something changed (a gain of exactly 100 changes nothing).
bool AmplifyRange(LAudioData& sound, std::int32_t start, std::int32_t end, std::int32_t percent);

class LAmplifyTask : public LDocumentTask {
public:
    LAmplifyTask(LAudioDocument& doc, BlockStore& store, std::int32_t percent)
        : LDocumentTask("Amplifier", doc, store), percent_(percent) {}

protected:
    int Work() override;

private:
    std::int32_t percent_;
};

// Normalise as one task: the peak scan (titled "Normalisation"), then the amplification that
// brings the peak to levelPercent. A silent selection changes nothing.
class LNormalizeTask : public LDocumentTask {
public:
    LNormalizeTask(LAudioDocument& doc, BlockStore& store, std::int32_t levelPercent)
        : LDocumentTask("Normalisation", doc, store), level_(levelPercent) {}

protected:
    int Work() override;

private:
    std::int32_t level_;
};

}  // namespace sv
