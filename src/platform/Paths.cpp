#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace sv {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

bool FitsPath(const std::string& path) { return path.size() <= kMaxPathChars; }

static std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
    return fallback;
}

std::string UserDataHome() {
    const char* home = std::getenv("HOME");
    std::string def = std::string(home && *home ? home : "/tmp") + "/.local/share";
    return EnvOr("XDG_DATA_HOME", def);
}

std::string ProductDataFolder() {
    return JoinPath(JoinPath(UserDataHome(), "Quillon Acoustics"), "Sonvela");
}

std::string TempFolder() { return EnvOr("TMPDIR", "/tmp"); }

bool EnsureFolder(const std::string& path) {
    if (path.empty()) return false;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    std::string::size_type cut = path.find_last_of('/');
    if (cut != std::string::npos && cut > 0) {
        if (!EnsureFolder(path.substr(0, cut))) return false;
    }
    if (::mkdir(path.c_str(), 0755) == 0) return true;
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::int64_t FileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t FreeSpaceBytes(const std::string& path) {
    struct statvfs vs {};
    if (::statvfs(path.c_str(), &vs) != 0) return -1;
    return static_cast<std::int64_t>(vs.f_bavail) * static_cast<std::int64_t>(vs.f_frsize);
}

std::string FileNamePart(const std::string& path) {
    std::string::size_type cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool HasFolderPart(const std::string& path) { return path.find_last_of("/\\") != std::string::npos; }

}  // namespace sv
