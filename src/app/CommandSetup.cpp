#include "app/CommandSetup.h"

#include "app/Application.h"
#include "analysis/AnalysisCommands.h"
#include "app/CdImportDialog.h"
#include "app/HelpCommands.h"
#include "app/RecordDialog.h"
#include "audio/RecordCommand.h"
#include "app/VstEditorWindow.h"
#include "audio/PlayerCommands.h"
#include "batch/BatchWizard.h"
#include "core/BookmarkCommands.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/Host.h"
#include "core/EditCommands.h"
#include "core/ProjectCommands.h"
#include "core/RegionCommands.h"
#include "effects/BasicEffectCommands.h"
#include "effects/DelayCommands.h"
#include "effects/DynamicsCommands.h"
#include "effects/EqualizerCommands.h"
#include "effects/PluginCommands.h"
#include "effects/SpeedPitchCommands.h"
#include "formats/FileEditCommands.h"
#include "formats/FormatCommands.h"
#include "siblings/SiblingCommands.h"
#include "speech/SpeechCommands.h"
#include "net/SendCommands.h"
#include "platform/Paths.h"
#include "views/ViewCommands.h"

namespace sv {

void RegisterAllCommands(CommandRegistry& registry, Application& app) {
    RegisterDocumentCommands(registry);
    RegisterEditCommands(registry);
    RegisterFileEditCommands(registry);
    RegisterFormatCommands(registry);
    RegisterBasicEffectCommands(registry);
    RegisterEqualizerCommands(registry);
    RegisterDelayCommands(registry);
    RegisterDynamicsCommands(registry);
    RegisterPluginCommands(registry);
    InstallVstEditorWindow();
    RegisterSpeedPitchCommands(registry);
    RegisterBatchCommands(registry);
    RegisterViewCommands(registry);
    RegisterPlayerCommands(registry, app.player());
    RegisterSpeechCommands(registry);
    RegisterSiblingCommands(registry);
    RegisterAnalysisCommands(registry, app.analysis());
    RegisterNetCommands(registry, ProductDataFolder());
    registry.Register(kCmdLoadCdTracks, {[&app](Workspace& ws) { RunCdImportDialog(ws, &app.frame()); }, nullptr,
                                         nullptr, nullptr});
    RegisterBookmarkCommands(registry);
    RegisterRegionCommands(registry);
    RegisterProjectCommands(registry);
    RegisterRecordCommand(registry, [&app](Workspace& ws, LRecordOwner& owner) {
        return RunRecordDialog(ws, owner, &app.frame());
    });
    RegisterHelpCommands(registry, app.HelpServicesOfProgram());
}

}  // namespace sv
