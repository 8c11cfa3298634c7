// Regions and bookmarks meeting files: export through the save table (read back by soxi and
// ffprobe), joining sounds of other formats (against sox's own conversion), and the bookmark
// companion file kept by Open and Save.
#include "FormatTestSupport.h"
#include "core/BookmarkFile.h"
#include "core/BookmarkList.h"
#include "core/CommandIds.h"
#include "core/RegionCommands.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/Components.h"
#include "formats/FormatCommands.h"
#include "formats/RegionExport.h"
#include "formats/WavReader.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sv::test {
namespace {

class RegionFilesTest : public ::testing::Test, protected TestWorkspace {
protected:
    RegionFilesTest() {
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        RegisterFormatCommands(registry);
        InstallFormatServices(ws);
        settings.WriteUserSetting("Settings", "ExportRegionFolder", out.path());
    }
    ~RegionFilesTest() override { unsetenv("XDG_DATA_HOME"); }

    // A document over samples f(frame, channel), active.
    LAudioDocument& Open(std::int32_t frames, std::uint8_t channels, std::int32_t rate,
                         const std::function<std::int32_t(int, int)>& f, const std::string& path) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (int k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = f(k, c);
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, s, channels, rate), path);
        ws.AddDocument(doc);
        return *doc;
    }
    void AddRegion(LAudioDocument& doc, std::int32_t a, std::int32_t b, const std::string& name) {
        doc.SetSelection(a, b, a);
        ws.Regions().Add(doc, name);
    }

    TempFolder data, out;
};

std::int32_t Pattern(int k, int c) { return ((k * 37 + c * 1001) % 30000 - 15000) * 16; }

TEST_F(RegionFilesTest, ExportedWavFilesHoldExactlyTheRegionsFrames) {
    LAudioDocument& doc = Open(30000, 2, 44100, Pattern, "/m/take.wav");
    AddRegion(doc, 1000, 13345, "First: part?");
    AddRegion(doc, 20000, 29999, "second");
    ASSERT_EQ(ExportRegions(ws, {1, 0}), 2u);
    const std::string first = out.File("First part.wav");
    ASSERT_TRUE(FileExists(first));
    if (ToolExists("soxi")) {
        EXPECT_EQ(CommandOutput("soxi -s " + Sh(first)), "12345\n");
    }
    if (ToolExists("ffprobe")) {
        EXPECT_EQ(CommandOutput("ffprobe -v error -select_streams a:0 -count_packets -show_entries "
                                "stream=duration_ts -of csv=p=0 " +
                                Sh(out.File("second.wav"))),
                  "9999\n");
    }
    Ref<LAudioReader> r = OpenWavReader(first);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->channels, 2);
    std::vector<std::int32_t> got = ReadAll(*r);
    EXPECT_EQ(got, ReadFrames(doc.sound, 1000, 12345));
    EXPECT_EQ(host.progressTitles.back(), "Enregistrement en cours...");
}

TEST_F(RegionFilesTest, ExportStopsAtAnUnusableNameOrAFileTheUserKeeps) {
    LAudioDocument& doc = Open(100, 1, 8000, Pattern, "/m/take.wav");
    AddRegion(doc, 0, 10, "???");
    AddRegion(doc, 10, 20, "kept");
    EXPECT_EQ(ExportRegions(ws, {0, 1}), 0u);
    EXPECT_EQ(host.messages.back().caption, "Nom de Fichier Invalide");
    EXPECT_FALSE(FileExists(out.File("kept.wav")));

    WriteBytes(out.File("kept.wav"), Bytes{1, 2, 3});
    host.answers = {MsgAnswer::No};
    EXPECT_EQ(ExportRegions(ws, {1}), 0u);
    EXPECT_EQ(host.messages.back().text,
              "La zone \"kept\" existe déjà dans le répertoire de destination. voulez vous le remplacer?");
    EXPECT_EQ(ReadBytes(out.File("kept.wav")), (Bytes{1, 2, 3}));
}

TEST_F(RegionFilesTest, TheExportDialogRefusesAMissingFolder) {
    host.dialogs.push_back({true, {{"folder", out.File("nowhere")}, {"format", "0"}}});
    host.dialogs.push_back({true, {{"folder", out.path()}, {"format", "4"}}});
    ASSERT_TRUE(ExportRegionsDialog(ws));
    EXPECT_EQ(host.shownDialogs[0].caption, "Exporter les Zones");
    EXPECT_EQ(host.messages.back().text, "The export folder is invalid. Please select a valid folder.");
    EXPECT_EQ(user.Get("Settings", "ExportRegionFormat"), "4");

    // Asking for the WAV settings shows the chooser once; cancelling it cancels the export.
    host.dialogs.push_back({true, {{"folder", out.path()}, {"format", "0"}, {"settings", "1"}}});
    EXPECT_FALSE(ExportRegionsDialog(ws));
    EXPECT_EQ(host.shownDialogs.size(), 3u);
    EXPECT_EQ(host.shownDialogs.back().caption, "Sélectionner Fichier au Format Wave");
}

TEST_F(RegionFilesTest, ExportAsFlacWhenTheEncoderIsThere) {
    RegisterShippedComponents(settings);
    if (!EncoderAvailable(".flac", nullptr, &settings)) GTEST_SKIP() << "no FLAC encoder here";
    LAudioDocument& doc = Open(20000, 2, 44100, Pattern, "/m/take.wav");
    AddRegion(doc, 0, 12345, "flac");
    settings.WriteIntUserSetting("Settings", "ExportRegionFormat", 5);
    ASSERT_EQ(ExportRegions(ws, {0}), 1u);
    if (ToolExists("soxi")) {
        EXPECT_EQ(CommandOutput("soxi -s " + Sh(out.File("flac.flac"))), "12345\n");
    }
}

TEST_F(RegionFilesTest, SavingARegionAsksForTheNameAndWritesIt) {
    LAudioDocument& doc = Open(1000, 1, 8000, Pattern, "/m/take.wav");
    AddRegion(doc, 100, 600, "r");
    host.savePicks.push_back(out.File("saved"));
    ASSERT_TRUE(SaveRegionCommand(ws, 0));
    Ref<LAudioReader> r = OpenWavReader(out.File("saved.wav"));
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->Length(), 500);
    EXPECT_EQ(user.Get("Settings", "SaveRegionDir"), out.path());
}

TEST_F(RegionFilesTest, JoiningMono22050WithStereo44100MatchesSoxsConversion) {
    if (!ToolExists("sox")) GTEST_SKIP() << "sox is not installed";
    const double pi = std::acos(-1.0);
    LAudioDocument& mono = Open(4410, 1, 22050, Pattern, "/m/mono.wav");
    LAudioDocument& stereo = Open(44100, 2, 44100,
                                  [&](int k, int c) {
                                      double f = c == 0 ? 440.0 : 1000.0;
                                      double v = 8000.0 * std::sin(2 * pi * f * k / 44100.0);
                                      return static_cast<std::int32_t>(std::lround(v)) * 16;
                                  },
                                  "/m/stereo.wav");
    AddRegion(mono, 0, 4410, "a");
    AddRegion(stereo, 0, 44100, "b");
    settings.WriteIntUserSetting("Settings", "AutoGapTime", 100);
    ASSERT_EQ(JoinRegions(ws, {0, 1}), 0);
    LAudioDocument& joined = *ws.Active();
    EXPECT_EQ(joined.sound.sampleRate, 22050);
    EXPECT_EQ(joined.sound.channels, 1);
    const std::int32_t gap = 2205;
    EXPECT_EQ(ReadFrames(joined.sound, 0, 4410), ReadFrames(mono.sound, 0, 4410));
    EXPECT_EQ(ReadFrames(joined.sound, 4410, gap), std::vector<std::int32_t>(gap, 0));

    // sox's reference: the stereo region at 22,050 Hz, mono as the left channel (as our
    // channel converter makes it).
    const std::string src = out.File("b.wav"), ref = out.File("ref.raw");
    ASSERT_EQ(ExportRegions(ws, {1}), 1u);
    ASSERT_EQ(RunCommand("sox " + Sh(src) + " -t raw -e signed -b 32 " + Sh(ref) + " remix 1 rate -v 22050"),
              0);
    std::vector<std::int32_t> expected = ReadRawS32(ref);
    const std::int32_t converted = joined.Length() - 4410 - gap;
    EXPECT_NEAR(converted, 22050, 2);
    std::vector<std::int32_t> got = ReadFrames(joined.sound, 4410 + gap, converted);
    double err = 0, energy = 0;
    std::size_t n = std::min(got.size(), expected.size());
    for (std::size_t i = 100; i + 100 < n; ++i) {
        double want = expected[i] / 4096.0;  // sox's 32-bit full scale down to ours
        err += (got[i] - want) * (got[i] - want);
        energy += want * want;
    }
    EXPECT_LT(std::sqrt(err / energy), 0.02);
}

TEST_F(RegionFilesTest, BookmarksComeBackWithTheFileAndTheirCompanionGoesWithTheLast) {
    const std::string wav = out.File("song.wav");
    {
        LAudioDocument& doc = Open(8000, 1, 8000, Pattern, wav);
        ASSERT_TRUE(SaveDocument(ws, doc));
        AddBookmark(doc, {"m", "song.wav", 500, 1, 3});
        doc.modified = 1;
        ASSERT_TRUE(SaveDocument(ws, doc));
        ws.RemoveDocument(&doc);
    }
    ASSERT_TRUE(FileExists(out.File("song.wbm")));
    bool showErrors = true;
    ASSERT_TRUE(OpenFileIntoWindow(ws, wav, nullptr, &showErrors));
    LAudioDocument& back = *ws.Active();
    ASSERT_EQ(back.bookmarks.size(), 1u);
    EXPECT_EQ(back.bookmarks[0].timeMs, 500);
    back.bookmarks.clear();
    back.modified = 1;
    ASSERT_TRUE(SaveDocument(ws, back));
    EXPECT_FALSE(FileExists(out.File("song.wbm")));
}

}  // namespace
}  // namespace sv::test
