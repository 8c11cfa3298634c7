#include "siblings/SiblingCommands.h"

#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Workspace.h"
#include "siblings/BurnHandOver.h"
#include "siblings/ToneGenerator.h"

namespace sv {

namespace {

SiblingOptions ShippedOptions() {
    SiblingOptions options;
    options.install = [](Settings& settings) { return RegisterShippedBurner(settings); };
    return options;
}

bool AnyDocument(const Workspace& ws) { return !ws.Documents().empty(); }

}  // namespace

void RegisterSiblingCommands(CommandRegistry& registry) {
    registry.Register(kCmdBurnAudioCd, {[](Workspace& ws) { CopyOpenFilesToCd(ws, BurnType::Audio, ShippedOptions()); },
                                        AnyDocument, nullptr, nullptr});
    registry.Register(kCmdBurnDataCd, {[](Workspace& ws) { CopyOpenFilesToCd(ws, BurnType::Data, ShippedOptions()); },
                                       AnyDocument, nullptr, nullptr});
    registry.Register(kCmdToneGenerator, {[](Workspace& ws) { RunToneGenerator(ws, {}); }, nullptr, nullptr, nullptr});
}

}  // namespace sv
