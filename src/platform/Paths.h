#pragma once
// Folder and path helpers: the Linux places that stand in for the desktop's shell folders.
#include <cstdint>
#include <string>

namespace sv {

// Longest path text the stored formats and dialogs carry.
constexpr std::size_t kMaxPathChars = 259;

// Joins folder and name with "/" unless the folder is empty or already ends with a separator.
// The result is not cut; callers that keep fixed-size paths use FitsPath to refuse long ones.
std::string JoinPath(const std::string& folder, const std::string& name);

bool FitsPath(const std::string& path);

// $XDG_DATA_HOME, else ~/.local/share.
std::string UserDataHome();
// UserDataHome()/Quillon Acoustics/Sonvela, the product data folder.
std::string ProductDataFolder();
// $TMPDIR, else /tmp.
std::string TempFolder();

// Creates the folder and its missing parents; an existing folder is success.
bool EnsureFolder(const std::string& path);

bool FileExists(const std::string& path);
bool RemoveFile(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
std::int64_t FileSize(const std::string& path);

// Free space for an unprivileged user on the file system holding path, in bytes; -1 when unknown.
std::int64_t FreeSpaceBytes(const std::string& path);

// The part after the last "/" or "\", or the whole text when there is no folder part.
std::string FileNamePart(const std::string& path);
bool HasFolderPart(const std::string& path);

}  // namespace sv
