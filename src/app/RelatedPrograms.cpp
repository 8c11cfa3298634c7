#include "app/RelatedPrograms.h"

#include "platform/ChildProcess.h"
#include "platform/Paths.h"

#include <cstdlib>
#include <dirent.h>
#include <set>
#include <sstream>

namespace sv {

std::vector<RelatedProgram> FindRelatedPrograms(std::function<bool(const std::string&)> found) {
    if (!found) found = [](const std::string& p) { return ProgramAvailable(p); };
    std::vector<RelatedProgram> list = {
        {"Codeur MP3", "lame", "lame"},
        {"Codeur et décodeur FLAC", "flac", "flac"},
        {"Codeur Ogg Vorbis", "oggenc", "vorbis-tools"},
        {"Décodeur Ogg Vorbis", "oggdec", "vorbis-tools"},
        {"Décodeur AAC", "faad", "faad"},
        {"Décodeur des médias et vidéos", "ffmpeg", "ffmpeg"},
        {"Graveur de CD", "cdrskin", "cdrskin"},
        {"Graveur de CD (autre)", "wodim", "wodim"},
        {"Synthèse vocale", "espeak-ng", "espeak-ng"},
        {"Générateur de tonalité (Sinetta Generator)", "sinetta", ""},
        {"Ouverture des pages et du guide", "xdg-open", "xdg-utils"},
    };
    for (RelatedProgram& p : list) p.installed = found(p.program);
    return list;
}

int CountLv2Bundles() {
    std::string paths;
    if (const char* env = std::getenv("LV2_PATH"); env && *env) {
        paths = env;
    } else {
        const char* home = std::getenv("HOME");
        paths = std::string(home ? home : "") + "/.lv2:/usr/local/lib/lv2:/usr/lib/lv2:/usr/lib/x86_64-linux-gnu/lv2";
    }
    std::set<std::string> seen;
    std::stringstream folders(paths);
    std::string folder;
    int count = 0;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty() || !seen.insert(folder).second) continue;
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) continue;
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lv2") == 0) ++count;
        }
        ::closedir(dir);
    }
    return count;
}

std::string RelatedProgramsText(const std::vector<RelatedProgram>& programs, int lv2Bundles) {
    std::ostringstream out;
    out << "Programmes installés :\n";
    bool any = false;
    for (const RelatedProgram& p : programs) {
        if (!p.installed) continue;
        out << "  " << p.role << " : " << p.program << "\n";
        any = true;
    }
    if (!any) out << "  (aucun)\n";
    out << "  Greffons LV2 : " << lv2Bundles << " trouvé" << (lv2Bundles > 1 ? "s" : "") << "\n";
    std::set<std::string> packages;
    std::ostringstream missing;
    for (const RelatedProgram& p : programs) {
        if (p.installed) continue;
        missing << "  " << p.role << " : " << p.program << " - ";
        if (p.package.empty()) {
            missing << "aucun paquet Debian\n";
        } else {
            missing << "paquet Debian " << p.package << "\n";
            packages.insert(p.package);
        }
    }
    if (lv2Bundles == 0) {
        missing << "  Greffons LV2 : par exemple le paquet Debian swh-lv2\n";
        packages.insert("swh-lv2");
    }
    if (!missing.str().empty()) {
        out << "\nProgrammes manquants :\n" << missing.str();
        if (!packages.empty()) {
            out << "\nPour les installer :\n  sudo apt install";
            for (const std::string& p : packages) out << " " << p;
            out << "\n";
        }
    }
    return out.str();
}

std::string AboutText(const std::string& version, const std::vector<std::string>& libraries,
                      const std::vector<RelatedProgram>& programs) {
    std::ostringstream out;
    out << "Sonvela " << version << "\nÉditeur de sons.\n© Quillon Acoustics\n\nComposants :\n";
    for (const std::string& lib : libraries) out << "  " << lib << "\n";
    for (const RelatedProgram& p : programs)
        if (p.installed) out << "  " << p.program << " (" << p.role << ")\n";
    return out.str();
}

}  // namespace sv
