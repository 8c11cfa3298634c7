#pragma once
// An effect made ready to run without a dialog: settings in, processor out. The menu commands
// frame it with stop playback, an undo step and end edit (RunEffectProcess); the batch converter
// runs the task as it is over its working document, where nothing opens an undo step.
#include "effects/DocumentTask.h"
#include "effects/EffectRun.h"

#include <memory>
#include <string>

namespace sv {

class Workspace;

struct LEffectProcess {
    std::string undoName;
    // Rewrites the document's selection; its title is the progress title.
    std::unique_ptr<LDocumentTask> task;
};

// Runs process over the active document as a menu command does; the task's result.
int RunEffectProcess(Workspace& ws, LEffectProcess& process);

// Holds the descriptor in a base so that it exists before the run that refers to it.
template <class Descriptor>
struct DescriptorHolder {
    Descriptor descriptor;
};

// The effect run of a descriptor it owns, for processes that outlive the command's stack.
template <class Descriptor>
class LOwnedEffectRun : private DescriptorHolder<Descriptor>, public LEffectRun {
public:
    LOwnedEffectRun(LAudioDocument& doc, BlockStore& store, Descriptor effect, std::string progressTitle)
        : DescriptorHolder<Descriptor>{std::move(effect)},
          LEffectRun(doc, store, this->descriptor, std::move(progressTitle)) {}
    const Descriptor& Effect() const { return this->descriptor; }
};

// The process of a descriptor effect; the progress title defaults to the descriptor's name.
template <class Descriptor>
LEffectProcess DescriptorProcess(LAudioDocument& doc, BlockStore& store, Descriptor effect,
                                 std::string undoName = {}, std::string progressTitle = {}) {
    if (undoName.empty()) undoName = effect.GetName();
    if (progressTitle.empty()) progressTitle = effect.GetName();
    return {std::move(undoName),
            std::make_unique<LOwnedEffectRun<Descriptor>>(doc, store, std::move(effect), std::move(progressTitle))};
}

}  // namespace sv
