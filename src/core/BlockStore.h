#pragma once
// The audio block store: numbered pairs of files in the working folder ("%d.aud" samples,
// "%d.grf" peaks) and the process-wide table that counts the segments pointing into each
// block. A block's files are deleted when its last reference is released, and every block
// file left in the folder is deleted when the store is destroyed at exit.
#include <cstdint>
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
    // Deletes every "*.aud" then every "*.grf" file in the working folder, including
    // leftovers of an earlier run that ended abnormally.
    ~BlockStore();
    BlockStore(const BlockStore&) = delete;
    BlockStore& operator=(const BlockStore&) = delete;

    const std::string& WorkingFolder() const { return folder_; }
    bool Usable() const { return usable_; }

    // Empty for the silent block.
    std::string SampleFilePath(BlockNumber block) const;
    std::string PeakFilePath(BlockNumber block) const;

    // Lowest free number with its count set to 1, or kSilentBlock when all are in use.
    BlockNumber Allocate();
    void AddReference(BlockNumber block);
    // At the last reference the block's two files are deleted, after the lock is left.
    void Release(BlockNumber block);
    // The same for many blocks under one taking of the lock (a list copied or freed whole).
    void AddReferences(const BlockNumber* blocks, std::size_t count, std::size_t stride);
    void ReleaseMany(const BlockNumber* blocks, std::size_t count, std::size_t stride);
    std::uint16_t Count(BlockNumber block) const;
    std::size_t BlocksInUse() const;

    // For tests of the exhausted table: marks every number from first on as in use.
    void FillForTest(BlockNumber first);

private:
    void CleanUpFolder() const;
    // Decrements under the lock; true when the block's files must now be deleted.
    bool DropLocked(BlockNumber block);

    std::string folder_;
    bool usable_ = false;
    mutable std::mutex lock_;
    std::vector<std::uint16_t> counts_;
    std::uint32_t lowestMaybeFree_ = 0;
};

// The working folder the settings choose: the product data folder when "UseDefaultWorkingDir"
// is set (the default), else "WorkingFolder" as given. The folder is created.
std::string ChooseWorkingFolder(const Settings& settings);

}  // namespace sv
