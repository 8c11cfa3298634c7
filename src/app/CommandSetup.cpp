#include "app/CommandSetup.h"

#include "app/Application.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/Host.h"

namespace sv {

void RegisterAllCommands(CommandRegistry& registry, Application& app) {
    (void)app;
    RegisterDocumentCommands(registry);
    registry.Register(kCmdAbout, {[](Workspace& ws) {
                                      ws.host().MessageBox(
                                          "Sonvela 0.1\n\nÉditeur de sons.\n© Quillon Acoustics",
                                          "A propos de Sonvela", MsgIcon::Information, MsgButtons::Ok);
                                  },
                                  nullptr, nullptr, nullptr});
}

}  // namespace sv
