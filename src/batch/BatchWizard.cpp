#include "batch/BatchWizard.h"

#include "batch/BatchConversion.h"
#include "batch/BatchOutput.h"
#include "batch/BatchScript.h"
#include "batch/BatchSettingsDialog.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DialogFields.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/EffectCommand.h"
#include "formats/FormatCommands.h"
#include "formats/FileFormatTable.h"
#include "formats/TagFiles.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>
#include <dirent.h>
#include <sstream>
#include <sys/stat.h>

namespace sv {

namespace {

constexpr const char* kTitle = "Convertisseur de Lot";
const char* const kSaveListQuestion = "Souhaitez vous enregistrer la liste de commandes?";

std::string Lines(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& s : items) text += s + "\n";
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(line);
    return out;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The files of folder that some reader opens, sorted by name.
std::vector<std::string> AudioFilesIn(const std::string& folder) {
    std::vector<std::string> found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        const std::string path = JoinPath(folder, name);
        const std::string ext = LowerExtension(name);
        if (name[0] == '.' || ext.empty() || IsFolder(path)) continue;
        if (FindOpenRow(ext).Opens()) found.push_back(path);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<FileFilter> ScriptFilters() { return {{"Fichier Script de Lot (*.svb)", {"*.svb"}}}; }

// "Enregistrer sous": true once saved.
bool SaveListAs(Workspace& ws, BatchWizardState& state) {
    Host& host = ws.host();
    for (;;) {
        auto path = host.PickSaveFile("Localisation du Fichier de Script de Lot", {}, "Untitled.svb", ScriptFilters());
        if (!path) return false;
        if (LowerExtension(*path).empty()) *path += ".svb";
        if (FileExists(*path) && host.MessageBox("Ce nom de fichier existe déjà. Voulez-vous le remplacer?", "Sonvela",
                                                 MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
            continue;
        if (!SaveBatchScript(*path, state.commands, host)) return false;
        state.commandsChanged = false;
        return true;
    }
}

// Before the list is replaced: false when the user cancels.
bool OfferToSaveList(Workspace& ws, BatchWizardState& state) {
    if (!state.commandsChanged || state.commands.empty()) return true;
    const MsgAnswer a = ws.host().MessageBox(kSaveListQuestion, "Sonvela", MsgIcon::Question, MsgButtons::YesNoCancel);
    if (a == MsgAnswer::Cancel) return false;
    if (a == MsgAnswer::Yes) return SaveListAs(ws, state);
    return true;
}

}  // namespace

std::string BatchListText(const std::vector<LBatchEntry>& list, const Settings& settings) {
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string settingsText = BatchEntryText(list[i], settings);
        text += std::to_string(i + 1) + ". " + BatchRowName(list[i].row) +
                (settingsText.empty() ? "" : " - " + settingsText) + "\n";
    }
    return text;
}

bool RunBatchFilesStep(Workspace& ws, BatchWizardState& state) {
    DialogSpec spec;
    spec.resource = "24";
    spec.caption = kTitle;
    spec.fields = {LabelField("step", "Etape 1: Sélection des Fichiers"), TextAreaField("files", "Fichiers :", Lines(state.files))};
    Host& host = ws.host();
    Settings& settings = ws.settings();
    auto append = [](DialogSpec& s, const std::vector<std::string>& more) {
        std::vector<std::string> files = SplitLines(s.Value("files"));
        for (const auto& f : more)
            if (std::find(files.begin(), files.end(), f) == files.end()) files.push_back(f);
        s.SetValue("files", Lines(files));
    };
    spec.buttons.push_back({"addFiles", "Ajout Fich.", [&host, &settings, append](DialogSpec& s) {
                                append(s, host.PickOpenFiles("Ouvrir", settings.ReadSetting("Settings", "OpenFileDir"),
                                                             OpenFilters(), true));
                            }});
    spec.buttons.push_back({"addFolder", "Ajout Répert.", [&host, &settings, append](DialogSpec& s) {
                                auto folder = host.PickFolder("Ajout Répert.", settings.ReadSetting("Settings", "LoadFromFolder"));
                                if (!folder) return;
                                settings.WriteUserSetting("Settings", "LoadFromFolder", *folder);
                                append(s, AudioFilesIn(*folder));
                            }});
    spec.buttons.push_back({"clear", "Effacer", [](DialogSpec& s) { s.SetValue("files", ""); }});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (SplitLines(s.Value("files")).empty())
            return DialogRefusal{"Veuillez ajouter au moins un fichier à convertir.", kTitle, MsgIcon::Information, "files"};
        return std::nullopt;
    };
    if (!host.RunDialog(spec)) return false;
    state.files = SplitLines(spec.Value("files"));
    return true;
}

std::vector<std::uint32_t> RunAddCommandDialog(Workspace& ws) {
    DialogSpec spec;
    spec.resource = "27";
    spec.caption = "Ajouter Commande";
    spec.fields.push_back(LabelField("prompt", "Sélectionner les commandes à ajouter à la liste de Commandes."));
    for (std::uint32_t r = 0; r < kBatchRowCount; ++r)
        spec.fields.push_back({"row" + std::to_string(r), BatchRowName(r), DialogField::Kind::Check, "0", {}});
    std::vector<std::uint32_t> rows;
    if (!ws.host().RunDialog(spec)) return rows;
    for (std::uint32_t r = 0; r < kBatchRowCount; ++r)
        if (spec.Value("row" + std::to_string(r)) == "1") rows.push_back(r);
    return rows;
}

bool RunBatchCommandsStep(Workspace& ws, BatchWizardState& state) {
    DialogSpec spec;
    spec.resource = "25";
    spec.caption = kTitle;
    Settings& settings = ws.settings();
    spec.fields = {LabelField("step", "Etape 2: Sélection des Commandes"),
                   TextAreaField("commands", "Liste de Commandes :", BatchListText(state.commands, settings)),
                   IntegerField("index", "Commande n° :", 1)};
    auto refresh = [&state, &settings](DialogSpec& s) { s.SetValue("commands", BatchListText(state.commands, settings)); };
    // The entry the number field names; null when there is none.
    auto chosen = [&state](const DialogSpec& s) -> LBatchEntry* {
        const int i = s.IntValue("index");
        return i >= 1 && i <= static_cast<int>(state.commands.size()) ? &state.commands[static_cast<std::size_t>(i - 1)]
                                                                       : nullptr;
    };
    spec.buttons = {
        {"new", "Nouveau", [&ws, &state, refresh](DialogSpec& s) {
             if (!OfferToSaveList(ws, state)) return;
             state.commands.clear();
             state.commandsChanged = false;
             refresh(s);
         }},
        {"open", "Ouvrir", [&ws, &state, refresh](DialogSpec& s) {
             if (!OfferToSaveList(ws, state)) return;
             auto picked = ws.host().PickOpenFiles("Ouvrir le Fichier Script de Lot", {}, ScriptFilters(), false);
             if (picked.empty()) return;
             std::vector<LBatchEntry> list;
             // A damaged script leaves the list empty, as its message says.
             LoadBatchScript(picked.front(), list, ws.host());
             state.commands = std::move(list);
             state.commandsChanged = false;
             refresh(s);
         }},
        {"saveAs", "Enregistrer sous", [&ws, &state](DialogSpec&) { SaveListAs(ws, state); }},
        {"add", "Ajouter", [&ws, &state, refresh](DialogSpec& s) {
             for (std::uint32_t row : RunAddCommandDialog(ws)) state.commands.push_back({row, {}});
             state.commandsChanged = true;
             refresh(s);
         }},
        {"remove", "Effacer", [&state, chosen, refresh](DialogSpec& s) {
             LBatchEntry* e = chosen(s);
             if (!e) return;
             state.commands.erase(state.commands.begin() + (e - state.commands.data()));
             state.commandsChanged = true;
             refresh(s);
         }},
        {"settings", "Réglages", [&ws, &state, chosen, refresh](DialogSpec& s) {
             LBatchEntry* e = chosen(s);
             if (!e || !EditBatchEntry(ws, *e)) return;
             state.commandsChanged = true;
             refresh(s);
         }},
    };
    return ws.host().RunDialog(spec);
}

bool RunBatchOutputStep(Workspace& ws) {
    Settings& settings = ws.settings();
    Host& host = ws.host();
    BatchOutputSettings out = ReadBatchOutputSettings(settings);
    for (;;) {
        DialogSpec spec;
        spec.resource = "26";
        spec.caption = kTitle;
        spec.fields = {
            LabelField("step", "Etape 3: Sélection du Format et du Répertoire de Destination"),
            {"sameFormat", "Format :", DialogField::Kind::Choice, out.sameFormat ? "0" : "1",
             {"Enregistrer au format d'origine de chaque fichier", "Convertir au Format de Fichier"}},
            {"format", "Convertir au Format de Fichier", DialogField::Kind::Choice, std::to_string(out.formatIndex),
             BatchFormatLabels()},
            {"sameFolder", "Destination :", DialogField::Kind::Choice, out.sameFolder ? "0" : "1",
             {"Utiliser le répertoire d'où les fichiers ont été chargés (remplacer les fichiers si ils sont du même format)",
              "Enregistrer dans ce Répertoire"}},
            {"folder", "Répertoire :", DialogField::Kind::Text, out.folder, {}},
        };
        spec.buttons.push_back({"browse", "Parcourir...", [&host](DialogSpec& s) {
                                    auto f = host.PickFolder("Localisation du Répertoire de Destination", s.Value("folder"));
                                    if (f) s.SetValue("folder", *f);
                                }});
        spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
            if (s.IntValue("sameFolder") == 1 && s.Value("folder").empty())
                return DialogRefusal{
                    "Répertoire de destination invalide. Veuillez sélectionner un répertoire dans lequel enregistrer.",
                    kTitle, MsgIcon::Warning, "folder"};
            return std::nullopt;
        };
        if (!host.RunDialog(spec)) return false;
        out.sameFormat = spec.IntValue("sameFormat") == 0;
        out.formatIndex = std::clamp(spec.IntValue("format"), 0, static_cast<int>(BatchFormatExtensions().size()) - 1);
        out.sameFolder = spec.IntValue("sameFolder") == 0;
        out.folder = spec.Value("folder");
        WriteBatchOutputSettings(settings, out);
        if (out.sameFolder || IsFolder(out.folder)) return true;
        if (host.MessageBox("Le répertoire  \"" + out.folder + "\" n'existe pas. Souhaitez vous le créer maintenant?",
                            kTitle, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
            continue;
        if (EnsureFolder(out.folder) && IsFolder(out.folder)) return true;
        host.MessageBox("Incapable de créer le répertoire.", kTitle, MsgIcon::Error, MsgButtons::Ok);
    }
}

void BatchConverterCommand(Workspace& ws) {
    if (ws.stopPlayback) ws.stopPlayback();
    BatchWizardState state;
    if (!RunBatchFilesStep(ws, state) || !RunBatchCommandsStep(ws, state) || !RunBatchOutputStep(ws)) return;
    LBatchConversion batch(ws, state.files, state.commands, ReadBatchOutputSettings(ws.settings()));
    RunTask(ws.host(), batch);
    // Every file's fate, the failures first, then the summary: the one message of the run.
    std::string text;
    int shown = 0;
    for (BatchFileStatus status : {BatchFileStatus::Failed, BatchFileStatus::Skipped, BatchFileStatus::Done}) {
        for (const auto& r : batch.Reports()) {
            if (r.status != status) continue;
            if (++shown > 30) break;
            text += BatchReportLine(r) + "\n";
        }
    }
    if (shown > 30) text += "...\n";
    text += "\n" + BatchSummaryLine(batch);
    const bool failed = batch.Count(BatchFileStatus::Failed) > 0;
    ws.host().MessageBox(text, kTitle, failed ? MsgIcon::Warning : MsgIcon::Information, MsgButtons::Ok);
}

void RegisterBatchCommands(CommandRegistry& registry) {
    registry.Register(kCmdBatchConverter, {BatchConverterCommand, nullptr, nullptr, nullptr});
}

}  // namespace sv
