#pragma once
// The editor's place in the desktop: a .desktop file whose actions are the two verbs ("Editer
// avec Sonvela", "Convertir le Lot avec Sonvela") and whose MIME types are those of the
// editor's extensions, and a shared-mime-info type for projects (".svp"). Installed for the
// user under $XDG_DATA_HOME; the removal takes away exactly the files the install wrote, as
// recorded in its manifest.
#include <string>
#include <vector>

namespace sv {

constexpr const char* kDesktopFileName = "quillon-sonvela.desktop";
constexpr const char* kMimePackageName = "quillon-sonvela.xml";
constexpr const char* kProjectMimeType = "application/x-sonvela-project";

// One argument of an Exec line: quoted and escaped as desktop entries require (the key-file
// backslash escape included), "%" doubled.
std::string DesktopExecArgument(const std::string& arg);

// The text of the .desktop file for the program at programPath.
std::string DesktopFileText(const std::string& programPath);
// The shared-mime-info package that names ".svp" files.
std::string ProjectMimeText();
// The MIME types of the editor's extensions, the project type last.
std::vector<std::string> EditorMimeTypes();

struct DesktopInstall {
    std::string dataHome;  // $XDG_DATA_HOME, else ~/.local/share
    // The cache tools; tests may point them elsewhere.
    std::string updateDesktopDatabase = "update-desktop-database";
    std::string updateMimeDatabase = "update-mime-database";
};

// Writes the files, records them in the manifest, refreshes the desktop and MIME caches. False
// when a file could not be written or a cache tool failed; *report says what was done or went
// wrong, line by line.
bool InstallDesktopIntegration(const DesktopInstall& where, const std::string& programPath, std::string* report);
// Removes the files the manifest names (and the manifest), then refreshes the caches.
bool RemoveDesktopIntegration(const DesktopInstall& where, std::string* report);

// The manifest of what the install wrote.
std::string DesktopManifestPath(const std::string& dataHome);

}  // namespace sv
