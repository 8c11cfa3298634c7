#include "core/ProjectCommands.h"

#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/ProjectFile.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

namespace sv {

namespace {

const std::vector<FileFilter>& ProjectFilters() {
    static const std::vector<FileFilter> filters{{"Sonvela Project (.svp)", {"*.svp"}}};
    return filters;
}

std::string FolderPart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void ProjectChanged(Workspace& ws) {
    if (ws.projectChanged) ws.projectChanged();
    if (ws.refreshRegionList) ws.refreshRegionList();
    if (ws.refreshBookmarkList) ws.refreshBookmarkList();
    ws.CommandStatesChanged();
}

void ShowError(Workspace& ws, const std::string& text) {
    ws.host().MessageBox(text, "Sonvela", MsgIcon::Error, MsgButtons::Ok);
}

}  // namespace

int SaveProject(Workspace& ws, const std::string& path) {
    FunctionTask task("Enregistrement du Projet", [&](LProgressTask& t) {
        return SaveProjectFile(t, path, ws.Documents(), ws.Regions());
    });
    RunTask(ws.host(), task);
    for (const auto& d : ws.Documents()) ws.DocumentChanged(*d);
    return task.Result();
}

int LoadProject(Workspace& ws, const std::string& path) {
    ProjectContents contents;
    FunctionTask task("Chargement du Projet", [&](LProgressTask& t) {
        return LoadProjectFile(t, ws.host(), ws.blocks(), path, contents);
    });
    RunTask(ws.host(), task);
    // What was read before a failure stays, as the loaded entries would have.
    for (LRegion& r : contents.regions) ws.Regions().Append(std::move(r));
    for (const auto& d : contents.documents) ws.AddDocument(d);
    if (task.Result() == kTaskDone) ws.projectPath = path;
    ProjectChanged(ws);
    return task.Result();
}

bool AskSaveCurrentProject(Workspace& ws) {
    if (ws.Regions().Empty() && !ws.Active()) return true;
    MsgAnswer a = ws.host().MessageBox("Enregistrer les Modifications apportées à votre projet en cours?", "Sonvela",
                                       MsgIcon::Question, MsgButtons::YesNoCancel);
    if (a == MsgAnswer::Cancel) return false;
    if (a == MsgAnswer::No) return true;
    if (ws.projectPath.empty()) return SaveProjectAsCommand(ws);
    if (SaveProject(ws, ws.projectPath) == kTaskDone) return true;
    ShowError(ws, "Sonvela impossible d'enregistrer le projet.");
    return false;
}

void OpenProjectCommand(Workspace& ws) {
    Settings& st = ws.settings();
    std::vector<std::string> picked =
        ws.host().PickOpenFiles("Ouvrir le Projet", st.ReadSetting("StoredValues", "OpenProjectDir"),
                                ProjectFilters(), false);
    if (picked.empty() || picked.front().empty()) return;
    const std::string path = picked.front();
    st.WriteUserSetting("StoredValues", "OpenProjectDir", FolderPart(path));
    if (path == ws.projectPath) return;
    if (!AskSaveCurrentProject(ws)) return;
    if (ws.stopPlayback) ws.stopPlayback();
    if (LoadProject(ws, path) != kTaskDone) {
        ShowError(ws,
                  "Sonvela impossible de charger le projet. Le projet est peut être endommagé. Veuillez réessayer.");
        return;
    }
    ws.TileWindows();
    if (ws.Active() && ws.startPlayback && st.ReadIntSetting("Settings", "PlayWhenOpen", 1) != 0)
        ws.startPlayback(ws.Active()->cursor);
}

void CloseProjectCommand(Workspace& ws) {
    if (ws.projectPath.empty()) return;
    if (!AskSaveCurrentProject(ws)) return;
    if (ws.stopPlayback) ws.stopPlayback();
    ws.projectPath.clear();
    ws.Regions().Clear();
    std::vector<Ref<LAudioDocument>> docs = ws.Documents();
    for (const auto& d : docs) ws.RemoveDocument(d.get());
    ProjectChanged(ws);
    ws.TileWindows();
}

void SaveProjectCommand(Workspace& ws) {
    if (ws.stopPlayback) ws.stopPlayback();
    if (!ws.Active() &&
        ws.host().MessageBox("Ce projet ne contient aucun fichier. Voulez vous continuer l'enregistrement?", "Sonvela",
                             MsgIcon::Question, MsgButtons::YesNoCancel) != MsgAnswer::Yes)
        return;
    if (ws.projectPath.empty()) {
        SaveProjectAsCommand(ws);
        return;
    }
    if (SaveProject(ws, ws.projectPath) == kTaskFailed) ShowError(ws, "Sonvela impossible d'enregistrer le projet.");
}

bool SaveProjectAsCommand(Workspace& ws) {
    Settings& st = ws.settings();
    Host& host = ws.host();
    if (ws.stopPlayback) ws.stopPlayback();
    for (;;) {
        std::optional<std::string> picked = host.PickSaveFile(
            "Sauver le Projet Sous", st.ReadSetting("Settings", "SaveProjectAsDir"), FileNamePart(ws.projectPath),
            ProjectFilters());
        if (!picked || picked->empty()) return false;
        std::string path = *picked;
        if (FileNamePart(path).find('.') == std::string::npos) path += ".svp";
        st.WriteUserSetting("Settings", "SaveProjectAsDir", FolderPart(path));
        if (FileExists(path)) {
            MsgAnswer a = host.MessageBox("Ce nom de projet existe déjà. Voulez-vous le remplacer?", "Sonvela",
                                          MsgIcon::Question, MsgButtons::YesNoCancel);
            if (a == MsgAnswer::Cancel) return false;
            if (a == MsgAnswer::No) continue;
        }
        int r = SaveProject(ws, path);
        if (r == kTaskFailed) ShowError(ws, "Sonvela could not save the project.");
        if (r != kTaskDone) return false;
        ws.projectPath = path;
        ProjectChanged(ws);
        return true;
    }
}

void RegisterProjectCommands(CommandRegistry& registry) {
    registry.Register(kCmdOpenProject, {OpenProjectCommand, nullptr, nullptr, nullptr});
    // Closing drops every document without asking about each one, so only a project closes.
    registry.Register(kCmdCloseProject,
                      {CloseProjectCommand, [](const Workspace& ws) { return !ws.projectPath.empty(); }, nullptr,
                       nullptr});
    registry.Register(kCmdSaveProject, {SaveProjectCommand, nullptr, nullptr, nullptr});
    registry.Register(kCmdSaveProjectAs, {[](Workspace& ws) { SaveProjectAsCommand(ws); }, nullptr, nullptr, nullptr});
}

}  // namespace sv
