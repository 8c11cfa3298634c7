#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sv {
namespace {

std::vector<unsigned char> Bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(BlockStore, FirstBlockIsNumberZeroWithItsTwoFiles) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData sound = test::MakeRamp(store, 10);
    ASSERT_EQ(sound.Segments().size(), 1u);
    EXPECT_EQ(sound.Segments()[0].block, 0);
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"0.aud", "0.grf"}));
    EXPECT_EQ(store.SampleFilePath(17), dir.path() + "/17.aud");
    EXPECT_EQ(store.PeakFilePath(kSilentBlock), "");
}

TEST(BlockStore, ThousandStereoFramesMakeEightThousandSampleBytesAndEightPeakBytes) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    std::vector<std::int32_t> s(2000);
    for (std::size_t k = 0; k < s.size(); ++k) s[k] = (k % 2 == 0) ? 524272 : -524272;
    LAudioData sound = test::MakeSound(store, s, 2);
    EXPECT_EQ(FileSize(dir.File("0.aud")), 8000);
    // Three full groups of 256 frames and one of 232, two channels, two bytes each.
    std::vector<unsigned char> peaks = Bytes(dir.File("0.grf"));
    ASSERT_EQ(peaks.size(), 16u);
    for (std::size_t g = 0; g < 4; ++g) {
        EXPECT_EQ(peaks[g * 4 + 0], 255) << g;  // left maximum
        EXPECT_EQ(peaks[g * 4 + 1], 0) << g;    // left is all positive
        EXPECT_EQ(peaks[g * 4 + 2], 0) << g;    // right is all negative
        EXPECT_EQ(peaks[g * 4 + 3], 255) << g;  // right minimum magnitude
    }
}

TEST(BlockStore, LastPeakGroupIsWrittenOnlyWhenTheWriterFinishes) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData sound;
    Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, 44100, 1);
    std::vector<std::int32_t> s(300, 4096 * 16);
    w->Write(s.data(), 300);
    EXPECT_TRUE(sound.Empty());  // the target gets its segment only at the end
    EXPECT_TRUE(w->Finish());
    EXPECT_EQ(Bytes(dir.File("0.grf")).size(), 4u);  // two groups: 256 + 44 frames
    EXPECT_EQ(sound.Length(), 300);
}

TEST(BlockStore, PeakBytesShiftByElevenBitsAndCap) {
    EXPECT_EQ(PeakByte(2047), 0);
    EXPECT_EQ(PeakByte(2048), 1);
    EXPECT_EQ(PeakByte(524272), 255);
    EXPECT_EQ(PeakByte(2147483647), 255);
    test::TempFolder dir;
    BlockStore store(dir.path());
    std::vector<std::int32_t> quiet(256);
    for (std::size_t k = 0; k < quiet.size(); ++k) quiet[k] = (k % 2) ? 2047 : -2047;
    LAudioData sound = test::MakeSound(store, quiet);
    EXPECT_EQ(Bytes(dir.File("0.grf")), (std::vector<unsigned char>{0, 0}));
}

TEST(BlockStore, MostNegativeSampleGivesFullPeakWithoutOverflow) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData sound = test::MakeSound(store, {-2147483647 - 1, 5});
    EXPECT_EQ(Bytes(dir.File("0.grf")), (std::vector<unsigned char>{0, 255}));
}

TEST(BlockStore, SharedBlockIsDeletedWithItsLastReferenceAndItsNumberReused) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    auto first = std::make_unique<LAudioData>(test::MakeRamp(store, 100));
    auto second = std::make_unique<LAudioData>(*first);
    EXPECT_EQ(store.Count(0), 2);
    first.reset();
    EXPECT_TRUE(FileExists(dir.File("0.aud")));
    EXPECT_TRUE(FileExists(dir.File("0.grf")));
    second.reset();
    EXPECT_FALSE(FileExists(dir.File("0.aud")));
    EXPECT_FALSE(FileExists(dir.File("0.grf")));
    EXPECT_EQ(store.Count(0), 0);
    EXPECT_EQ(store.Allocate(), 0);
}

TEST(BlockStore, SaturatedCountKeepsTheBlockUntilExit) {
    test::TempFolder dir;
    {
        BlockStore store(dir.path());
        LAudioData sound = test::MakeRamp(store, 10);
        for (int k = 0; k < 70000; ++k) store.AddReference(0);
        EXPECT_EQ(store.Count(0), 65535);
        for (int k = 0; k < 70000; ++k) store.Release(0);
        EXPECT_EQ(store.Count(0), 65535);
        EXPECT_TRUE(FileExists(dir.File("0.aud")));
    }
    EXPECT_FALSE(FileExists(dir.File("0.aud")));
}

TEST(BlockStore, ExitRemovesThisRunsFilesAndLeftoversOfAnEarlierRun) {
    test::TempFolder dir;
    for (const char* name : {"5.aud", "5.grf", "notes.txt"}) std::ofstream(dir.File(name)) << "x";
    {
        BlockStore store(dir.path());
        LAudioData kept = test::MakeRamp(store, 10);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"0.aud", "0.grf", "5.aud", "5.grf", "notes.txt"}));
        // The store goes while a sound still points into it, as at a crash-free exit.
        kept = LAudioData();
    }
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"notes.txt"}));
}

TEST(BlockStore, ExhaustedNumbersFailTheWriterAndLeaveTheTargetAsItWas) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData target = test::MakeRamp(store, 50);
    store.FillForTest(0);
    EXPECT_EQ(store.Allocate(), kSilentBlock);
    Ref<LBlockWriter> w = LBlockWriter::Create(store, target, 44100, 1);
    std::vector<std::int32_t> s(100, 7);
    w->Write(s.data(), 100);
    EXPECT_FALSE(w->Finish());
    EXPECT_TRUE(w->error);
    EXPECT_NE(w->errorText.find("tous les numéros de bloc sont utilisés"), std::string::npos);
    EXPECT_EQ(target.Length(), 50);
    EXPECT_EQ(test::ReadFrames(target, 49, 1)[0], 49 * 16);
}

TEST(BlockStore, UnwritableFolderFailsTheWriterWithTheReasonAndLeavesNoFiles) {
    test::TempFolder dir;
    // A folder path under a regular file can never be created.
    std::ofstream(dir.File("file")) << "x";
    BlockStore blocked(dir.File("file") + "/blocks");
    EXPECT_FALSE(blocked.Usable());
    LAudioData target;
    Ref<LBlockWriter> w = LBlockWriter::Create(blocked, target, 44100, 2);
    std::vector<std::int32_t> s(64, 1);
    w->Write(s.data(), 32);
    EXPECT_FALSE(w->Finish());
    EXPECT_NE(w->errorText.find("Impossible de créer le fichier temporaire"), std::string::npos);
    EXPECT_TRUE(target.Empty());
    w = nullptr;
    EXPECT_EQ(blocked.Count(0), 0);  // the number is free again
}

TEST(BlockStore, FullDiskFailsTheWriterInsteadOfKeepingSilence) {
    if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    test::TempFolder dir;
    BlockStore store(dir.path());
    // Point block 0's sample file at a device that is always full.
    ASSERT_EQ(::symlink("/dev/full", dir.File("0.aud").c_str()), 0);
    LAudioData target = LAudioData(44100, 1);
    Ref<LBlockWriter> w = LBlockWriter::Create(store, target, 44100, 1);
    std::vector<std::int32_t> s(8192, 3);
    for (int k = 0; k < 40; ++k) w->Write(s.data(), 8192);
    EXPECT_FALSE(w->Finish());
    EXPECT_NE(w->errorText.find("le disque est plein"), std::string::npos);
    EXPECT_TRUE(target.Empty());
}

TEST(BlockStore, ASoundWrittenIntoSpaceSetAsideReadsBackAndGivesBackWhatItDidNotUse) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData sound;
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, 44100, 2);
        // Space for a minute is set aside; 100 x 8,192 frames (6.5 MB) come.
        w->Reserve(60 * 44100);
        std::vector<std::int32_t> s(2 * 8192);
        for (int k = 0; k < 100; ++k) {
            for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(k * 1000 + i % 997);
            w->Write(s.data(), 8192);
        }
        ASSERT_TRUE(w->Finish());
    }
    ASSERT_EQ(sound.Length(), 819200);
    EXPECT_EQ(test::ReadFrames(sound, 8192 * 57 + 10, 1), (std::vector<std::int32_t>{57020, 57021}));
    EXPECT_EQ(test::ReadFrames(sound, 819199, 1), (std::vector<std::int32_t>{99430, 99431}));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("0.aud").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 819200 * 8);
    // 10.6 MB were set aside; no more than the samples' 6.5 MB (and a little) stays taken.
    EXPECT_LT(static_cast<std::int64_t>(st.st_blocks) * 512, 819200 * 8 + (1 << 20));
}

TEST(BlockStore, TruncateRewritesFromTheGivenFrame) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    LAudioData sound;
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, 8000, 1);
        std::vector<std::int32_t> a(600, 100 * 2048), b(100, 7 * 2048);
        w->Write(a.data(), 600);
        w->Truncate(300);
        w->Write(b.data(), 100);
    }
    EXPECT_EQ(sound.Length(), 400);
    auto frames = test::ReadFrames(sound, 298, 4);
    EXPECT_EQ(frames, (std::vector<std::int32_t>{100 * 2048, 100 * 2048, 7 * 2048, 7 * 2048}));
    // Group 1 (frames 256..511) was restarted at frame 300: only the new samples count.
    std::vector<unsigned char> peaks = Bytes(dir.File("0.grf"));
    ASSERT_GE(peaks.size(), 4u);
    EXPECT_EQ(peaks[0], 100);
    EXPECT_EQ(peaks[2], 7);
}

TEST(BlockStore, ABlockFileSomeoneHoldsIsNeitherTruncatedNorTaken) {
    test::TempFolder dir;
    std::ofstream(dir.File("0.aud")) << "live samples";
    UniqueFd other(::open(dir.File("0.aud").c_str(), O_RDONLY));
    ASSERT_EQ(::flock(other.get(), LOCK_SH), 0);
    int err = 0;
    EXPECT_FALSE(UniqueFd::CreateExclusive(dir.File("0.aud"), &err).valid());
    EXPECT_EQ(err, EWOULDBLOCK);
    EXPECT_EQ(FileSize(dir.File("0.aud")), 12);
}

TEST(BlockStore, ALeftoverBlockFileIsEmptiedWhenItsNumberIsTakenAndANewOneStartsEmpty) {
    test::TempFolder dir;
    std::ofstream(dir.File("0.aud")) << "samples of an earlier run";
    int err = 0;
    UniqueFd leftover = UniqueFd::CreateExclusive(dir.File("0.aud"), &err);
    ASSERT_TRUE(leftover.valid()) << err;
    EXPECT_EQ(FileSize(dir.File("0.aud")), 0);
    UniqueFd fresh = UniqueFd::CreateExclusive(dir.File("1.aud"), &err);
    ASSERT_TRUE(fresh.valid()) << err;
    EXPECT_EQ(FileSize(dir.File("1.aud")), 0);
}

TEST(BlockStore, AReleasedNumberIsHandedOutOnlyAfterItsFilesAreGone) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    auto sound = std::make_unique<LAudioData>(test::MakeRamp(store, 10));
    std::vector<BlockNumber> duringUnlink;
    store.SetBeforeUnlinkForTest([&](BlockNumber) {
        // Another thread allocating here (the recorder) must not get the number being deleted.
        duringUnlink.push_back(store.Allocate());
    });
    sound.reset();
    EXPECT_EQ(duringUnlink, (std::vector<BlockNumber>{1}));
    store.SetBeforeUnlinkForTest(nullptr);
    EXPECT_EQ(store.Allocate(), 0);
    // The same for a list freed whole.
    std::vector<BlockNumber> many{0, 1};
    store.SetBeforeUnlinkForTest([&](BlockNumber) { duringUnlink.push_back(store.Allocate()); });
    store.ReleaseMany(many.data(), many.size(), sizeof(BlockNumber));
    EXPECT_EQ(duringUnlink, (std::vector<BlockNumber>{1, 2, 3}));
    store.SetBeforeUnlinkForTest(nullptr);
    EXPECT_EQ(store.Allocate(), 0);
}

// Another editor in a child process on the same working folder: it makes a 300-frame ramp
// block, says whether it got a private folder ('g') or the folder itself ('o'), then on 'q'
// checks its sound and quits normally, on 'k' dies without any clean-up.
class OtherEditor {
public:
    explicit OtherEditor(const std::string& folder) {
        if (::pipe(up_) != 0 || ::pipe(down_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) RunChild(folder);
        ::close(up_[1]);
        ::close(down_[0]);
    }
    ~OtherEditor() {
        if (pid_ > 0) Finish('k');
    }
    char Ready() {
        char c = 0;
        return ::read(up_[0], &c, 1) == 1 ? c : 0;
    }
    // The child's exit status: 0 when its own sound was intact to the end.
    int Finish(char how) {
        [[maybe_unused]] ssize_t n = ::write(down_[1], &how, 1);
        int status = -1;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        ::close(up_[0]);
        ::close(down_[1]);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
    }

private:
    [[noreturn]] void RunChild(const std::string& folder) {
        ::close(up_[0]);
        ::close(down_[1]);
        auto* store = new BlockStore(folder);
        auto* sound = new LAudioData(test::MakeRamp(*store, 300));
        const char kind = store->SharesWithAnotherEditor() ? 'g' : 'o';
        [[maybe_unused]] ssize_t n = ::write(up_[1], &kind, 1);
        char how = 'k';
        n = ::read(down_[0], &how, 1);
        if (how != 'q') ::_exit(0);
        const bool intact = test::ReadFrames(*sound, 299, 1) == std::vector<std::int32_t>{299 * 16};
        delete sound;
        delete store;
        ::_exit(intact ? 0 : 1);
    }

    pid_t pid_ = -1;
    int up_[2] = {-1, -1};
    int down_[2] = {-1, -1};
};

TEST(BlockStore, TwoEditorsOnOneFolderKeepEachOthersBlocksWhicheverQuitsFirst) {
    test::TempFolder dir;
    {
        BlockStore store(dir.path());
        LAudioData mine = test::MakeRamp(store, 1000);
        OtherEditor second(dir.path());
        ASSERT_EQ(second.Ready(), 'g');
        ASSERT_EQ(dir.List().size(), 3u);  // 0.aud, 0.grf and the other's private folder
        EXPECT_EQ(second.Finish('q'), 0);
        EXPECT_EQ(dir.List(), (std::vector<std::string>{"0.aud", "0.grf"}));
        EXPECT_EQ(FileSize(dir.File("0.aud")), 4000);
        EXPECT_EQ(test::ReadFrames(mine, 999, 1)[0], 999 * 16);
    }
    OtherEditor first(dir.path());
    ASSERT_EQ(first.Ready(), 'o');
    {
        BlockStore store(dir.path());
        EXPECT_TRUE(store.SharesWithAnotherEditor());
        EXPECT_EQ(store.ChosenFolder(), dir.path());
        LAudioData mine = test::MakeRamp(store, 1000);
        EXPECT_EQ(FileSize(dir.File("0.aud")), 1200);  // the first editor's block is untouched
        EXPECT_EQ(FileSize(store.SampleFilePath(0)), 4000);
        EXPECT_EQ(first.Finish('q'), 0);
        EXPECT_EQ(test::ReadFrames(mine, 999, 1)[0], 999 * 16);
    }
    EXPECT_TRUE(dir.List().empty());
}

TEST(BlockStore, CleanUpRemovesTheBlocksOfEditorsThatNoLongerRun) {
    test::TempFolder dir;
    {
        BlockStore store(dir.path());
        OtherEditor crashed(dir.path());
        ASSERT_EQ(crashed.Ready(), 'g');
        crashed.Finish('k');
        EXPECT_EQ(dir.List().size(), 1u);  // its private folder stays behind
    }
    EXPECT_TRUE(dir.List().empty());
    OtherEditor crashedOwner(dir.path());
    ASSERT_EQ(crashedOwner.Ready(), 'o');
    {
        BlockStore store(dir.path());
        EXPECT_TRUE(store.SharesWithAnotherEditor());
        crashedOwner.Finish('k');
        EXPECT_EQ(FileSize(dir.File("0.aud")), 1200);
    }
    EXPECT_TRUE(dir.List().empty());
}

TEST(WorkingFolder, DefaultIsTheProductDataFolderUnlessTheSettingsSayOtherwise) {
    test::TempFolder dir;
    ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    MemorySettingsScope user;
    Settings settings(user, nullptr);
    std::string chosen = ChooseWorkingFolder(settings);
    EXPECT_EQ(chosen, dir.path() + "/Quillon Acoustics/Sonvela");
    EXPECT_TRUE(FileExists(chosen));
    user.Set("Settings", "UseDefaultWorkingDir", "0");
    user.Set("Settings", "WorkingFolder", dir.File("work"));
    EXPECT_EQ(ChooseWorkingFolder(settings), dir.File("work"));
    EXPECT_TRUE(FileExists(dir.File("work")));
    ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace sv
