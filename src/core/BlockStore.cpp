#include "core/BlockStore.h"

#include "platform/Paths.h"
#include "platform/Settings.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstring>

namespace sv {

namespace {

constexpr const char* kRunPrefix = "run-";

bool EndsWith(const char* name, const char* ext) {
    std::size_t n = std::strlen(name), e = std::strlen(ext);
    return n > e && std::strcmp(name + n - e, ext) == 0;
}

std::vector<std::string> Entries(const std::string& folder, bool folders) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* ent = ::readdir(dir)) {
        if (std::strcmp(ent->d_name, ".") == 0 || std::strcmp(ent->d_name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), ent->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode) == folders) names.emplace_back(ent->d_name);
    }
    ::closedir(dir);
    return names;
}

// An exclusive lock on the folder itself, so it needs no lock file; *busy when another open
// of it holds the lock (another process, or another store of this one).
UniqueFd LockFolder(const std::string& folder, bool* busy) {
    *busy = false;
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) return UniqueFd();
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        *busy = errno == EWOULDBLOCK;
        return UniqueFd();
    }
    return fd;
}

// True when the folder at path is the one fd was opened on (not removed and made anew since).
bool StillNamed(const UniqueFd& fd, const std::string& path) {
    struct stat held {}, named {};
    return ::fstat(fd.get(), &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
           held.st_dev == named.st_dev;
}

void RemoveBlockFiles(const std::string& folder) {
    const std::vector<std::string> files = Entries(folder, false);
    for (const char* ext : {".aud", ".grf"}) {
        for (const std::string& name : files)
            if (EndsWith(name.c_str(), ext)) RemoveFile(JoinPath(folder, name));
    }
}

// A private folder holds nothing but its owner's working files.
void RemovePrivateFolder(const std::string& folder) {
    RemoveBlockFiles(folder);
    for (const std::string& name : Entries(folder, false)) RemoveFile(JoinPath(folder, name));
    ::rmdir(folder.c_str());
}

// Private folders whose lock nobody holds belong to editors that no longer run.
void RemoveAbandonedPrivateFolders(const std::string& root, const std::string& own) {
    for (const std::string& name : Entries(root, true)) {
        if (name.compare(0, std::strlen(kRunPrefix), kRunPrefix) != 0) continue;
        const std::string path = JoinPath(root, name);
        if (path == own) continue;
        bool busy = false;
        UniqueFd lock = LockFolder(path, &busy);
        if (lock.valid()) RemovePrivateFolder(path);
    }
}

}  // namespace

BlockStore::BlockStore(std::string workingFolder)
    : chosen_(std::move(workingFolder)), folder_(chosen_), counts_(65536, 0), unlinking_(65536, false) {
    usable_ = !chosen_.empty() && EnsureFolder(chosen_);
    if (usable_) TakeFolder();
}

BlockStore::~BlockStore() {
    if (!folder_.empty()) CleanUp();
}

void BlockStore::TakeFolder() {
    bool busy = false;
    folderLock_ = LockFolder(chosen_, &busy);
    // A file system without locks leaves the folder to whoever uses it, as before locks.
    if (folderLock_.valid() || !busy) return;
    if (!MakePrivateFolder()) usable_ = false;
}

bool BlockStore::MakePrivateFolder() {
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::string pattern = JoinPath(chosen_, std::string(kRunPrefix) + "XXXXXX");
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (!::mkdtemp(name.data())) return false;
        const std::string path(name.data());
        bool busy = false;
        UniqueFd lock = LockFolder(path, &busy);
        // Another editor's clean-up may take a new folder for an abandoned one before it is
        // locked here: then it is gone (or going), and another name is tried.
        if (lock.valid() && StillNamed(lock, path)) {
            folder_ = path;
            folderLock_ = std::move(lock);
            return true;
        }
    }
    return false;
}

void BlockStore::CleanUp() {
    if (SharesWithAnotherEditor()) {
        RemovePrivateFolder(folder_);
        // Leftovers in the working folder itself are abandoned once nobody holds it.
        bool busy = false;
        UniqueFd rootLock = LockFolder(chosen_, &busy);
        if (rootLock.valid()) RemoveBlockFiles(chosen_);
    } else {
        // Holding the working folder, every block file in it is this run's or an earlier one's.
        RemoveBlockFiles(folder_);
    }
    if (usable_) RemoveAbandonedPrivateFolders(chosen_, folder_);
    folderLock_.Reset();
}

static std::string BlockFileName(BlockNumber block, const char* ext) {
    return std::to_string(block) + ext;
}

std::string BlockStore::SampleFilePath(BlockNumber block) const {
    if (block == kSilentBlock) return {};
    return JoinPath(folder_, BlockFileName(block, ".aud"));
}

std::string BlockStore::PeakFilePath(BlockNumber block) const {
    if (block == kSilentBlock) return {};
    return JoinPath(folder_, BlockFileName(block, ".grf"));
}

BlockNumber BlockStore::Allocate() {
    std::lock_guard<std::mutex> guard(lock_);
    // Numbers below the hint are known to be in use, so the scan still finds the lowest free one.
    for (std::uint32_t n = lowestMaybeFree_; n < kSilentBlock; ++n) {
        if (counts_[n] == 0 && !unlinking_[n]) {
            counts_[n] = 1;
            lowestMaybeFree_ = n + 1;
            return static_cast<BlockNumber>(n);
        }
    }
    lowestMaybeFree_ = kSilentBlock;
    return kSilentBlock;
}

void BlockStore::AddReference(BlockNumber block) {
    if (block == kSilentBlock) return;
    std::lock_guard<std::mutex> guard(lock_);
    if (counts_[block] != kSaturatedCount) ++counts_[block];
}

bool BlockStore::DropLocked(BlockNumber block) {
    std::uint16_t& c = counts_[block];
    if (c <= 1) {
        c = 0;
        unlinking_[block] = true;
        return true;
    }
    if (c != kSaturatedCount) --c;
    return false;
}

void BlockStore::Unlink(const std::vector<BlockNumber>& freed) {
    for (BlockNumber b : freed) {
        if (beforeUnlink_) beforeUnlink_(b);
        RemoveFile(SampleFilePath(b));
        RemoveFile(PeakFilePath(b));
    }
    std::lock_guard<std::mutex> guard(lock_);
    for (BlockNumber b : freed) {
        unlinking_[b] = false;
        lowestMaybeFree_ = std::min<std::uint32_t>(lowestMaybeFree_, b);
    }
}

void BlockStore::Release(BlockNumber block) {
    if (block == kSilentBlock) return;
    bool freed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        freed = DropLocked(block);
    }
    if (freed) Unlink({block});
}

void BlockStore::AddReferences(const BlockNumber* blocks, std::size_t count, std::size_t stride) {
    const char* p = reinterpret_cast<const char*>(blocks);
    std::lock_guard<std::mutex> guard(lock_);
    for (std::size_t k = 0; k < count; ++k, p += stride) {
        BlockNumber b = *reinterpret_cast<const BlockNumber*>(p);
        if (b != kSilentBlock && counts_[b] != kSaturatedCount) ++counts_[b];
    }
}

void BlockStore::ReleaseMany(const BlockNumber* blocks, std::size_t count, std::size_t stride) {
    std::vector<BlockNumber> freed;
    const char* p = reinterpret_cast<const char*>(blocks);
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (std::size_t k = 0; k < count; ++k, p += stride) {
            BlockNumber b = *reinterpret_cast<const BlockNumber*>(p);
            if (b != kSilentBlock && DropLocked(b)) freed.push_back(b);
        }
    }
    if (!freed.empty()) Unlink(freed);
}

std::uint16_t BlockStore::Count(BlockNumber block) const {
    std::lock_guard<std::mutex> guard(lock_);
    return counts_[block];
}

std::size_t BlockStore::BlocksInUse() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<std::size_t>(
        std::count_if(counts_.begin(), counts_.begin() + kSilentBlock, [](std::uint16_t c) { return c != 0; }));
}

void BlockStore::FillForTest(BlockNumber first) {
    std::lock_guard<std::mutex> guard(lock_);
    for (std::uint32_t n = first; n < kSilentBlock; ++n)
        if (counts_[n] == 0) counts_[n] = 1;
}

std::string ChooseWorkingFolder(const Settings& settings) {
    std::string folder;
    if (settings.ReadIntSetting("Settings", "UseDefaultWorkingDir", 1) != 0) {
        folder = ProductDataFolder();
    } else {
        folder = settings.ReadSetting("Settings", "WorkingFolder");
        // An unset folder would scatter block files into the current directory.
        if (folder.empty()) folder = ProductDataFolder();
    }
    if (!folder.empty()) EnsureFolder(folder);
    return folder;
}

}  // namespace sv
