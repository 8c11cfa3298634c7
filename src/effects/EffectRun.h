#pragma once
// LEffectRun: pumps an effect descriptor's chain over the document's selection into a new
// block and puts that block in place of the selection.
#include "effects/DocumentTask.h"
#include "effects/EffectDescriptor.h"

namespace sv {

class LEffectRun : public LDocumentTask {
public:
    // The progress title is the descriptor's name unless one is given.
    LEffectRun(LAudioDocument& doc, BlockStore& store, const LEffectDescriptor& effect);
    LEffectRun(LAudioDocument& doc, BlockStore& store, const LEffectDescriptor& effect, std::string progressTitle);

protected:
    int Work() override;

private:
    const LEffectDescriptor& effect_;
};

}  // namespace sv
