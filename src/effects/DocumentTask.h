#pragma once
// LDocumentTask: the base of the progress tasks that rewrite part of a document (the effect
// run, the envelope, reverse, DC offset, cross fade). The work first produces the new material
// in a fresh block; only when that is complete does it open the edit (the openEdit hook, which
// the commands set to begin edit) and change the document. A cancelled or failed task therefore
// leaves the document, its undo ring and the block files as they were.
#include "core/AudioData.h"
#include "core/AudioReader.h"
#include "core/BlockWriter.h"
#include "core/ProgressTask.h"

#include <functional>
#include <string>

namespace sv {

class BlockStore;
class LAudioDocument;

class LDocumentTask : public LProgressTask {
public:
    LDocumentTask(std::string title, LAudioDocument& doc, BlockStore& store)
        : LProgressTask(std::move(title)), doc_(doc), store_(store) {}

    // Called once the new material is ready, just before the document changes; false makes
    // the task fail without changing anything. Null means nothing to open.
    std::function<bool()> openEdit;

protected:
    bool OpenEdit() { return !openEdit || openEdit(); }
    // A block writer for a new sound in the document's rate and channels.
    Ref<LBlockWriter> NewWriter(LAudioData& target);
    // Finishes writer; false (with the error shown) when its block is not complete.
    bool FinishWriter(LBlockWriter& writer);
    // Finishes writer, opens the edit and puts result in place of [start, end): the last step
    // of every task. Returns the task result.
    int Commit(LBlockWriter& writer, const LAudioData& result, std::int32_t start, std::int32_t end);
    // Reads frames frames of chain (already positioned) into a new block in pieces of at
    // most 8,192, then opens the edit and puts the block in place of [start, end). The chain
    // is released before the document changes. Returns the task result.
    int ReplaceWithChain(Ref<LAudioReader> chain, std::int32_t frames, std::int32_t start, std::int32_t end);

    LAudioDocument& doc_;
    BlockStore& store_;
};

}  // namespace sv
