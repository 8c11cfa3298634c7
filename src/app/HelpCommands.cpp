#include "app/HelpCommands.h"

#include "app/RelatedPrograms.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "platform/Paths.h"

namespace sv {

std::string FindUserGuide(const std::string& programPath) {
    std::vector<std::string> places;
    const std::size_t slash = programPath.rfind('/');
    if (slash != std::string::npos) places.push_back(programPath.substr(0, slash) + "/../share/sonvela/guide/index.html");
    places.push_back("/usr/local/share/sonvela/guide/index.html");
    places.push_back("/usr/share/sonvela/guide/index.html");
    for (const std::string& p : places)
        if (FileExists(p)) return p;
    return {};
}

void RegisterHelpCommands(CommandRegistry& registry, HelpServices services) {
    auto shared = std::make_shared<HelpServices>(std::move(services));
    registry.Register(kCmdHelp, {[shared](Workspace& ws) {
                                     const std::string guide = shared->guidePath ? shared->guidePath() : std::string();
                                     if (guide.empty()) {
                                         ws.host().MessageBox("Le guide de l'utilisateur n'est pas installé avec "
                                                              "ce programme.",
                                                              "Aide", MsgIcon::Error, MsgButtons::Ok);
                                         return;
                                     }
                                     if (!shared->launch || !shared->launch({"xdg-open", guide}))
                                         ws.host().MessageBox("Le guide \"" + guide +
                                                                  "\" ne peut pas être ouvert : xdg-open manque "
                                                                  "(paquet Debian xdg-utils).",
                                                              "Aide", MsgIcon::Error, MsgButtons::Ok);
                                 },
                                 nullptr, nullptr, nullptr});
    registry.Register(kCmdInstallRelated,
                      {[shared](Workspace& ws) {
                           ws.host().MessageBox(
                               RelatedProgramsText(FindRelatedPrograms(shared->programFound), CountLv2Bundles()),
                               "Programmes Associés", MsgIcon::Information, MsgButtons::Ok);
                       },
                       nullptr, nullptr, nullptr});
    registry.Register(kCmdAbout, {[shared](Workspace& ws) {
                                      ws.host().MessageBox(
                                          AboutText(shared->version, shared->libraries,
                                                    FindRelatedPrograms(shared->programFound)),
                                          "A propos de Sonvela", MsgIcon::Information, MsgButtons::Ok);
                                  },
                                  nullptr, nullptr, nullptr});
}

}  // namespace sv
