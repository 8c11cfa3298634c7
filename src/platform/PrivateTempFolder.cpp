#include "platform/PrivateTempFolder.h"

#include "platform/Paths.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace sv {

namespace {

// Empties the folder open as fd (which this takes over); every step names entries relative to
// an open folder, so a folder swapped for a link on the way is not followed either.
bool EmptyOpenFolder(int fd) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return false;
    }
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names.emplace_back(entry->d_name);
    }
    bool ok = true;
    const int at = ::dirfd(dir);
    for (const std::string& name : names) {
        struct stat st {};
        if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            ok = false;
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            int sub = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !EmptyOpenFolder(sub)) ok = false;
            if (::unlinkat(at, name.c_str(), AT_REMOVEDIR) != 0) ok = false;
        } else if (::unlinkat(at, name.c_str(), 0) != 0) {
            ok = false;
        }
    }
    ::closedir(dir);
    return ok;
}

}  // namespace

bool EmptyFolderNoFollow(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 && EmptyOpenFolder(fd);
}

PrivateTempFolder PrivateTempFolder::Create(const std::string& stem) {
    PrivateTempFolder folder;
    // A relative temporary folder would put (and later empty) the folder wherever the editor
    // happens to run.
    if (TempFolder().empty() || TempFolder()[0] != '/') return folder;
    std::string pattern = JoinPath(TempFolder(), "sonvela-" + stem + "-XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) return folder;
    folder.path_ = name.data();
    return folder;
}

PrivateTempFolder::PrivateTempFolder(PrivateTempFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

PrivateTempFolder& PrivateTempFolder::operator=(PrivateTempFolder&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

PrivateTempFolder::~PrivateTempFolder() { Remove(); }

std::string PrivateTempFolder::File(const std::string& name) const { return JoinPath(path_, name); }

void PrivateTempFolder::Remove() {
    if (path_.empty()) return;
    EmptyFolderNoFollow(path_);
    ::rmdir(path_.c_str());
    path_.clear();
}

}  // namespace sv
