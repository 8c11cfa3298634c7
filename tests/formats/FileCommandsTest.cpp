#include "FormatTestSupport.h"
#include "core/BlockStore.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/Notifier.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "formats/AudioFileIo.h"
#include "formats/FormatCommands.h"
#include "formats/MsAdpcmCodec.h"
#include "formats/TagFiles.h"
#include "formats/TagEditor.h"
#include "formats/WavReader.h"
#include "formats/WavSaveFormat.h"
#include "formats/WavWriter.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sv::test {
namespace {

class FileCommandsTest : public ::testing::Test, protected TestWorkspace {
protected:
    FileCommandsTest() {
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        RegisterFormatCommands(registry);
        RegisterDocumentCommands(registry);
        InstallFormatServices(ws);
    }
    ~FileCommandsTest() override { unsetenv("XDG_DATA_HOME"); }

    std::string MakeWav(const std::string& name, std::int32_t frames, std::uint8_t channels = 2) {
        std::string path = files.File(name);
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 22050, channels, 2);
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(i % 1000) * 16;
        w->Write(s.data(), frames);
        return path;
    }

    TempFolder data, files;
};

TEST_F(FileCommandsTest, OpenMakesOneDocumentPerFileWithItsTagsAndReportsOnlyTheFirstFailure) {
    std::string good = MakeWav("good.wav", 5000);
    LTagSet t;
    t.Set("ARTIST", "Quelqu'un");
    ASSERT_TRUE(WriteTags(t, good));
    WriteBytes(files.File("bad1.wav"), Bytes(40, 7));
    WriteBytes(files.File("bad2.wav"), Bytes(40, 7));
    host.openPicks.push_back({files.File("bad1.wav"), good, files.File("bad2.wav")});
    ASSERT_TRUE(registry.Run(kCmdOpen, ws));
    ASSERT_EQ(ws.Documents().size(), 1u);
    LAudioDocument& doc = *ws.Active();
    EXPECT_EQ(doc.path, good);
    EXPECT_EQ(doc.Title(), "good.wav");
    EXPECT_EQ(doc.modified, 0);
    EXPECT_EQ(doc.Length(), 5000);
    EXPECT_EQ(doc.sound.sampleRate, 22050);
    EXPECT_EQ(doc.sound.channels, 2);
    ASSERT_TRUE(doc.tags);
    EXPECT_EQ(doc.tags->Get("ARTIST"), "Quelqu'un");
    EXPECT_EQ(ReadFrames(doc.sound, 999, 1)[0], 999 % 1000 * 2 % 1000 * 16);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Cannot open the file \"" + files.File("bad1.wav") + "\" because it is corrupt.");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(settings.ReadSetting("Settings", "OpenFileDir"), files.path());
}

TEST_F(FileCommandsTest, CancelledLoadLeavesNoDocumentAndNoBlocks) {
    std::string path = MakeWav("long.wav", 100000);
    host.cancelAtPump = 3;
    host.openPicks.push_back({path});
    registry.Run(kCmdOpen, ws);
    EXPECT_TRUE(ws.Documents().empty());
    EXPECT_EQ(store.BlocksInUse(), 0u);
}

TEST_F(FileCommandsTest, SaveAsAsksTheFormatAndWritesTheFileWithItsTags) {
    host.openPicks.push_back({MakeWav("in.wav", 30000)});
    registry.Run(kCmdOpen, ws);
    LAudioDocument& doc = *ws.Active();
    doc.tags->Set("TITLE", "Nouveau");
    std::string out = files.File("out.wav");
    host.savePicks.push_back(out);
    // GSM in stereo is refused; the chooser stays and IMA ADPCM is accepted.
    host.dialogs.push_back({true, {{"format", "6"}, {"channels", "1"}}});
    host.dialogs.push_back({true, {{"format", "4"}, {"channels", "1"}, {"rate", "3"}}});
    ASSERT_TRUE(registry.Run(kCmdSaveAs, ws));
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].caption, "Sélectionner Fichier au Format Wave");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Format Non Disponible");
    EXPECT_EQ(host.messages[0].text,
              "Le format requis n’est pas disponible car le CODEC nécessaire n’est pas installé sur cet ordinateur.");
    EXPECT_EQ(doc.path, out);
    EXPECT_EQ(doc.modified, 0);
    EXPECT_EQ(ReadBytes(WavSaveFormatPath()).size(), 1024u);
    WAVEFORMATEX stored = MakePcmFormat(44100, 1, 16);
    EXPECT_TRUE(LoadWavSaveFormat(stored));
    EXPECT_EQ(stored.formatTag, kWaveFormatImaAdpcm);
    Ref<LAudioReader> r = OpenWavReader(out);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->channels, 2);
    EXPECT_EQ(r->sampleRate, 22050);  // the document's own rate
    EXPECT_GE(r->Length(), 30000);
    LTagSet back;
    ReadTags(back, out);
    EXPECT_EQ(back.Get("TITLE"), "Nouveau");

    // Save (1004) then rewrites the same file with the stored format, no dialog.
    doc.modified = 1;
    ASSERT_TRUE(registry.Run(kCmdSave, ws));
    EXPECT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(doc.modified, 0);
}

TEST_F(FileCommandsTest, StereoSavedAsGsmIsMixedDownToItsOneChannel) {
    host.openPicks.push_back({MakeWav("in.wav", 16000)});  // 22,050 Hz stereo
    registry.Run(kCmdOpen, ws);
    std::string out = files.File("gsm.wav");
    host.savePicks.push_back(out);
    host.dialogs.push_back({true, {{"format", "6"}, {"channels", "0"}}});
    ASSERT_TRUE(registry.Run(kCmdSaveAs, ws));
    EXPECT_TRUE(host.progressErrors.empty());
    Ref<LAudioReader> r = OpenWavReader(out);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->sampleRate, 22050);
    EXPECT_GE(r->Length(), 16000);
    EXPECT_EQ(ws.Active()->modified, 0);
}

TEST_F(FileCommandsTest, ExistingNameAsksBeforeReplacingAndCancelStops) {
    host.openPicks.push_back({MakeWav("in.wav", 100)});
    registry.Run(kCmdOpen, ws);
    std::string existing = MakeWav("exists.wav", 10);
    host.savePicks.push_back(existing);
    host.answers.push_back(MsgAnswer::Cancel);
    EXPECT_TRUE(registry.Run(kCmdSaveAs, ws));
    EXPECT_EQ(host.messages.back().text, "Ce nom de fichier existe déjà. Voulez-vous le remplacer?");
    EXPECT_EQ(OpenWavReader(existing)->Length(), 10);
    EXPECT_NE(ws.Active()->path, existing);
}

TEST_F(FileCommandsTest, UnwritableTargetReportsTheCreateFailureAndKeepsTheDocumentModified) {
    host.openPicks.push_back({MakeWav("in.wav", 100)});
    registry.Run(kCmdOpen, ws);
    LAudioDocument& doc = *ws.Active();
    doc.modified = 1;
    std::string bad = files.File("missing/folder/x.wav");
    host.savePicks.push_back(bad);
    host.dialogs.push_back({true, {}});
    registry.Run(kCmdSaveAs, ws);
    ASSERT_FALSE(host.progressErrors.empty());
    EXPECT_EQ(host.progressErrors[0], "Incapable de créer le fichier \"" + bad + "\"pour l'enregistrement.");
    EXPECT_EQ(doc.modified, 1);
    EXPECT_NE(doc.path, bad);
}

TEST_F(FileCommandsTest, ClosingWithYesSavesThroughTheInstalledService) {
    host.openPicks.push_back({MakeWav("in.wav", 100)});
    registry.Run(kCmdOpen, ws);
    ws.Active()->modified = 1;
    ws.Active()->tags->Set("COMMENT", "fermé");
    host.answers.push_back(MsgAnswer::Yes);
    ASSERT_TRUE(registry.Run(kCmdCloseDocument, ws));
    EXPECT_TRUE(ws.Documents().empty());
    LTagSet back;
    ReadTags(back, files.File("in.wav"));
    EXPECT_EQ(back.Get("COMMENT"), "fermé");
}

TEST_F(FileCommandsTest, TagEditorShowsTheSetAndWritesEveryFieldBack) {
    host.openPicks.push_back({MakeWav("in.wav", 100)});
    registry.Run(kCmdOpen, ws);
    LAudioDocument& doc = *ws.Active();
    doc.tags->Set("GENRE", "jazz");
    doc.tags->Set("TITLE", std::string(300, 'x'));
    host.dialogs.push_back({true, {{"artist", "Moi"}, {"genre", "17"}, {"copyright", "2025"}}});
    ASSERT_TRUE(registry.Run(kCmdEditTags, ws));
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    const DialogSpec& shown = host.shownDialogs[0];
    EXPECT_EQ(shown.resource, "LAUDIOTAGDATAEDITOR");
    EXPECT_EQ(shown.caption, "Edit Audio Tags");
    EXPECT_EQ(shown.Value("genre"), "8");  // "Jazz", without regard to case
    EXPECT_EQ(shown.Field("genre")->choices.size(), 148u);
    EXPECT_EQ(shown.Value("title").size(), 259u);
    EXPECT_EQ(doc.tags->Get("ARTIST"), "Moi");
    EXPECT_EQ(doc.tags->Get("GENRE"), "Rock");
    EXPECT_EQ(doc.tags->Get("DATE"), "2025");
    EXPECT_EQ(doc.modified, 1);
}

TEST_F(FileCommandsTest, WavCodecFileIsExactly1024BytesAndAMissingOneKeepsTheDefault) {
    WAVEFORMATEX def = MakePcmFormat(32000, 2, 16);
    WAVEFORMATEX f = def;
    EXPECT_FALSE(LoadWavSaveFormat(f));
    EXPECT_EQ(f, def);
    WAVEFORMATEX ms = MakeMsAdpcmFormat(22050, 1);
    ASSERT_TRUE(StoreWavSaveFormat(ms));
    EXPECT_EQ(ReadBytes(data.File("WavCodec.wff")).size(), 1024u);
    EXPECT_TRUE(LoadWavSaveFormat(f));
    EXPECT_EQ(f, ms);
}

TEST_F(FileCommandsTest, PumpLimitsSourcesLouderThanSixteenBitFullScale) {
    class Loud : public LAudioReader {
    public:
        Loud() { fullScale = 0x7FFFFF; }
        void Read(std::int32_t* dst, std::int32_t frames) override {
            for (int i = 0; i < frames; ++i) dst[i] = (i % 2) ? 0x7FFFFF : -0x7FFFFF;
            pos_ += frames;
        }
        std::int32_t Position() const override { return pos_; }
        std::int32_t Length() const override { return 10; }
        void Seek(std::int32_t p) override { pos_ = p; }
        std::int32_t pos_ = 0;
    };
    std::string path = files.File("loud.wav");
    int result;
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 1, 2);
        FunctionTask task("t", [&](LProgressTask& t) { return PumpSamples(t, Ref<LAudioReader>(new Loud()), w); });
        RunTask(host, task);
        result = task.Result();
    }
    EXPECT_EQ(result, 0);
    std::vector<std::int32_t> back = ReadAll(*OpenWavReader(path));
    EXPECT_EQ(back[0], -0x80000);  // -32768: 16-bit holds one step more below zero
    EXPECT_EQ(back[1], 0x7FFF0);
}

TEST_F(FileCommandsTest, OpenThenSaveWithoutEditsKeepsEveryPcmDepthBitForBit) {
    // Loud music reaches -32768; 24- and 32-bit files keep the 20 bits the internal samples hold.
    struct Depth {
        int bits;
        std::vector<std::int64_t> extremes;  // container values
    } depths[] = {
        {8, {0, 255, 1, 254, 128}},
        {16, {-32768, 32767, -32767, 32766, -32768, -32768, 32767}},
        {24, {-0x800000, 0x7FFFF0, -0x7FFFF0, 0x7FFFE0}},
        {32, {-0x7FFFFFFFLL - 1, 0x7FFFF000, -0x7FFFF000, 0x12345000}},
    };
    for (const Depth& d : depths) {
        SCOPED_TRACE(d.bits);
        const int width = d.bits / 8;
        const std::int64_t step = d.bits == 8 ? 1 : d.bits == 16 ? 1 : d.bits == 24 ? 16 : 4096;
        Bytes pcm;
        for (int k = 0; k < 3000; ++k) {
            std::int64_t v;
            if (k % 97 < static_cast<int>(d.extremes.size())) {
                v = d.extremes[static_cast<std::size_t>(k % 97)];
            } else {
                double full = d.bits == 8 ? 127 : std::ldexp(1.0, d.bits - 1) - 1;
                v = static_cast<std::int64_t>(0.99 * full * std::sin(k * 0.05)) / step * step + (d.bits == 8 ? 128 : 0);
            }
            for (int b = 0; b < width; ++b) pcm.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * b)));
        }
        Bytes chunks;
        AppendChunk(chunks, "fmt ", FmtBody(1, 2, 44100, static_cast<std::uint16_t>(d.bits)));
        AppendChunk(chunks, "data", pcm);
        std::string in = files.File("in" + std::to_string(d.bits) + ".wav");
        WriteBytes(in, RiffWave(chunks));
        ASSERT_TRUE(StoreWavSaveFormat(MakePcmFormat(44100, 2, static_cast<std::uint16_t>(d.bits))));

        Ref<LAudioDocument> doc = OpenDocumentFromFile(ws, in, nullptr, nullptr);
        ASSERT_TRUE(doc);
        std::string out = files.File("out" + std::to_string(d.bits) + ".wav");
        FunctionTask task("t", [&](LProgressTask& t) {
            return SaveSoundAs(t, host, doc->sound, SaveParameters{out, 44100, 2, false, nullptr});
        });
        RunTask(host, task);
        ASSERT_EQ(task.Result(), 0);
        EXPECT_EQ(ReadBytes(out), ReadBytes(in));
    }
}

TEST_F(FileCommandsTest, EightBitSavesOfLoudMaterialAreLimitedInsteadOfWrapping) {
    // 32767 would round to 8-bit 128 and wrap to the most negative byte.
    std::vector<std::int32_t> s(4000, 0);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = (i / 50) % 2 ? kFullScale16 : kLowest16;
    LAudioData sound = MakeSound(store, s, 1, 22050);
    ASSERT_TRUE(StoreWavSaveFormat(MakePcmFormat(22050, 1, 8)));
    std::string out = files.File("out8.wav");
    FunctionTask task("t", [&](LProgressTask& t) {
        return SaveSoundAs(t, host, sound, SaveParameters{out, 22050, 1, false, nullptr});
    });
    RunTask(host, task);
    ASSERT_EQ(task.Result(), 0);
    Bytes bytes = ReadBytes(out);
    ASSERT_EQ(bytes.size(), 46u + 4000u);
    for (std::size_t i = 0; i < 4000; ++i) {
        const int expectLoud = (i / 50) % 2 ? 1 : -1;
        ASSERT_EQ(bytes[46 + i] > 128 ? 1 : -1, expectLoud) << i;
    }
}

}  // namespace
}  // namespace sv::test
