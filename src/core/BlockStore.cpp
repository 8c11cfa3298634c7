#include "core/BlockStore.h"

#include "platform/Paths.h"
#include "platform/Settings.h"

#include <dirent.h>
#include <algorithm>
#include <cstring>

namespace sv {

BlockStore::BlockStore(std::string workingFolder)
    : folder_(std::move(workingFolder)), counts_(65536, 0) {
    usable_ = !folder_.empty() && EnsureFolder(folder_);
}

BlockStore::~BlockStore() {
    if (!folder_.empty()) CleanUpFolder();
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
        if (counts_[n] == 0) {
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
        lowestMaybeFree_ = std::min<std::uint32_t>(lowestMaybeFree_, block);
        return true;
    }
    if (c != kSaturatedCount) --c;
    return false;
}

void BlockStore::Release(BlockNumber block) {
    if (block == kSilentBlock) return;
    bool freed;
    {
        std::lock_guard<std::mutex> guard(lock_);
        freed = DropLocked(block);
    }
    if (freed) {
        RemoveFile(SampleFilePath(block));
        RemoveFile(PeakFilePath(block));
    }
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
    for (BlockNumber b : freed) {
        RemoveFile(SampleFilePath(b));
        RemoveFile(PeakFilePath(b));
    }
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

static bool EndsWith(const char* name, const char* ext) {
    std::size_t n = std::strlen(name), e = std::strlen(ext);
    return n > e && std::strcmp(name + n - e, ext) == 0;
}

void BlockStore::CleanUpFolder() const {
    for (const char* ext : {".aud", ".grf"}) {
        DIR* dir = ::opendir(folder_.c_str());
        if (!dir) return;
        std::vector<std::string> names;
        while (dirent* ent = ::readdir(dir)) {
            if (EndsWith(ent->d_name, ext)) names.emplace_back(ent->d_name);
        }
        ::closedir(dir);
        for (const std::string& name : names) RemoveFile(JoinPath(folder_, name));
    }
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
