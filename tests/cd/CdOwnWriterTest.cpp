#include "cd/CdBurnCommand.h"
#include "cd/MmcCommands.h"
#include "cd/SimulatedBurner.h"
#include "core/ProgressTask.h"
#include "formats/WavWriter.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace sv {
namespace {

constexpr const char* kBurnFailed = "Burn has failed. Please try another disk or try a lower speed.";

class CdOwnWriterTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    CdOwnWriterTest() {
        burner = std::make_shared<SimulatedBurner>();
        source.drives.push_back(burner);
        setup.timing = {0, 10, 10};
    }

    // A stereo 44100 Hz region of frames of noise in the 16-bit range.
    void AddRegion(const std::string& name, std::int32_t frames, std::uint32_t seed = 1) {
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> value(-32768, 32767);
        std::vector<std::int32_t> samples(static_cast<std::size_t>(frames) * 2);
        for (std::int32_t& s : samples) s = value(random) * 16;
        LRegion region;
        region.sound = test::MakeSound(store, samples, 2, 44100);
        region.name = name;
        ws.Regions().Append(region);
    }

    // OK on the dialog with the writer chosen and these values over the defaults.
    int Burn(std::map<std::string, std::string> values = {}, std::vector<std::size_t> which = {}) {
        values.emplace("Internal", "0");
        host.dialogs.push_back({true, values});
        if (which.empty())
            for (std::size_t i = 0; i < ws.Regions().Count(); ++i) which.push_back(i);
        return CopyRegionsToCd(ws, which, source, setup);
    }

    // The one error the burn reported, followed by the failure box.
    std::string OnlyError() const {
        EXPECT_EQ(host.progressErrors.size(), 1u);
        EXPECT_FALSE(host.messages.empty());
        if (!host.messages.empty()) {
            EXPECT_EQ(host.messages.back().text, kBurnFailed);
        }
        return host.progressErrors.empty() ? std::string() : host.progressErrors.front();
    }

    std::vector<std::uint8_t> Opcodes() const {
        std::vector<std::uint8_t> ops;
        for (const auto& cdb : burner->Log()) ops.push_back(cdb[0]);
        return ops;
    }

    std::shared_ptr<SimulatedBurner> burner;
    SimulatedDriveSource source;
    CdBurnSetup setup;
};

TEST_F(CdOwnWriterTest, ARegionNamedOnlyWithRemovedCharactersStopsBeforeTheDialog) {
    AddRegion("fine", 100);
    AddRegion("?*.:|", 100);
    EXPECT_EQ(Burn(), kTaskCancelled);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "The name of the region \"?*.:|\" contains characters that are not valid for a file name. Please "
              "rename it with a new name that contains text only and try again.");
    EXPECT_EQ(host.messages[0].caption, "File Name Invalid");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
    EXPECT_TRUE(host.shownDialogs.empty());
}

TEST_F(CdOwnWriterTest, MoreThan99RegionsAreRefusedRatherThanCut) {
    for (int i = 0; i < 100; ++i) AddRegion("r" + std::to_string(i), 10);
    EXPECT_EQ(Burn(), kTaskCancelled);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "An audio CD holds at most 99 tracks and 100 regions are selected. Please select 99 regions or "
              "fewer and try again.");
    EXPECT_TRUE(host.shownDialogs.empty());
    EXPECT_TRUE(burner->Log().empty());
}

TEST_F(CdOwnWriterTest, TheDialogStoresTheRecorderGroupAndMaxPicksTheDrivesFastestSpeed) {
    AddRegion("one", 44100);
    ASSERT_EQ(Burn({{"Speed", "0"}, {"EraseCDRW", "1"}, {"Overburn", "1"}, {"CDLoadEject", "0"}}), kTaskDone);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "LCDAudioBurnDlg");
    EXPECT_EQ(host.shownDialogs[0].Field("Speed")->choices.front(), "[MAX]");
    EXPECT_EQ(host.shownDialogs[0].Field("Speed")->choices[3], "4x");
    EXPECT_EQ(host.shownDialogs[0].Field("CDDrive")->choices, (std::vector<std::string>{"CD-ROM 1"}));
    EXPECT_EQ(user.Get("CDRecorder", "Internal"), "1");
    EXPECT_EQ(user.Get("CDRecorder", "Speed"), "65535");
    EXPECT_EQ(user.Get("CDRecorder", "EraseCDRW"), "1");
    EXPECT_EQ(user.Get("CDRecorder", "Overburn"), "1");
    EXPECT_EQ(user.Get("CDRecorder", "CDDrive"), "0");
    EXPECT_EQ(user.Get("CDRecorder", "CDLoadEject"), "0");
    EXPECT_EQ(burner->WriteSpeedSet(), 7056);
    EXPECT_EQ(burner->TrayLoads(), 0);

    burner->SetMedium(SimulatedMedium::BlankCdR);
    ASSERT_EQ(Burn({{"Speed", "3"}}), kTaskDone);
    EXPECT_EQ(burner->WriteSpeedSet(), 4 * 177);
    EXPECT_EQ(user.Get("CDRecorder", "Speed"), "4");
}

TEST_F(CdOwnWriterTest, WrittenSectorsEqualSoxRawOutputFollowedByPadding) {
    if (std::system("sox --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "sox is not installed";
    AddRegion("long", 4 * 44100 + 100, 7);  // 300 sectors and 100 frames
    AddRegion("short", 44100, 8);           // 1 s, padded to the 4 s minimum
    std::vector<std::string> raws;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string wav = dir.File("region" + std::to_string(i) + ".wav");
        const std::string raw = dir.File("region" + std::to_string(i) + ".raw");
        {
            Ref<LAudioWriter> w = CreatePcmWavWriter(wav, 44100, 2, 2);
            const LAudioData& sound = ws.Regions()[i].sound;
            std::vector<std::int32_t> all = test::ReadFrames(sound, 0, sound.Length());
            for (std::int32_t at = 0; at < sound.Length(); at += 4096)
                w->Write(all.data() + at * 2, std::min(4096, sound.Length() - at));
            ASSERT_TRUE(w->Finish());
        }
        ASSERT_EQ(std::system(("sox '" + wav + "' -t raw -r 44100 -c 2 -b 16 -e signed -L '" + raw + "'").c_str()), 0);
        std::ifstream in(raw, std::ios::binary);
        raws.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_EQ(Burn(), kTaskDone);
    std::vector<SimulatedWrittenTrack> tracks = burner->Tracks();
    ASSERT_EQ(tracks.size(), 2u);
    const std::size_t expectedSectors[2] = {301, 300};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_EQ(tracks[i].bytes.size(), expectedSectors[i] * 2352) << "track " << i + 1;
        EXPECT_TRUE(std::equal(raws[i].begin(), raws[i].end(), tracks[i].bytes.begin(),
                               [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
            << "track " << i + 1;
        EXPECT_TRUE(std::all_of(tracks[i].bytes.begin() + static_cast<std::ptrdiff_t>(raws[i].size()),
                                tracks[i].bytes.end(), [](std::uint8_t b) { return b == 0; }));
        EXPECT_TRUE(tracks[i].closed);
    }
    EXPECT_EQ(tracks[1].start, 301 + 150);
    EXPECT_TRUE(burner->SessionClosed());
    // Load, ready, capabilities, speed, disc, write parameters, then per track its address,
    // writes, flush and close; the session last.
    std::vector<std::uint8_t> ops = Opcodes();
    ASSERT_GE(ops.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(ops.begin(), ops.begin() + 7),
              (std::vector<std::uint8_t>{0x1B, 0x00, 0x5A, 0xBB, 0x51, 0x55, 0x52}));
    EXPECT_EQ(ops.back(), 0x5B);
    EXPECT_EQ(std::count(ops.begin(), ops.end(), 0x2A), 12 + 12);  // 26 sectors a command
    EXPECT_NE(std::find(host.progressTexts.begin(), host.progressTexts.end(), "1:Total Time:  0:00:08.01"),
              host.progressTexts.end());
    for (const char* text : {"0:Checking drive and CD", "0:Recording CD Audio", "0:Burning Track 1",
                             "0:Burning Track 2", "0:Writing Lead-in/Lead-out"})
        EXPECT_NE(std::find(host.progressTexts.begin(), host.progressTexts.end(), text), host.progressTexts.end())
            << text;
    EXPECT_EQ(host.progressTitles, (std::vector<std::string>{"Burn Audio CD"}));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(CdOwnWriterTest, EachDriveCheckFailsWithItsOwnMessage) {
    AddRegion("one", 44100);
    struct Case {
        std::function<void()> arrange;
        const char* message;
    };
    const std::vector<Case> cases{
        {[&] { source.failOpen = true; }, "The CD drive you have selected cannot be accessed."},
        {[&] { burner->SetMedium(SimulatedMedium::None); },
         "There appears to be no disk in the drive. Please check and try again."},
        {[&] {
             source.drives[0] = burner = std::make_shared<SimulatedBurner>(
                 SimulatedMedium::BlankCdR, SimulatedWriterSpec{false, false, 0, 359850});
         },
         "The selected CD-ROM drive cannot write or record CDs. Please select another drive."},
        {[&] { burner->FailDiscInformation(2); },
         "There is no CD in the CD-ROM drive. Please insert a blank CDR and try again."},
        {[&] { burner->SetMedium(SimulatedMedium::UsedCdR); },
         "The CD-R you are attempting to use has already been written to and you cannot overwrite it. Please "
         "insert another blank CD-R."},
        {[&] {
             source.drives[0] = burner = std::make_shared<SimulatedBurner>(
                 SimulatedMedium::BlankCdRw, SimulatedWriterSpec{true, false, 7056, 359850});
         },
         "The drive you have selected does not support CD-RWs. Please insert a blank CD-R and try again."},
        {[&] { burner->SetMedium(SimulatedMedium::UsedCdRw); },
         "The CD-RW is not blank. To erase it, select the option \"Erase CD-RWs if they are not blank\" and try "
         "again."},
    };
    for (const Case& c : cases) {
        source.failOpen = false;
        source.drives[0] = burner = std::make_shared<SimulatedBurner>();
        host.progressErrors.clear();
        host.messages.clear();
        c.arrange();
        EXPECT_EQ(Burn(), kTaskFailed) << c.message;
        EXPECT_EQ(OnlyError(), c.message);
        EXPECT_TRUE(burner->Tracks().empty()) << c.message;
        // The tray was closed first, so it opens on the way out (the open itself failing aside).
        if (!source.failOpen) {
            EXPECT_EQ(burner->TrayEjects(), 1) << c.message;
        }
    }
}

TEST_F(CdOwnWriterTest, DiscInformationIsReadASecondTimeAndAFullBufferTakesTheBlockAgain) {
    AddRegion("one", 44100);
    burner->FailDiscInformation(1);
    burner->InjectLongWrite(3);
    EXPECT_EQ(Burn(), kTaskDone);
    const std::vector<std::vector<std::uint8_t>> log = burner->Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), std::vector<std::uint8_t>{0x51, 0, 0, 0, 0, 0, 0, 0, 34, 0}), 2);
    ASSERT_EQ(burner->Tracks().size(), 1u);
    EXPECT_EQ(burner->Tracks()[0].sectors, 300);
}

TEST_F(CdOwnWriterTest, CdRwsAreErasedOnlyWhenUsedAndAsked) {
    AddRegion("one", 44100);
    burner->SetMedium(SimulatedMedium::BlankCdRw);
    ASSERT_EQ(Burn({{"EraseCDRW", "1"}}), kTaskDone);
    EXPECT_EQ(burner->Erases(), 0);
    EXPECT_EQ(burner->Tracks().size(), 1u);

    burner->SetMedium(SimulatedMedium::UsedCdRw);
    ASSERT_EQ(Burn({{"EraseCDRW", "1"}}), kTaskDone);
    EXPECT_EQ(burner->Erases(), 1);
    EXPECT_NE(std::find(host.progressTexts.begin(), host.progressTexts.end(), "0:Erasing CD-RW Disk"),
              host.progressTexts.end());
    EXPECT_EQ(burner->Tracks().size(), 1u);

    burner->SetMedium(SimulatedMedium::UsedCdRw);
    burner->FailBlank();
    EXPECT_EQ(Burn({{"EraseCDRW", "1"}}), kTaskFailed);
    EXPECT_EQ(OnlyError(), "There was an error erasing the CD-RW. Please try another disk or try using a lower speed.");
}

TEST_F(CdOwnWriterTest, TooLongATotalNeedsOverburn) {
    source.drives[0] = burner =
        std::make_shared<SimulatedBurner>(SimulatedMedium::BlankCdR, SimulatedWriterSpec{true, true, 7056, 700});
    AddRegion("a", 4 * 44100 + 100);
    AddRegion("b", 44100);
    EXPECT_EQ(Burn(), kTaskFailed);
    // 700 sectors against 301 + 150 + 300.
    EXPECT_EQ(OnlyError(),
              "The CD has a capacity of 0:09 minutes and you are trying to write 0:10 minutes. Please insert a "
              "larger capacity CD or try fewer tracks.");
    EXPECT_TRUE(burner->Tracks().empty());

    host.progressErrors.clear();
    EXPECT_EQ(Burn({{"Overburn", "1"}}), kTaskDone);
    EXPECT_EQ(burner->Tracks().size(), 2u);
}

TEST_F(CdOwnWriterTest, AFailedWriteOpensTheTrayAndACancelLeavesTheDiscOpen) {
    AddRegion("a", 44100);
    AddRegion("b", 44100);
    burner->FailWriteOfTrack(1);
    EXPECT_EQ(Burn(), kTaskFailed);
    EXPECT_EQ(OnlyError().rfind("L'écriture de la piste 2 a échoué (clé 3, ASC 0Ch", 0), 0u);
    EXPECT_EQ(burner->TrayEjects(), 1);
    EXPECT_FALSE(burner->SessionClosed());

    burner->SetMedium(SimulatedMedium::BlankCdR);
    burner->FailWriteOfTrack(-1);
    host.progressErrors.clear();
    host.cancelAtPump = 10;
    EXPECT_EQ(Burn(), kTaskCancelled);
    EXPECT_TRUE(host.progressErrors.empty());
    EXPECT_FALSE(burner->SessionClosed());
    EXPECT_EQ(host.messages.back().text, kBurnFailed);
}

}  // namespace
}  // namespace sv
