#include "app/CommandSetup.h"

#include "app/Application.h"
#include "app/VstEditorWindow.h"
#include "audio/PlayerCommands.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/Host.h"
#include "core/EditCommands.h"
#include "effects/BasicEffectCommands.h"
#include "effects/EqualizerCommands.h"
#include "effects/PluginCommands.h"
#include "effects/SpeedPitchCommands.h"
#include "formats/FileEditCommands.h"
#include "formats/FormatCommands.h"
#include "views/ViewCommands.h"

namespace sv {

void RegisterAllCommands(CommandRegistry& registry, Application& app) {
    RegisterDocumentCommands(registry);
    RegisterEditCommands(registry);
    RegisterFileEditCommands(registry);
    RegisterFormatCommands(registry);
    RegisterBasicEffectCommands(registry);
    RegisterEqualizerCommands(registry);
    RegisterPluginCommands(registry);
    InstallVstEditorWindow();
    RegisterSpeedPitchCommands(registry);
    RegisterViewCommands(registry);
    RegisterPlayerCommands(registry, app.player());
    registry.Register(kCmdAbout, {[](Workspace& ws) {
                                      ws.host().MessageBox(
                                          "Sonvela 0.1\n\nÉditeur de sons.\n© Quillon Acoustics",
                                          "A propos de Sonvela", MsgIcon::Information, MsgButtons::Ok);
                                  },
                                  nullptr, nullptr, nullptr});
}

}  // namespace sv
