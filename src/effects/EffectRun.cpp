#include "effects/EffectRun.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"
#include "effects/ChannelConverter.h"
#include "effects/Filter.h"

#include <algorithm>
#include <vector>

namespace sv {

LEffectRun::LEffectRun(LAudioDocument& doc, BlockStore& store, const LEffectDescriptor& effect)
    : LDocumentTask(effect.GetName(), doc, store), effect_(effect) {}

LEffectRun::LEffectRun(LAudioDocument& doc, BlockStore& store, const LEffectDescriptor& effect,
                       std::string progressTitle)
    : LDocumentTask(std::move(progressTitle), doc, store), effect_(effect) {}

int LEffectRun::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    // An empty selection has nothing to process; pumping one frame would add a frame.
    if (end <= start) return kTaskDone;
    SetText(0, "Veuillez patienter...");

    Ref<LAudioReader> source(LBlockReader::Create(doc_.sound));
    if (source->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    // A chain whose output layout differs from the document's would corrupt the block.
    Ref<LAudioReader> chain = ConvertChannels(effect_.CreateProcessor(source), doc_.sound.channels);
    // Parameters that change nothing hand back the source itself: nothing to rewrite, and no
    // undo step for it.
    if (chain == source) return kTaskDone;
    source = nullptr;
    if (!chain) {
        Error("Impossible de créer l'effet");
        return kTaskFailed;
    }
    if (FailedStage(*chain)) {
        Error(ChainFailureText(*chain));
        return kTaskFailed;
    }

    if (start > 0) chain->Seek(start);
    return ReplaceWithChain(std::move(chain), end - start, start, end);
}

}  // namespace sv
