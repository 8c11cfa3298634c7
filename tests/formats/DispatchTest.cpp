// The open and save tables, the conversion chain, the temporary decode names, the media
// decoder and the safe replacement of saved files.
#include "FormatTestSupport.h"
#include "core/BlockReader.h"
#include "core/BlockStore.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "core/EditCommands.h"
#include "core/Notifier.h"
#include "core/ProgressTask.h"
#include "core/UndoRing.h"
#include "core/Workspace.h"
#include "effects/ChannelConverter.h"
#include "effects/Resampler.h"
#include "formats/AudioFileIo.h"
#include "formats/ConversionChain.h"
#include "formats/FileEditCommands.h"
#include "formats/FormatCommands.h"
#include "formats/GsmCodec.h"
#include "formats/TagFiles.h"
#include "formats/TempDecodeFile.h"
#include "formats/WavReader.h"
#include "formats/WavSaveFormat.h"
#include "formats/WavWriter.h"
#include "platform/LockFile.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/ScriptedHost.h"
#include "support/TestWorkspace.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>

namespace sv::test {
namespace {

class DispatchTest : public ::testing::Test, protected TestWorkspace {
protected:
    DispatchTest() {
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        // The temporary decode files stay after use; keep them out of the real temporary folder.
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        setenv("TMPDIR", tmp.path().c_str(), 1);
        RegisterFormatCommands(registry);
        RegisterDocumentCommands(registry);
        RegisterEditCommands(registry);
        RegisterFileEditCommands(registry);
        InstallFormatServices(ws);
    }
    ~DispatchTest() override {
        unsetenv("XDG_DATA_HOME");
        if (oldTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", oldTmp.c_str(), 1);
    }

    // A 16-bit WAV whose frame k holds (k % 1000) * 16 on the left and its negation on the right.
    std::string MakeWav(const std::string& path, std::int32_t frames, std::uint8_t channels = 2, int rate = 22050) {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, rate, channels, 2);
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (std::int32_t k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = (c ? -1 : 1) * (k % 1000) * 16;
        w->Write(s.data(), frames);
        return path;
    }
    int Open(Ref<LAudioReader>& r, const std::string& path, bool* showErrors) {
        return OpenAudioFile(r, path, nullptr, showErrors, host);
    }
    LAudioDocument& OpenDoc(const LAudioData& sound, const std::string& path) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, path);
        doc->path = path;
        doc->modified = 1;
        ws.AddDocument(doc);
        return *doc;
    }

    TempFolder data, files, tmp;
    std::string oldTmp;
};

TEST_F(DispatchTest, ExtensionsAreComparedWithoutCaseAndADotInAFolderIsNoExtension) {
    EXPECT_EQ(LowerExtension("C:\\dir.v2\\noext"), "");
    EXPECT_EQ(LowerExtension("/a/dir.v2/noext"), "");
    EXPECT_EQ(LowerExtension(".hidden"), "");
    EXPECT_EQ(LowerExtension("SONG.WAV"), ".wav");
    Ref<LAudioReader> r;
    bool show = true;
    ASSERT_EQ(Open(r, MakeWav(files.File("SONG.WAV"), 300), &show), 0);
    EXPECT_EQ(r->Length(), 300);
    EXPECT_TRUE(host.progressTitles.empty());  // read directly, no decoder
}

TEST_F(DispatchTest, CoderFormatsWithoutTheirComponentsFailAndOnlyTheFirstIsShown) {
    bool show = true;
    for (const char* name : {"f.ogg", "g.flac", "h.m4a", "i.amr", "j.dss"}) {
        WriteBytes(files.File(name), Bytes(100, 1));
        Ref<LAudioReader> r;
        EXPECT_EQ(Open(r, files.File(name), &show), 2) << name;
        ASSERT_TRUE(r);
        EXPECT_NE(r->errorCode, 0);
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(host.messages[0].text.rfind("Impossible d'installer le composant à installer sur demande \"oggdec\"", 0), 0u);
    EXPECT_FALSE(show);
}

TEST_F(DispatchTest, Mp3MessagesDistinguishAMissingFileFromABadOne) {
    bool show = true;
    Ref<LAudioReader> r;
    EXPECT_EQ(Open(r, files.File("none.mp3"), &show), 2);
    WriteBytes(files.File("bad.mp3"), Bytes(3000, 0x41));
    show = true;
    EXPECT_EQ(Open(r, files.File("bad.mp3"), &show), 2);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text,
              "Cannot open the file \"" + files.File("none.mp3") + "\". Check it exists and you have read access.");
    EXPECT_EQ(host.messages[1].text, "Cannot open the file \"" + files.File("bad.mp3") +
                                         "\". It is possibly either corrupt or not a true layer-3 MPEG file.");
}

TEST_F(DispatchTest, AnUnknownExtensionOrNoneGoesThroughTheMediaDecoder) {
    if (!ToolExists("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    RunCommand("mkdir -p " + Sh(files.File("dir.v2")));
    const std::string noext = files.File("dir.v2/noext");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel error -f lavfi -i sine=frequency=440:sample_rate=32000:duration=1 -ac 2 "
                         "-c:a libmp3lame -f matroska " + Sh(noext)),
              0);
    Ref<LAudioDocument> doc = OpenDocumentFromFile(ws, noext, nullptr, nullptr);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->sound.sampleRate, 32000);
    EXPECT_EQ(doc->sound.channels, 2);
    EXPECT_NEAR(doc->Length(), 32000, 2000);
    EXPECT_NE(std::find(host.progressTexts.begin(), host.progressTexts.end(), "0:Loading with DirectX"),
              host.progressTexts.end());
    EXPECT_TRUE(host.messages.empty());
    // The decoded file stays for the next reservation; its lock file is gone.
    EXPECT_EQ(tmp.List(), std::vector<std::string>{"Temp1.wav"});
}

TEST_F(DispatchTest, MissingMediaDecoderGivesTheFormatMessageAndMissingFilesTheirOwn) {
    TempFolder emptyBin;
    const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", emptyBin.path().c_str(), 1);
    WriteBytes(files.File("clip.mkv"), Bytes(1000, 3));
    WriteBytes(files.File("song.wma"), Bytes(1000, 3));
    WriteBytes(files.File("memo.msv"), Bytes(1000, 3));
    Ref<LAudioReader> r;
    for (const char* name : {"clip.mkv", "song.wma", "memo.msv", "gone.avi"}) {
        bool show = true;
        EXPECT_EQ(Open(r, files.File(name), &show), 2) << name;
    }
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(host.messages.size(), 4u);
    EXPECT_NE(host.messages[0].text.find("This means that either the file format is not supported"), std::string::npos);
    EXPECT_EQ(host.messages[1].text,
              "Cannot open file \"" + files.File("song.wma") +
                  "\". It is possible that the file does not exist, it is corrupt or the file is protected with "
                  "Digital Rights Management (DRM) which limits the recording to limited players.");
    EXPECT_EQ(host.messages[2].text.rfind("Cannot open the file \"" + files.File("memo.msv") +
                                              "\" because the codec is not installed. Please download the Sony codec "
                                              "following the links from ",
                                          0),
              0u);
    EXPECT_EQ(host.messages[3].text,
              "Cannot open the file \"" + files.File("gone.avi") + "\". Check it exists and you have read access.");
}

TEST_F(DispatchTest, CancellingTheMediaDecoderEndsItWithoutAMessage) {
    if (!ToolExists("ffmpeg")) GTEST_SKIP() << "ffmpeg missing";
    const std::string src = files.File("long.mka");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel error -f lavfi -i anoisesrc=d=120:r=48000 -c:a flac " + Sh(src)), 0);
    host.cancelAtPump = 1;
    bool show = true;
    Ref<LAudioReader> r;
    EXPECT_EQ(Open(r, src, &show), 1);
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(show);
    // The decoder is gone with its half-written file and the reservation.
    EXPECT_EQ(tmp.List(), std::vector<std::string>{});
}

TEST_F(DispatchTest, TemporaryDecodeNamesSkipThoseHeldElsewhere) {
    TempFolder folder;
    {
        TempDecodeFile first = TempDecodeFile::Reserve(folder.path());
        ASSERT_TRUE(first.Held());
        EXPECT_EQ(first.WavPath(), folder.File("Temp1.wav"));
        // While the first reservation holds Temp1.lck, another one gets Temp2.
        TempDecodeFile second = TempDecodeFile::Reserve(folder.path());
        EXPECT_EQ(second.Number(), 2);
    }
    // Released: the lock files are gone and Temp1 is free again; a left-over Temp1.wav is reused.
    EXPECT_FALSE(FileExists(folder.File("Temp1.lck")));
    WriteBytes(folder.File("Temp1.wav"), Bytes(10, 1));
    EXPECT_EQ(TempDecodeFile::Reserve(folder.path()).Number(), 1);
    EXPECT_FALSE(FileExists(folder.File("Temp1.wav")));
    // A Temp1.wav that another process has open (locked) is left alone.
    WriteBytes(folder.File("Temp1.wav"), Bytes(10, 1));
    LockFile reader = LockFile::Acquire(folder.File("Temp1.wav"));
    ASSERT_TRUE(reader.Held());
    EXPECT_EQ(TempDecodeFile::Reserve(folder.path()).Number(), 2);
    // Another process holding Temp1.lck (flock from a separate process).
    reader.Release();
    if (ToolExists("flock")) {
        const std::string lck = folder.File("Temp1.lck");
        ASSERT_EQ(RunCommand("flock " + Sh(lck) + " sleep 2 & sleep 0.3"), 0);
        EXPECT_EQ(TempDecodeFile::Reserve(folder.path()).Number(), 2);
    }
}

TEST_F(DispatchTest, ChannelConversionKeepsTheLeftChannelAndDuplicatesMono) {
    LAudioData stereo = MakeSound(store, {1, -1, 2, -2, 3, -3}, 2, 8000);
    Ref<LAudioReader> mono = ConvertReader(LBlockReader::Create(stereo), 8000, 1);
    EXPECT_EQ(mono->channels, 1);
    EXPECT_EQ(ReadAll(*mono), (std::vector<std::int32_t>{1, 2, 3}));
    LAudioData single = MakeSound(store, {5, 6}, 1, 8000);
    Ref<LAudioReader> both = ConvertReader(LBlockReader::Create(single), 8000, 2);
    EXPECT_EQ(ReadAll(*both), (std::vector<std::int32_t>{5, 5, 6, 6}));
    // Three channels are passed through as they are.
    LAudioData three = MakeSound(store, {1, 2, 3, 4, 5, 6}, 3, 8000);
    Ref<LAudioReader> source = LBlockReader::Create(three);
    Ref<LAudioReader> same = ConvertReader(source, 8000, 2);
    EXPECT_EQ(same, source);
    EXPECT_EQ(same->channels, 3);
}

TEST_F(DispatchTest, ChannelsDropBeforeTheResamplerAndGrowAfterIt) {
    LAudioData stereo = MakeSound(store, std::vector<std::int32_t>(2000, 16), 2, 44100);
    Ref<LAudioReader> down = ConvertReader(LBlockReader::Create(stereo), 22050, 1);
    auto* resampler = dynamic_cast<LResampler*>(down.get());
    ASSERT_NE(resampler, nullptr);
    EXPECT_NE(dynamic_cast<LStereoToMonoFilter*>(resampler->Input()), nullptr);
    EXPECT_EQ(down->sampleRate, 22050);
    EXPECT_EQ(down->Length(), 500);

    LAudioData mono = MakeSound(store, std::vector<std::int32_t>(1000, 16), 1, 22050);
    Ref<LAudioReader> up = ConvertReader(LBlockReader::Create(mono), 44100, 2);
    auto* widen = dynamic_cast<LMonoToStereoFilter*>(up.get());
    ASSERT_NE(widen, nullptr);
    EXPECT_NE(dynamic_cast<LResampler*>(widen->Input()), nullptr);
    EXPECT_EQ(up->Length(), 2000);

    // Below a quarter of the source rate the resampler works in two stages.
    LAudioData high = MakeSound(store, std::vector<std::int32_t>(48000, 16), 1, 48000);
    Ref<LAudioReader> low = ConvertReader(LBlockReader::Create(high), 8000, 1);
    auto* last = dynamic_cast<LResampler*>(low.get());
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->OutputRate(), 8000);
    EXPECT_NE(dynamic_cast<LResampler*>(last->Input()), nullptr);

    // A reader in error is never wrapped.
    Ref<LAudioReader> broken = MakeRef<LErrorReader>(3);
    EXPECT_EQ(ConvertReader(broken, 8000, 2), broken);
}

TEST_F(DispatchTest, PumpCopiesSixteenBitFullScaleAsItIs) {
    LAudioData sound = MakeSound(store, {0x7FFF0, -0x7FFF0, 5, -0x7FFF0}, 1, 8000);
    const std::string path = files.File("fs.wav");
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(path, 8000, 1, 3);
        FunctionTask task("t", [&](LProgressTask& t) { return PumpSamples(t, LBlockReader::Create(sound), w); });
        ASSERT_TRUE(RunTask(host, task));
    }
    EXPECT_EQ(ReadAll(*OpenWavReader(path)), (std::vector<std::int32_t>{0x7FFF0, -0x7FFF0, 5, -0x7FFF0}));
}

TEST_F(DispatchTest, UnknownSaveExtensionMakesAnErrorWriterAndTheCreateMessage) {
    Ref<LAudioWriter> w = CreateAudioWriter(files.File("x.xyz"), 44100, 2);
    EXPECT_NE(dynamic_cast<LErrorWriter*>(w.get()), nullptr);
    EXPECT_TRUE(w->error);
    LAudioDocument& doc = OpenDoc(MakeRamp(store, 100), files.File("in.wav"));
    EXPECT_EQ(SaveDocumentAs(ws, doc, {files.File("x.xyz"), 44100, 1, false, nullptr}), 2);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0], "Incapable de créer le fichier \"" + files.File("x.xyz") + "\"pour l'enregistrement.");
    EXPECT_FALSE(FileExists(files.File("x.xyz")));
    EXPECT_EQ(files.List(), std::vector<std::string>{});
    // A cancelled options dialog does not confirm; formats without options are confirmed.
    EXPECT_FALSE(ShowSaveOptions(".m3u", host, 44100, 2));
    EXPECT_TRUE(ShowSaveOptions(".au", host, 44100, 2));
    EXPECT_TRUE(EncoderAvailable(".au"));
    EXPECT_FALSE(EncoderAvailable(".wpl"));  // its MP3 encoder is named in no settings
    EXPECT_FALSE(EncoderAvailable(".xyz"));
}

TEST_F(DispatchTest, SaveConvertsToTheTargetRateAndChannels) {
    LAudioData sound = MakeSound(store, std::vector<std::int32_t>(44100 * 2, 1600), 2, 44100);
    LAudioDocument& doc = OpenDoc(sound, files.File("in.wav"));
    const std::string out = files.File("out.wav");
    ASSERT_EQ(SaveDocumentAs(ws, doc, {out, 8000, 1, false, nullptr}), 0);
    Ref<LAudioReader> r = OpenWavReader(out);
    EXPECT_EQ(r->sampleRate, 8000);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->Length(), 8000);
    std::vector<std::int32_t> s = ReadAll(*r);
    EXPECT_NEAR(s[4000], 1600, 32);
}

TEST_F(DispatchTest, AThreeChannelSoundSavedWithTheStoredMonoGsmFormatIsMixedToOneChannel) {
    ASSERT_TRUE(StoreWavSaveFormat(MakeGsmFormat(8000)));
    // Channels 1 and 2 cancel out; the mix is a third of channel 0's square wave.
    std::vector<std::int32_t> s;
    for (int k = 0; k < 8000; ++k) {
        const std::int32_t v = (k / 20) % 2 ? 96000 : -96000;
        s.insert(s.end(), {v * 3, 4000, -4000});
    }
    LAudioDocument& doc = OpenDoc(MakeSound(store, s, 3, 8000), files.File("three.wav"));
    const std::string out = files.File("gsm.wav");
    ASSERT_EQ(SaveDocumentAs(ws, doc, {out, 8000, 3, false, nullptr}), 0);
    Ref<LAudioReader> r = OpenWavReader(out);
    ASSERT_EQ(r->errorCode, 0);
    EXPECT_EQ(r->channels, 1);
    // One GSM block (320 frames) at most of padding, not three frames written for each one.
    EXPECT_GE(r->Length(), 8000);
    EXPECT_LT(r->Length(), 8320);
    std::vector<std::int32_t> back = ReadAll(*r);
    double sum = 0;
    for (int k = 1000; k < 7000; ++k) sum += std::abs(static_cast<double>(back[static_cast<std::size_t>(k)]));
    EXPECT_NEAR(sum / 6000, 96000, 30000);
}

TEST_F(DispatchTest, PumpRefusesAWriterOfAnotherChannelCount) {
    LAudioData stereo = MakeSound(store, {1, -1, 2, -2}, 2, 8000);
    Ref<LAudioWriter> w = CreatePcmWavWriter(files.File("mono.wav"), 8000, 1, 2);
    FunctionTask task("t", [&](LProgressTask& t) { return PumpSamples(t, LBlockReader::Create(stereo), w); });
    RunTask(host, task);
    EXPECT_EQ(task.Result(), 2);
    EXPECT_EQ(w->framesWritten, 0);
}

class SafeSaveTest : public DispatchTest {
protected:
    void SetUp() override {
        target = MakeWav(files.File("keep.wav"), 5000);
        before = ReadBytes(target);
    }
    void ExpectUntouched() {
        EXPECT_EQ(ReadBytes(target), before);
        EXPECT_EQ(files.List(), std::vector<std::string>{"keep.wav"});
    }
    std::string target;
    Bytes before;
};

TEST_F(SafeSaveTest, CancelledSaveLeavesThePreviousFileByteForByte) {
    LAudioDocument& doc = OpenDoc(MakeSound(store, std::vector<std::int32_t>(200000, 800), 1, 44100), target);
    host.cancelAtPump = 3;
    EXPECT_EQ(SaveDocumentAs(ws, doc, {target, 44100, 1, false, doc.tags.get()}), 1);
    ExpectUntouched();
    EXPECT_TRUE(host.progressErrors.empty());
}

TEST_F(SafeSaveTest, SaveOntoAFullFileSystemLeavesThePreviousFileAndReportsTheFailure) {
    LAudioDocument& doc = OpenDoc(MakeSound(store, std::vector<std::int32_t>(300000, 800), 1, 44100), target);
    // A file size limit stands for the full disk: writes past 64 KB fail with EFBIG.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = SaveDocumentAs(ws, doc, {target, 44100, 1, false, nullptr});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, 2);
    ExpectUntouched();
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0].rfind("Incapable de créer le fichier \"" + target + "\"pour l'enregistrement.", 0), 0u);
}

TEST_F(SafeSaveTest, SuccessfulSaveReplacesTheFileWithItsTagsAndKeepsItsPermissions) {
    ASSERT_EQ(RunCommand("chmod 600 " + Sh(target)), 0);
    LAudioDocument& doc = OpenDoc(MakeRamp(store, 1234), target);
    doc.tags = std::make_unique<LTagSet>();
    doc.tags->Set("TITLE", "Remplacé");
    ASSERT_EQ(SaveDocumentAs(ws, doc, {target, 44100, 1, false, doc.tags.get()}), 0);
    EXPECT_EQ(OpenWavReader(target)->Length(), 1234);
    LTagSet back;
    ReadTags(back, target);
    EXPECT_EQ(back.Get("TITLE"), "Remplacé");
    EXPECT_EQ(CommandOutput("stat -c %a " + Sh(target)), "600\n");
    EXPECT_EQ(files.List(), std::vector<std::string>{"keep.wav"});
}

TEST_F(DispatchTest, RealAudioCannotBeSavedAndOffersAnotherFormat) {
    LAudioDocument& doc = OpenDoc(MakeRamp(store, 100), files.File("talk.rm"));
    host.answers.push_back(MsgAnswer::No);
    EXPECT_FALSE(SaveDocument(ws, doc));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "L'enregistrement au format real audio n'est pas supporté. Souhaitez vous "
                                     "enregistrer sous un autre format (wav, mp3, gsm, vox)?");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNo);
    // Yes goes to Save As, which offers the stored type.
    settings.WriteUserSetting("Settings", "SaveAsFormat", "wav");
    host.answers.push_back(MsgAnswer::Yes);
    host.savePicks.push_back(files.File("talk"));
    host.dialogs.push_back({true, {}});
    std::vector<std::string> recent;
    ws.addRecentFile = [&recent](const std::string& p) { recent.push_back(p); };
    EXPECT_TRUE(SaveDocument(ws, doc));
    EXPECT_EQ(doc.path, files.File("talk.wav"));
    EXPECT_EQ(recent, std::vector<std::string>{files.File("talk.wav")});
}

TEST_F(DispatchTest, FileDialogsOfferTheirFiltersInOrder) {
    std::vector<FileFilter> open = OpenFilters();
    ASSERT_EQ(open.size(), 24u);
    EXPECT_EQ(open.front().label, "Audio Files");
    EXPECT_EQ(open.front().patterns.size(), 27u);
    EXPECT_EQ(open[3].label, "MPEG Layer-3 Files (*.mp3, *.mp2, *.mpga)");
    EXPECT_EQ(open.back().label, "All Files");
    std::vector<FileFilter> save = SaveFilters();
    ASSERT_EQ(save.size(), 16u);
    EXPECT_EQ(save.front().label, "Wave (*.wav)");
    EXPECT_EQ(save.back().label, "AMR Narrowband Audio (*.amr)");
}

TEST_F(DispatchTest, InsertingAFileOfAnotherFormatConvertsIt) {
    LAudioDocument& doc = OpenDoc(MakeRamp(store, 1000), files.File("doc.wav"));
    doc.cursor = 1000;
    host.openPicks.push_back({MakeWav(files.File("other.wav"), 11025, 2, 22050)});
    ASSERT_TRUE(registry.Run(kCmdInsertFileEnd, ws));
    EXPECT_EQ(doc.sound.sampleRate, 44100);
    EXPECT_EQ(doc.sound.channels, 1);
    EXPECT_EQ(doc.Length(), 1000 + 22050);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(DispatchTest, ConvertCommandsRewriteTheDocumentAsOneUndoStep) {
    LAudioData stereo = MakeSound(store, {100, -100, 200, -200, 300, -300, 400, -400}, 2, 8000);
    LAudioDocument& doc = OpenDoc(stereo, files.File("st.wav"));
    EXPECT_FALSE(registry.Enabled(kCmdStereo, ws));
    ASSERT_TRUE(registry.Run(kCmdMono, ws));
    EXPECT_EQ(doc.sound.channels, 1);
    EXPECT_EQ(ReadFrames(doc.sound, 0, 4), (std::vector<std::int32_t>{100, 200, 300, 400}));
    EXPECT_EQ(UndoName(doc), "Mono");
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "ConvertChannel", 0), 1);
    ASSERT_TRUE(Undo(doc));
    EXPECT_EQ(doc.sound.channels, 2);

    // The rate dialog refuses what it cannot convert and stores what it accepted.
    host.dialogs.push_back({true, {{"rate", "50"}}});
    host.dialogs.push_back({true, {{"rate", "16000"}}});
    ASSERT_TRUE(registry.Run(kCmdConvertRate, ws));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(host.shownDialogs.at(0).caption, "Convertir le Taux d'Echantillonnage");
    EXPECT_EQ(doc.sound.sampleRate, 16000);
    EXPECT_EQ(doc.sound.channels, 2);
    EXPECT_EQ(doc.Length(), 8);
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "ConvertSampleRate", 0), 16000);
}

}  // namespace
}  // namespace sv::test
