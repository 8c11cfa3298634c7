#include "app/DesktopIntegration.h"

#include "platform/ChildProcess.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace sv {

namespace {

// The extensions the editor opens, with the MIME types the shared database gives them.
const std::vector<std::string>& AudioMimeTypes() {
    static const std::vector<std::string> types = {
        "audio/x-wav",   "audio/wav",          "audio/mpeg",         "audio/ogg",
        "audio/x-vorbis+ogg", "audio/x-ms-wma", "audio/x-aiff",      "audio/basic",
        "audio/vnd.rn-realaudio", "audio/x-pn-realaudio", "audio/flac", "audio/aac",
        "audio/x-gsm",   "audio/mp4",          "audio/x-m4a",        "audio/mp2",
        "audio/x-shorten", "application/vnd.ms-asf", "application/vnd.rn-realmedia", "audio/AMR",
        "video/x-msvideo", "video/mpeg",       "video/x-ms-wmv",
    };
    return types;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string* why) {
    // Written beside its place and renamed, so a failed write leaves the previous file whole.
    const std::string temp = path + ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        *why = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fflush(f) == 0) && ok;
    ok = (::fsync(::fileno(f)) == 0) && ok;
    if (!ok) *why = std::strerror(errno);
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        *why = std::strerror(errno);
        ok = false;
    }
    if (!ok) std::remove(temp.c_str());
    return ok;
}

// Runs a cache tool on folder; a missing tool or a failure is reported.
bool RunTool(const std::string& tool, const std::string& folder, std::ostringstream& report) {
    ChildProcess child;
    int err = 0;
    if (!child.Start({tool, folder}, {}, &err)) {
        report << "\"" << tool << "\" ne peut pas être lancé (" << std::strerror(err)
               << ") ; installez le paquet " << (tool == "update-mime-database" ? "shared-mime-info" : "desktop-file-utils")
               << ".\n";
        return false;
    }
    if (!child.Wait(60000)) {
        child.Kill();
        report << "\"" << tool << "\" ne s'est pas terminé.\n";
        return false;
    }
    if (child.ExitCode() != 0) {
        report << "\"" << tool << " " << folder << "\" a échoué (code " << child.ExitCode() << ").\n";
        return false;
    }
    return true;
}

// A folder the install created goes again once it holds nothing but the caches the tools
// derive from the files removed; anything else in it stays.
void RemoveMadeFolder(const std::string& folder) {
    static const char* derived[] = {"mimeinfo.cache", "types", "globs", "globs2", "XMLnamespaces", "treemagic",
                                    "magic", "mime.cache", "subclasses", "icons", "version", "generic-icons",
                                    "aliases"};
    ::rmdir(JoinPath(folder, "packages").c_str());
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    bool foreign = false;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool known = false;
        for (const char* d : derived) known = known || name == d;
        // The per-type folders the MIME tool leaves behind empty.
        known = known || ::rmdir(JoinPath(folder, name).c_str()) == 0;
        foreign = foreign || !known;
    }
    ::closedir(dir);
    if (foreign) return;
    for (const char* d : derived) ::unlink(JoinPath(folder, d).c_str());
    ::rmdir(folder.c_str());
}

std::string Applications(const DesktopInstall& w) { return JoinPath(w.dataHome, "applications"); }
std::string MimeFolder(const DesktopInstall& w) { return JoinPath(w.dataHome, "mime"); }

}  // namespace

std::string DesktopExecArgument(const std::string& arg) {
    static const char* reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    const bool quote = arg.empty() || arg.find_first_of(reserved) != std::string::npos;
    if (quote) out += '"';
    for (char c : arg) {
        if (c == '%') {
            out += "%%";
        } else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) {
            // The quoting backslash, itself escaped for the key file.
            out += "\\\\";
            out += c == '\\' ? "\\\\" : std::string(1, c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    if (quote) out += '"';
    return out;
}

std::vector<std::string> EditorMimeTypes() {
    std::vector<std::string> types = AudioMimeTypes();
    types.push_back(kProjectMimeType);
    return types;
}

std::string DesktopFileText(const std::string& programPath) {
    const std::string exec = DesktopExecArgument(programPath);
    std::ostringstream out;
    out << "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Sonvela\n"
           "GenericName=Éditeur de sons\n"
           "Comment=Enregistrer, modifier et convertir des sons\n"
           "Exec=" << exec << " %F\n"
           "Terminal=false\n"
           "Categories=AudioVideo;Audio;AudioVideoEditing;\n"
           "MimeType=";
    for (const std::string& t : EditorMimeTypes()) out << t << ';';
    out << "\n"
           "Actions=edit;batch;\n"
           "\n"
           "[Desktop Action edit]\n"
           "Name=Editer avec Sonvela\n"
           "Exec=" << exec << " %F\n"
           "\n"
           "[Desktop Action batch]\n"
           "Name=Convertir le Lot avec Sonvela\n"
           "Exec=" << exec << " -batch %f\n";
    return out.str();
}

std::string ProjectMimeText() {
    return std::string(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           kProjectMimeType +
           "\">\n"
           "    <comment>Sonvela project</comment>\n"
           "    <comment xml:lang=\"fr\">Projet Sonvela</comment>\n"
           "    <glob pattern=\"*.svp\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string DesktopManifestPath(const std::string& dataHome) {
    return JoinPath(JoinPath(dataHome, "Quillon Acoustics/Sonvela"), "desktop-install.txt");
}

bool InstallDesktopIntegration(const DesktopInstall& where, const std::string& programPath, std::string* report) {
    std::ostringstream out;
    const std::string desktop = JoinPath(Applications(where), kDesktopFileName);
    const std::string mime = JoinPath(JoinPath(MimeFolder(where), "packages"), kMimePackageName);
    const std::string manifest = DesktopManifestPath(where.dataHome);
    std::string why;
    // Folders this install brings into being are noted, so the removal can take them away too.
    std::string made;
    for (const std::string& folder : {Applications(where), MimeFolder(where)})
        if (!FileExists(folder)) made += "folder " + folder + "\n";
    for (const std::string& folder : {Applications(where), JoinPath(MimeFolder(where), "packages"),
                                      JoinPath(where.dataHome, "Quillon Acoustics/Sonvela")}) {
        if (!EnsureFolder(folder)) {
            out << "Le dossier \"" << folder << "\" ne peut pas être créé.\n";
            *report = out.str();
            return false;
        }
    }
    // The manifest first: whatever is written after it can be removed again.
    if (!WriteTextFile(manifest, made + desktop + "\n" + mime + "\n", &why)) {
        out << "\"" << manifest << "\" ne peut pas être écrit (" << why << ").\n";
        *report = out.str();
        return false;
    }
    bool ok = true;
    if (WriteTextFile(desktop, DesktopFileText(programPath), &why))
        out << "Installé : " << desktop << "\n";
    else
        ok = false, out << "\"" << desktop << "\" ne peut pas être écrit (" << why << ").\n";
    if (WriteTextFile(mime, ProjectMimeText(), &why))
        out << "Installé : " << mime << "\n";
    else
        ok = false, out << "\"" << mime << "\" ne peut pas être écrit (" << why << ").\n";
    ok = RunTool(where.updateMimeDatabase, MimeFolder(where), out) && ok;
    ok = RunTool(where.updateDesktopDatabase, Applications(where), out) && ok;
    *report = out.str();
    return ok;
}

bool RemoveDesktopIntegration(const DesktopInstall& where, std::string* report) {
    std::ostringstream out;
    const std::string manifest = DesktopManifestPath(where.dataHome);
    std::ifstream in(manifest);
    if (!in) {
        *report = "Rien à retirer : Sonvela n'a pas été installé pour cet utilisateur.\n";
        return true;
    }
    bool ok = true;
    std::string line;
    std::vector<std::string> madeFolders;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.compare(0, 7, "folder ") == 0) {
            madeFolders.push_back(line.substr(7));
            continue;
        }
        if (::unlink(line.c_str()) == 0)
            out << "Retiré : " << line << "\n";
        else if (errno != ENOENT)
            ok = false, out << "\"" << line << "\" ne peut pas être retiré (" << std::strerror(errno) << ").\n";
    }
    in.close();
    if (ok && ::unlink(manifest.c_str()) != 0) ok = false;
    ok = RunTool(where.updateMimeDatabase, MimeFolder(where), out) && ok;
    ok = RunTool(where.updateDesktopDatabase, Applications(where), out) && ok;
    for (const std::string& folder : madeFolders) RemoveMadeFolder(folder);
    *report = out.str();
    return ok;
}

}  // namespace sv
