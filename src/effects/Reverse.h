#pragma once
// Reverse: the selection read from its end backwards, block by block, each block's frames
// written out in reverse order (the channel order inside a frame kept).
#include "effects/DocumentTask.h"

namespace sv {

class LReverseTask : public LDocumentTask {
public:
    LReverseTask(LAudioDocument& doc, BlockStore& store) : LDocumentTask("Inverser", doc, store) {}

protected:
    int Work() override;
};

}  // namespace sv
