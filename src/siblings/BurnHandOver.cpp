#include "siblings/BurnHandOver.h"

#include "core/AudioDocument.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/PrivateTempFile.h"
#include "platform/Settings.h"

#include <climits>
#include <unistd.h>

namespace sv {

const SiblingProgram kBurnProgram{"Burnvale", "CopyCD", "Burnvale", "burn/index"};

namespace {

bool Unsaved(const LAudioDocument& doc) { return doc.modified || !HasFolderPart(doc.path); }

// A line break inside a path would split it into two entries of the list.
bool Listable(const LAudioDocument& doc) {
    return !Unsaved(doc) && doc.path.find_first_of("\r\n") == std::string::npos && FileExists(doc.path);
}

}  // namespace

std::string BurnListText(const std::vector<std::string>& paths) {
    std::string text;
    for (const std::string& p : paths) text += p + "\r\n";
    return text;
}

std::string ShippedBurnerPath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string self(buffer, static_cast<std::size_t>(n));
    return JoinPath(self.substr(0, self.find_last_of('/')), "sonvela-burn");
}

bool RegisterShippedBurner(Settings& settings, const std::string& adapter) {
    std::string command;
    if (ReadSiblingCommand(settings, kBurnProgram, command)) return false;
    if (adapter.empty() || ::access(adapter.c_str(), X_OK) != 0) return false;
    return settings.UserScope().Set(SiblingSection(kBurnProgram.programKey), kBurnProgram.commandValue,
                                    "\"" + adapter + "\"%s");
}

int CopyOpenFilesToCd(Workspace& ws, BurnType type, const SiblingOptions& options) {
    Host& host = ws.host();
    // A copy: saving may open or close nothing, but the list must not move under the loop.
    const std::vector<Ref<LAudioDocument>> docs = ws.Documents();
    bool anyUnsaved = false;
    for (const Ref<LAudioDocument>& d : docs) anyUnsaved = anyUnsaved || Unsaved(*d);
    if (anyUnsaved) {
        if (host.MessageBox(kSaveBeforeBurnText, kSaveBeforeBurnCaption, MsgIcon::Information,
                            MsgButtons::OkCancel) == MsgAnswer::Cancel)
            return kTaskCancelled;
        for (const Ref<LAudioDocument>& d : docs)
            if (Unsaved(*d) && ws.saveDocument) ws.saveDocument(*d, !HasFolderPart(d->path));
    }
    std::vector<std::string> paths;
    std::string left;
    for (const Ref<LAudioDocument>& d : docs) {
        if (Listable(*d)) paths.push_back(d->path);
        else left += "\n" + d->Title();
    }
    if (!left.empty())
        host.MessageBox("Ces fichiers ne sont pas enregistrés et ne seront pas copiés sur le CD :" + left,
                        kSaveBeforeBurnCaption, MsgIcon::Warning, MsgButtons::Ok);
    if (paths.empty()) return kTaskFailed;

    PrivateTempFile list = PrivateTempFile::Create("burn", ".txt");
    if (!list.Valid() || !list.Write(BurnListText(paths))) {
        host.MessageBox("La liste des fichiers à copier sur le CD n'a pas pu être écrite dans le dossier temporaire \"" +
                            TempFolder() + "\".",
                        "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return kTaskFailed;
    }
    const int result = RunSiblingProgram(host, ws.settings(), kBurnProgram,
                                         {"-type", type == BurnType::Audio ? "audio" : "data", "-list", list.Path()},
                                         options);
    list.Remove();
    return result;
}

}  // namespace sv
