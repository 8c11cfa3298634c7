#pragma once
// The audio block store: numbered pairs of files ("%d.aud" samples, "%d.grf" peaks) and the
// process-wide table that counts the segments pointing into each block. A block's files are
// deleted when its last reference is released, and the store's block files are deleted when it
// is destroyed at exit.
//
// Several running editors may share one working folder. The first to start locks the folder
// and keeps its blocks there; one that finds the folder locked keeps its blocks in a private,
// locked sub-folder "run-XXXXXX" instead, so no editor overwrites or deletes another's blocks.
// Clean-up removes this store's own blocks and those that processes no longer running left
// behind (block files in the working folder itself only when no live editor holds it).
#include "platform/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace sv {

class Settings;

using BlockNumber = std::uint16_t;
constexpr BlockNumber kSilentBlock = 65535;
constexpr std::uint16_t kSaturatedCount = 65535;
constexpr std::int32_t kUnityGain = 16777216;
constexpr std::int32_t kPeakGroupFrames = 256;

class BlockStore {
public:
    // The folder is created if missing; Usable() tells whether that worked.
    explicit BlockStore(std::string workingFolder);
    // Deletes this store's "*.aud" then "*.grf" files, with the leftovers of runs that ended
    // abnormally (see above).
    ~BlockStore();
    BlockStore(const BlockStore&) = delete;
    BlockStore& operator=(const BlockStore&) = delete;

    // Where this process keeps its block files (and other private working files): the working
    // folder chosen, or its private sub-folder when another editor holds that one.
    const std::string& WorkingFolder() const { return folder_; }
    const std::string& ChosenFolder() const { return chosen_; }
    bool SharesWithAnotherEditor() const { return folder_ != chosen_; }
    bool Usable() const { return usable_; }

    // Empty for the silent block.
    std::string SampleFilePath(BlockNumber block) const;
    std::string PeakFilePath(BlockNumber block) const;

    // Lowest free number with its count set to 1, or kSilentBlock when all are in use.
    BlockNumber Allocate();
    void AddReference(BlockNumber block);
    // At the last reference the block's two files are deleted, after the lock is left; the
    // number is handed out again only once both files are gone.
    void Release(BlockNumber block);
    // The same for many blocks under one taking of the lock (a list copied or freed whole).
    void AddReferences(const BlockNumber* blocks, std::size_t count, std::size_t stride);
    void ReleaseMany(const BlockNumber* blocks, std::size_t count, std::size_t stride);
    std::uint16_t Count(BlockNumber block) const;
    std::size_t BlocksInUse() const;

    // For tests of the exhausted table: marks every number from first on as in use.
    void FillForTest(BlockNumber first);
    // For tests: called for each freed block between leaving the lock and deleting its files.
    void SetBeforeUnlinkForTest(std::function<void(BlockNumber)> hook) { beforeUnlink_ = std::move(hook); }

private:
    void TakeFolder();
    bool MakePrivateFolder();
    void CleanUp();
    // Decrements under the lock; true when the block's files must now be deleted.
    bool DropLocked(BlockNumber block);
    // Deletes the files of freed blocks, then makes their numbers free.
    void Unlink(const std::vector<BlockNumber>& freed);

    std::string chosen_;
    std::string folder_;
    UniqueFd folderLock_;
    bool usable_ = false;
    mutable std::mutex lock_;
    std::vector<std::uint16_t> counts_;
    // Numbers whose count reached 0 but whose files are still being deleted.
    std::vector<bool> unlinking_;
    std::uint32_t lowestMaybeFree_ = 0;
    std::function<void(BlockNumber)> beforeUnlink_;
};

// The working folder the settings choose: the product data folder when "UseDefaultWorkingDir"
// is set (the default), else "WorkingFolder" as given. The folder is created.
std::string ChooseWorkingFolder(const Settings& settings);

}  // namespace sv
