#include "formats/RegionExport.h"

#include "core/CleanName.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/FormatCommands.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>
#include <sys/stat.h>

namespace sv {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderPart(const std::string& path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool HasExtension(const std::string& path) { return FileNamePart(path).find('.') != std::string::npos; }

// The extension (with its dot) of save format index; ".wav" for an index out of range.
std::string FormatExtension(int index) {
    const std::vector<FileFilter> filters = SaveFilters();
    if (index < 0 || index >= static_cast<int>(filters.size())) return ".wav";
    return filters[static_cast<std::size_t>(index)].patterns.front().substr(1);
}

int SaveRegionSound(Workspace& ws, std::size_t index, const std::string& path) {
    const LAudioData& sound = ws.Regions()[index].sound;
    SaveParameters params{path, sound.sampleRate, sound.channels, false, nullptr};
    params.settings = &ws.settings();  // the formats' settings, and where their coder programs are
    FunctionTask task("Enregistrement en cours...",
                      [&](LProgressTask& t) { return SaveSoundAs(t, ws.host(), sound, params); });
    RunTask(ws.host(), task);
    return task.Result();
}

}  // namespace

bool SaveRegionCommand(Workspace& ws, std::size_t index) {
    if (index >= ws.Regions().Count()) return false;
    Settings& st = ws.settings();
    Host& host = ws.host();
    std::vector<std::string> patterns;
    for (const FileFilter& f : SaveFilters()) patterns.insert(patterns.end(), f.patterns.begin(), f.patterns.end());
    const std::vector<FileFilter> filters{{"Audio Files", patterns}};
    const std::string name = CleanName(ws.Regions()[index].name) + ".wav";
    for (;;) {
        std::optional<std::string> picked =
            host.PickSaveFile("Enregistrer la Zone Sous", st.ReadSetting("Settings", "SaveRegionDir"), name, filters);
        if (!picked || picked->empty()) return false;
        std::string path = *picked;
        if (!HasExtension(path)) path += ".wav";
        st.WriteUserSetting("Settings", "SaveRegionDir", FolderPart(path));
        if (FileExists(path)) {
            MsgAnswer a = host.MessageBox("Ce nom de fichier existe déjà. Voulez-vous le remplacer?", "Sonvela",
                                          MsgIcon::Question, MsgButtons::YesNoCancel);
            if (a == MsgAnswer::Cancel) return false;
            if (a == MsgAnswer::No) continue;
        }
        return SaveRegionSound(ws, index, path) == kTaskDone;
    }
}

bool ExportRegionsDialog(Workspace& ws) {
    Settings& st = ws.settings();
    DialogSpec spec;
    spec.resource = "29";
    spec.caption = "Exporter les Zones";
    spec.fields.push_back(
        {"folder", "Répertoire:", DialogField::Kind::Text, st.ReadSetting("Settings", "ExportRegionFolder"), {}});
    DialogField format{"format", "Format:", DialogField::Kind::Choice,
                       std::to_string(st.ReadIntSetting("Settings", "ExportRegionFormat", 0)), {}};
    for (const FileFilter& f : SaveFilters()) format.choices.push_back(f.label);
    spec.fields.push_back(format);
    spec.fields.push_back({"settings", "Régler les paramètres du format", DialogField::Kind::Check, "0", {}});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (!IsFolder(s.Value("folder")))
            return DialogRefusal{"The export folder is invalid. Please select a valid folder.", "Exporter les Zones",
                                 MsgIcon::Error, "folder"};
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return false;
    st.WriteUserSetting("Settings", "ExportRegionFolder", spec.Value("folder"));
    st.WriteIntUserSetting("Settings", "ExportRegionFormat", spec.IntValue("format"));
    if (spec.IntValue("settings") == 0) return true;
    // The format's own settings, once for the whole export, at the first region's format.
    std::int32_t rate = 44100;
    std::uint8_t channels = 2;
    if (!ws.Regions().Empty()) {
        rate = ws.Regions()[0].sound.sampleRate;
        channels = ws.Regions()[0].sound.channels;
    }
    return ShowSaveOptions(FormatExtension(spec.IntValue("format")), ws.host(), rate, channels);
}

std::size_t ExportRegions(Workspace& ws, const std::vector<std::size_t>& indices) {
    Settings& st = ws.settings();
    Host& host = ws.host();
    const std::string folder = st.ReadSetting("Settings", "ExportRegionFolder");
    const std::string extension = FormatExtension(st.ReadIntSetting("Settings", "ExportRegionFormat", 0));
    if (!IsFolder(folder)) {
        host.MessageBox("The export folder is invalid. Please select a valid folder.", "Exporter les Zones",
                        MsgIcon::Error, MsgButtons::Ok);
        return 0;
    }
    std::vector<std::size_t> order = indices;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::size_t written = 0;
    for (std::size_t index : order) {
        if (index >= ws.Regions().Count()) break;
        const std::string& name = ws.Regions()[index].name;
        const std::string clean = CleanName(name);
        if (clean.empty()) {
            host.MessageBox("Le nom de la zone \"" + name +
                                "\" contient des caractères non valides pour un nom de fichier. Veuillez lui donner "
                                "un nouveau nom ne contenant que du texte et réessayer.",
                            "Nom de Fichier Invalide", MsgIcon::Information, MsgButtons::Ok);
            break;
        }
        const std::string path = JoinPath(folder, clean + extension);
        if (FileExists(path) &&
            host.MessageBox("La zone \"" + name +
                                "\" existe déjà dans le répertoire de destination. voulez vous le remplacer?",
                            "Sonvela", MsgIcon::Question, MsgButtons::YesNoCancel) != MsgAnswer::Yes)
            break;
        if (SaveRegionSound(ws, index, path) != kTaskDone) break;
        ++written;
    }
    return written;
}

}  // namespace sv
