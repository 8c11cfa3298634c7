#include "cd/CdBurnCommand.h"
#include "cd/CdBurnService.h"
#include "cd/SimulatedBurner.h"
#include "core/ProgressTask.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace sv {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
        ::pclose(p);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

class CdBurnServiceTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    CdBurnServiceTest() {
        source.drives.push_back(std::make_shared<SimulatedBurner>());
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        setup.program = stubDir.File("cdrskin");
    }
    ~CdBurnServiceTest() override { ::unsetenv("TMPDIR"); }

    // A cdrskin that lists one drive, records each burn's arguments a line each, keeps a copy
    // of the files it is given and ends with exitCode.
    void WriteStub(int exitCode, bool listsDrive = true) {
        std::ofstream stub(setup.program);
        stub << "#!/bin/sh\n"
             << "if [ \"$1\" = --devices ]; then\n"
             << (listsDrive ? "  echo \"0  dev='/dev/sim0' rwrw-- :  'Sim' 'Writer'\"\n" : "  echo 'No drives'\n")
             << "  exit 0\nfi\n"
             << "for a in \"$@\"; do echo \"$a\" >> '" << stubDir.File("args") << "'; done\n"
             << "for a in \"$@\"; do case \"$a\" in *.wav) cp \"$a\" '" << kept.path() << "/'; ;; esac; done\n"
             << "exit " << exitCode << "\n";
        stub.close();
        ::chmod(setup.program.c_str(), 0755);
    }

    void AddRegion(const std::string& name, std::vector<std::int32_t> samples, std::uint8_t channels,
                   std::int32_t rate) {
        LRegion region;
        region.sound = test::MakeSound(store, samples, channels, rate);
        region.name = name;
        ws.Regions().Append(region);
    }

    int Burn(std::map<std::string, std::string> values) {
        values.emplace("Internal", "1");
        host.dialogs.push_back({true, values});
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < ws.Regions().Count(); ++i) all.push_back(i);
        return CopyRegionsToCd(ws, all, source, setup);
    }

    test::TempFolder tmp;
    test::TempFolder stubDir;
    test::TempFolder kept;
    SimulatedDriveSource source;
    CdBurnSetup setup;
};

TEST_F(CdBurnServiceTest, TheProgramGetsTheRegionsAsCdWavFilesAndItsOptions) {
    if (std::system("soxi > /dev/null 2>&1; command -v soxi > /dev/null") != 0) GTEST_SKIP() << "soxi missing";
    WriteStub(0);
    std::vector<std::int32_t> stereo;
    for (std::int64_t i = 0; i < 4 * 44100 * 2; ++i)
        stereo.push_back(static_cast<std::int32_t>(i * 7919 % 65536 - 32768) * 16);
    AddRegion("Stereo", stereo, 2, 44100);
    AddRegion("Mono", std::vector<std::int32_t>(22050, 1600), 1, 22050);
    ASSERT_EQ(Burn({{"Speed", "4"}, {"EraseCDRW", "1"}, {"Overburn", "1"}, {"CDLoadEject", "1"}}), kTaskDone);
    EXPECT_TRUE(host.messages.empty());

    std::vector<std::string> args = Lines(ReadText(stubDir.File("args")));
    ASSERT_EQ(args.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 8),
              (std::vector<std::string>{"dev=/dev/sim0", "gracetime=2", "speed=8", "blank=as_needed", "-eject",
                                        "-force", "-audio", "-pad"}));
    for (int i = 0; i < 2; ++i) {
        const std::string& file = args[static_cast<std::size_t>(8 + i)];
        EXPECT_EQ(file.rfind(tmp.path() + "/sonvela-CDAudioBurn-", 0), 0u) << file;
        EXPECT_EQ(file.substr(file.size() - 11), "Track " + std::to_string(i + 1) + ".wav");
        const std::string copy = "'" + kept.File("Track " + std::to_string(i + 1) + ".wav") + "'";
        EXPECT_EQ(Output("soxi -r " + copy), "44100");
        EXPECT_EQ(Output("soxi -c " + copy), "2");
        EXPECT_EQ(Output("soxi -b " + copy), "16");
    }
    // The 44100 Hz stereo region arrives sample for sample.
    const std::string raw = kept.File("one.raw");
    ASSERT_EQ(std::system(("sox '" + kept.File("Track 1.wav") + "' -t raw -e signed -b 16 -L '" + raw + "'").c_str()),
              0);
    const std::string bytes = ReadText(raw);
    ASSERT_EQ(bytes.size(), stereo.size() * 2);
    for (std::size_t i = 0; i < stereo.size(); ++i) {
        const auto s = static_cast<std::int16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                                 (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
        ASSERT_EQ(s * 16, stereo[i]) << "sample " << i;
    }
    // The half-second region became a 4 s track.
    EXPECT_EQ(Output("soxi -s '" + kept.File("Track 2.wav") + "'"), "176400");
    // Nothing of the run is left in the temporary folder.
    EXPECT_TRUE(tmp.List().empty());
}

TEST_F(CdBurnServiceTest, WodimGetsItsOwnDialectAndMaxLeavesTheSpeedToTheDrive) {
    CdBurnOptions o;
    o.speed = kMaxCdSpeed;
    o.eraseCdRw = true;
    o.overburn = true;
    o.loadEject = false;
    EXPECT_EQ(BurnArguments("/usr/bin/wodim", "/dev/sr0", o, {"a.wav"}),
              (std::vector<std::string>{"/usr/bin/wodim", "dev=/dev/sr0", "gracetime=2", "-overburn", "-audio", "-pad",
                                        "a.wav"}));
}

TEST_F(CdBurnServiceTest, AFailingProgramOrNoDriveGivesTheFailureMessage) {
    AddRegion("r", std::vector<std::int32_t>(1000, 0), 1, 44100);
    WriteStub(1);
    EXPECT_EQ(Burn({}), kTaskFailed);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Burn has failed. Please try another disk or try a lower speed.");
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_TRUE(host.progressErrors.empty());

    WriteStub(0, false);
    host.messages.clear();
    EXPECT_EQ(Burn({}), kTaskFailed);
    EXPECT_EQ(host.progressErrors, (std::vector<std::string>{"No recordable CD detected"}));
    EXPECT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages.back().text, "Burn has failed. Please try another disk or try a lower speed.");
    EXPECT_TRUE(tmp.List().empty());
}

TEST_F(CdBurnServiceTest, ALinkPlantedAtTheOldFixedFolderNameIsNotFollowed) {
    test::TempFolder victim;
    std::ofstream(victim.File("Track 1.wav")) << "someone else's";
    ASSERT_EQ(::symlink(victim.path().c_str(), tmp.File("CDAudioBurn").c_str()), 0);
    WriteStub(0);
    AddRegion("r", std::vector<std::int32_t>(1000, 0), 1, 44100);
    EXPECT_EQ(Burn({}), kTaskDone);
    EXPECT_EQ(ReadText(victim.File("Track 1.wav")), "someone else's");
    for (const std::string& name : tmp.List()) EXPECT_EQ(name.rfind("sonvela-CDAudioBurn", 0), std::string::npos);
}

}  // namespace
}  // namespace sv
