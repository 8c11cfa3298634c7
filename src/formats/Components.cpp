#include "formats/Components.h"

#include "core/Host.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <climits>
#include <unistd.h>

namespace sv {

namespace {

const ComponentNeeds kComponents[] = {
    {"oggdec", {"oggdec"}, "vorbis-tools"},
    {"flacdec", {"flac"}, "flac"},
    {"aacdec", {"faad"}, "faad"},
    {"amrdec", {"ffmpeg"}, "ffmpeg"},
    {"shndec", {"ffmpeg"}, "ffmpeg"},
    {"actdec", {"ffmpeg"}, "ffmpeg"},
    {"mp3el", {"lame"}, "lame"},
    {"oggenc", {"oggenc"}, "vorbis-tools"},
    {"flacenc", {"flac"}, "flac"},
    {"aacenc", {"ffmpeg"}, "ffmpeg"},
    {"amrenc", {"sox"}, "sox libopencore-amrnb0"},
};

bool Executable(const std::string& path) { return !path.empty() && ::access(path.c_str(), X_OK) == 0; }

std::string Folder(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string MissingMessage(const std::string& name, const std::string& why) {
    return "Impossible d'installer le composant à installer sur demande \"" + name + "\". " + why;
}

}  // namespace

std::string ComponentSection(const std::string& name) { return "Components/" + name; }

const ComponentNeeds* FindComponentNeeds(const std::string& name) {
    for (const ComponentNeeds& c : kComponents)
        if (name == c.name) return &c;
    return nullptr;
}

bool ComponentPath(const Settings* settings, const std::string& name, std::string& path) {
    if (!settings) return false;
    const std::string section = ComponentSection(name);
    std::optional<std::string> value;
    if (SettingsScope* machine = settings->MachineScope()) value = machine->Get(section, "Path");
    if (!value || value->empty()) value = settings->UserScope().Get(section, "Path");
    if (!value || value->empty()) return false;
    path = *value;
    return true;
}

std::string MissingComponentText(const Settings* settings, const std::string& name) {
    const ComponentNeeds* needs = FindComponentNeeds(name);
    const std::string package = needs ? needs->package : name;
    std::string why;
    std::string path;
    if (!ComponentPath(settings, name, path)) {
        why = "Aucun programme n'est déclaré pour ce composant : réinstallez Sonvela ou indiquez le programme "
              "dans la valeur \"Path\" de la section [" + ComponentSection(name) + "].";
    } else if (!Executable(path)) {
        why = "Le programme \"" + path + "\" est introuvable ou n'est pas exécutable.";
    } else if (needs && Folder(path) == ShippedComponentsFolder()) {
        for (const char* program : needs->programs) {
            if (ProgramAvailable(program)) continue;
            why = std::string("Le programme \"") + program + "\" est introuvable : installez le paquet Debian \"" +
                  package + "\" (sudo apt-get install " + package + ").";
            break;
        }
    }
    return why.empty() ? std::string() : MissingMessage(name, why);
}

int EnsureComponent(Host* host, const Settings* settings, const std::string& name) {
    const std::string text = MissingComponentText(settings, name);
    if (text.empty()) return 0;
    if (host) host->MessageBox(text, "Erreur", MsgIcon::Warning, MsgButtons::Ok);
    return 2;
}

std::string ShippedComponentsFolder() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    buffer[n] = '\0';
    return JoinPath(Folder(buffer), "components");
}

int RegisterShippedComponents(Settings& settings, const std::string& folder) {
    if (folder.empty()) return 0;
    int registered = 0;
    for (const ComponentNeeds& c : kComponents) {
        const std::string shipped = JoinPath(folder, c.name);
        if (!Executable(shipped)) continue;
        std::string named;
        if (ComponentPath(&settings, c.name, named) && Executable(named)) continue;
        if (settings.UserScope().Set(ComponentSection(c.name), "Path", shipped)) ++registered;
    }
    return registered;
}

}  // namespace sv
