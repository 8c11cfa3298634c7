// The coder programs: component lookup, the exact command lines, and the encoders and decoders
// driven through the open and save paths with fake components that record what they are given.
#include "FormatTestSupport.h"
#include "core/AudioDocument.h"
#include "core/ProgressTask.h"
#include "formats/AudioFileIo.h"
#include "formats/CoderCommandLines.h"
#include "formats/Components.h"
#include "formats/FormatCommands.h"
#include "formats/RawFile.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sys/stat.h>

namespace sv::test {
namespace {

using Args = std::vector<std::string>;

Args Names(const std::string& dir) {
    Args names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(CoderCommandLines, Mp3RatesFollowTheRateRulesAt96kAnd22k) {
    Mp3EncoderSettings cbr;  // 128 kbit/s constant, high quality, joint stereo
    // The rule caps the rate at 48000, which no later step changes: 48 kHz is a valid MPEG-1
    // rate, so the rule wins over the 44.1 kHz figure quoted beside it.
    EncoderCommand at96 = Mp3Command("enc", "/o.mp3", 96000, 2, cbr);
    EXPECT_EQ(at96.rate, 48000);
    EXPECT_EQ(at96.argv, (Args{"enc", "-m", "j", "-b", "128", "-h", "-r", "-x", "-s", "48.000", "-S", "-", "/o.mp3"}));
    Mp3EncoderSettings high = cbr;
    high.cbrBitRate = 320;
    EXPECT_EQ(Mp3Command("enc", "/o.mp3", 22050, 2, high).rate, 44100);
    EXPECT_EQ(Mp3RateText(44100), "44.100");
    EXPECT_EQ(Mp3RateText(8000), "8.000");
    const std::pair<std::int32_t, std::int32_t> table[] = {{46000, 44100}, {40000, 44100}, {32000, 32000}, {28000, 32000},
                                                           {23000, 22050}, {18000, 22050}, {12000, 11025}, {9000, 11025},
                                                           {8000, 8000},   {6000, 8000},   {16000, 16000}};
    for (auto [in, out] : table) EXPECT_EQ(Mp3OutputRate(in, cbr), out) << in;
    Mp3EncoderSettings low = cbr;
    low.cbrBitRate = 24;  // below 32: nothing above 22050
    EXPECT_EQ(Mp3OutputRate(44100, low), 22050);
}

TEST(CoderCommandLines, Mp3ChannelRulesAndVariableMode) {
    Mp3EncoderSettings s;
    s.cbrBitRate = 16;  // too low for two channels: fed mono, mono letter, no mix-down switch
    EncoderCommand c = Mp3Command("enc", "/o.mp3", 44100, 2, s);
    EXPECT_EQ(c.channels, 1);
    EXPECT_EQ(c.argv, (Args{"enc", "-m", "m", "-b", "16", "-h", "-r", "-x", "-s", "22.050", "-S", "-", "/o.mp3"}));

    Mp3EncoderSettings mono;
    mono.channelMode = 3;  // stereo fed, the encoder mixes down
    EXPECT_EQ(Mp3Command("enc", "/o.mp3", 44100, 2, mono).argv,
              (Args{"enc", "-a", "-m", "m", "-b", "128", "-h", "-r", "-x", "-s", "44.100", "-S", "-", "/o.mp3"}));
    mono.channelMode = 7;  // out of range: joint
    EXPECT_EQ(Mp3Command("enc", "/o.mp3", 44100, 2, mono).argv[2], "j");

    Mp3EncoderSettings vbr;
    vbr.constantBitRate = false;
    vbr.vbrMinBitRate = 8;
    vbr.vbrMaxBitRate = 256;  // above 160: the minimum is raised to 32
    vbr.vbrQuality = 2;
    vbr.errorProtection = true;
    vbr.channelMode = 0;
    EXPECT_EQ(Mp3Command("enc", "/o.mp3", 44100, 2, vbr).argv,
              (Args{"enc", "-m", "s", "-p", "-v", "-b", "32", "-B", "256", "-V", "2", "-r", "-x", "-s", "44.100", "-S",
                    "-", "/o.mp3"}));
}

TEST(CoderCommandLines, OggFlacAacAndAmrLines) {
    OggEncoderSettings ogg;
    ogg.quality = false;
    ogg.vbrMinBitRate = 96;
    ogg.vbrMaxBitRate = 128;
    // 8000 Hz mono can carry 36 kbit/s at most; the minimum follows the maximum down.
    EXPECT_EQ(OggCommand("enc", "/o.ogg", 8000, 1, ogg).argv,
              (Args{"enc", "-C", "1", "-R", "8000", "-m", "36", "-M", "36", "-Q", "-", "-o", "/o.ogg"}));
    OggEncoderSettings q;  // Channels 1 by default: a stereo sound is mixed down
    q.stripComments = true;
    EXPECT_EQ(OggCommand("enc", "/o.ogg", 44100, 2, q).argv,
              (Args{"enc", "-C", "2", "-R", "44100", "--downmix", "-q", "4", "--discard-comments", "-Q", "-", "-o",
                    "/o.ogg"}));

    FlacEncoderSettings flac;
    flac.compression = 11;
    EncoderCommand f = FlacCommand("enc", "/o.flac", 48000, 2, flac);
    EXPECT_EQ(f.argv, (Args{"enc", "--channels=2", "--sample-rate=48000", "--compression-level-8", "--endian=little",
                            "--bps=16", "--sign=signed", "-f", "-", "-o", "/o.flac"}));
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.rate, 48000);

    AacEncoderSettings aac;
    aac.averageBitRate = true;
    aac.abrBitRate = 320;
    aac.forceMpeg2 = true;
    aac.disableTns = true;
    EXPECT_EQ(AacCommand("enc", "/o.aac", 22050, 1, aac).argv,
              (Args{"enc", "-C", "1", "-R", "22050", "-b", "99", "--mpeg-vers", "2", "--no-tns", "-X", "-", "-o",
                    "/o.aac"}));
    EXPECT_EQ(AacCommand("enc", "/o.m4a", 44100, 2, AacEncoderSettings{}).argv,
              (Args{"enc", "-C", "2", "-R", "44100", "-q", "100", "-X", "-", "-o", "/o.m4a"}));

    AmrEncoderSettings amr;
    EncoderCommand a = AmrPipeCommand("enc", "/o.amr", amr);
    EXPECT_EQ(a.argv, (Args{"enc", "MR74", "-", "/o.amr"}));
    EXPECT_EQ(a.rate, 8000);
    amr.modeRateSelection = 7;
    EXPECT_EQ(AmrFileCommand("enc", "/i.wav", "/o.amr", amr), (Args{"enc", "MR122", "/i.wav", "/o.amr"}));
    amr.modeRateSelection = 99;
    EXPECT_EQ(AmrFileCommand("enc", "/i.wav", "/o.amr", amr)[1], "MR74");

    EXPECT_EQ(DecoderCommand("oggdec", "d", "s", "o"), (Args{"d", "-o", "o", "s"}));
    EXPECT_EQ(DecoderCommand("flacdec", "d", "s", "o"), (Args{"d", "-d", "-f", "-o", "o", "s"}));
    EXPECT_EQ(DecoderCommand("aacdec", "d", "s", "o"), (Args{"d", "-d", "-o", "o", "s"}));
    EXPECT_EQ(DecoderCommand("shndec", "d", "s", "o"), (Args{"d", "-x", "s", "o"}));
    EXPECT_EQ(DecoderCommand("actdec", "d", "s", "o"), (Args{"d", "s", "o"}));
    EXPECT_EQ(DecoderCommand("amrdec", "d", "s", "o"), (Args{"d", "s", "o"}));
}

TEST(Components, TheMachineScopeIsReadFirstAndTheUserScopeAlone) {
    MemorySettingsScope user, machine(false);
    Settings settings(user, &machine);
    std::string path;
    EXPECT_FALSE(ComponentPath(&settings, "oggenc", path));
    EXPECT_FALSE(ComponentPath(nullptr, "oggenc", path));
    user.Set("Components/oggenc", "Path", "/user/oggenc");
    ASSERT_TRUE(ComponentPath(&settings, "oggenc", path));
    EXPECT_EQ(path, "/user/oggenc");
    machine.Preset("Components/oggenc", "Path", "/machine/oggenc");
    ASSERT_TRUE(ComponentPath(&settings, "oggenc", path));
    EXPECT_EQ(path, "/machine/oggenc");
}

TEST(Components, AMissingComponentIsNamedWithItsPackageAndNothingIsInstalled) {
    MemorySettingsScope user;
    Settings settings(user, nullptr);
    ScriptedHost host;
    EXPECT_EQ(EnsureComponent(&host, &settings, "flacenc"), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Erreur");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Warning);
    EXPECT_NE(host.messages[0].text.find("Impossible d'installer le composant à installer sur demande \"flacenc\""),
              std::string::npos);
    EXPECT_NE(host.messages[0].text.find("[Components/flacenc]"), std::string::npos);

    // The shipped adapter is there but the Debian program it calls is not.
    ASSERT_GT(RegisterShippedComponents(settings), 0) << "no adapters in " << ShippedComponentsFolder();
    std::string path;
    ASSERT_TRUE(ComponentPath(&settings, "mp3el", path));
    EXPECT_EQ(path, ShippedComponentsFolder() + "/mp3el");
    const std::string oldPath = std::getenv("PATH");
    TempFolder empty;
    setenv("PATH", empty.path().c_str(), 1);
    std::string text = MissingComponentText(&settings, "mp3el");
    std::string amr = MissingComponentText(&settings, "amrenc");
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_NE(text.find("\"lame\" est introuvable"), std::string::npos) << text;
    EXPECT_NE(text.find("sudo apt-get install lame"), std::string::npos) << text;
    EXPECT_NE(amr.find("sox libopencore-amrnb0"), std::string::npos) << amr;
    EXPECT_EQ(MissingComponentText(&settings, "mp3el"), ToolExists("lame") ? "" : text);
}

// A fake component that writes its arguments (one per line) and its standard input beside
// itself, then does what body says.
class FakeComponentTest : public ::testing::Test, protected TestWorkspace {
protected:
    FakeComponentTest() {
        // Folders whose names would break any command line built as text.
        tools = JoinPath(folder.path(), "tools 'q' $HOME; é");
        out = JoinPath(folder.path(), "out \"dq\" $x; ü");
        ::mkdir(tools.c_str(), 0755);
        ::mkdir(out.c_str(), 0755);
        const char* old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        setenv("TMPDIR", tmp.path().c_str(), 1);
        InstallFormatServices(ws);
    }
    ~FakeComponentTest() override {
        if (oldTmp.empty()) unsetenv("TMPDIR");
        else setenv("TMPDIR", oldTmp.c_str(), 1);
    }

    void Fake(const std::string& name, const std::string& body) {
        const std::string path = JoinPath(tools, name);
        std::ofstream f(path);
        f << "#!/bin/sh\nhere=$(dirname \"$0\")\nfor a in \"$0\" \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/" << name
          << ".args\"\n"
          << body << "\n";
        f.close();
        ::chmod(path.c_str(), 0755);
        user.Set(ComponentSection(name), "Path", path);
    }
    Args Recorded(const std::string& name) const {
        std::ifstream f(JoinPath(tools, name + ".args"));
        Args args;
        for (std::string line; std::getline(f, line);) args.push_back(line);
        return args;
    }
    LAudioDocument& Doc(const LAudioData& sound) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "x");
        ws.AddDocument(doc);
        return *doc;
    }

    TempFolder folder, tmp;
    std::string tools, out, oldTmp;
};

constexpr const char* kEncodeAll = "cat > \"$here/stdin\"\nfor last; do :; done\nprintf ENCODED > \"$last\"";

TEST_F(FakeComponentTest, AnEncoderGetsItsExactArgumentsAndLittleEndianPcm) {
    Fake("mp3el", kEncodeAll);
    LAudioData sound = MakeSound(store, {16, -16, 0x7fff0, -0x7fff0, 32, 48}, 2, 44100);
    const std::string target = JoinPath(out, "song 'x'.mp3");
    ASSERT_EQ(SaveDocumentAs(ws, Doc(sound), {target, 44100, 2, false, nullptr}), 0) << host.progressErrors.size();
    Args args = Recorded("mp3el");
    ASSERT_EQ(args.size(), 13u);
    EXPECT_EQ(Args(args.begin(), args.end() - 1),
              (Args{JoinPath(tools, "mp3el"), "-m", "j", "-b", "128", "-h", "-r", "-x", "-s", "44.100", "-S", "-"}));
    EXPECT_EQ(FileNamePart(args.back()).substr(0, 13), ".song 'x'.son");  // written beside, then renamed
    EXPECT_EQ(ReadBytes(target), (Bytes{'E', 'N', 'C', 'O', 'D', 'E', 'D'}));
    EXPECT_EQ(ReadBytes(JoinPath(tools, "stdin")),
              (Bytes{0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x80, 0x02, 0x00, 0x03, 0x00}));
    EXPECT_EQ(folder.List().size(), 2u);
}

TEST_F(FakeComponentTest, AFailingEncoderLeavesThePreviousFileByteIdentical) {
    LAudioData sound = MakeRamp(store, 200000);
    const std::string target = JoinPath(out, "keep.ogg");
    const Bytes previous = {'O', 'L', 'D', 0, 1, 2};
    struct Case {
        const char* name;
        const char* body;
        const char* says;  // in the reported failure
    };
    const Case cases[] = {
        {"non-zero exit", "cat > /dev/null\necho 'bad sample rate' >&2\nexit 3", "(code 3)"},
        // Ends without reading: the next write meets a broken pipe, which must not kill us.
        {"exits at once", "echo 'no input wanted' >&2\nexit 0", "no input wanted"},
        {"writes nothing", "cat > /dev/null\nexit 0", "n'a pas écrit"},
    };
    for (const Case& c : cases) {
        Fake("oggenc", c.body);
        WriteBytes(target, previous);
        host.progressErrors.clear();
        EXPECT_EQ(SaveDocumentAs(ws, Doc(sound), {target, 44100, 1, false, nullptr}), 2) << c.name;
        EXPECT_EQ(ReadBytes(target), previous) << c.name;
        ASSERT_EQ(host.progressErrors.size(), 1u) << c.name;
        EXPECT_EQ(host.progressErrors[0].rfind(CannotCreateMessage(target), 0), 0u) << c.name;
        EXPECT_NE(host.progressErrors[0].find(c.says), std::string::npos) << c.name << ": " << host.progressErrors[0];
        EXPECT_EQ(Names(out), (Args{"keep.ogg"})) << c.name;  // no half-written sibling left
    }
}

TEST_F(FakeComponentTest, AnEncoderFedMoreThanItsPipeHoldsGetsEveryByteOrIsReportedWhenItStops) {
    LAudioData sound = MakeRamp(store, 1500000);  // 3,000,000 bytes: the pipe refills several times
    const std::string target = JoinPath(out, "long.flac");
    Fake("flacenc", "dd bs=1000 status=none > \"$here/stdin\"\nfor last; do :; done\nprintf ENCODED > \"$last\"");
    ASSERT_EQ(SaveDocumentAs(ws, Doc(sound), {target, 44100, 1, false, nullptr}), 0);
    EXPECT_EQ(ReadBytes(JoinPath(tools, "stdin")).size(), 3000000u);
    Fake("flacenc", "head -c 700000 > /dev/null\necho 'stopped reading' >&2\nexit 0");
    WriteBytes(target, Bytes{'O', 'L', 'D'});
    host.progressErrors.clear();
    EXPECT_EQ(SaveDocumentAs(ws, Doc(sound), {target, 44100, 1, false, nullptr}), 2);
    EXPECT_EQ(ReadBytes(target), (Bytes{'O', 'L', 'D'}));
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_NE(host.progressErrors[0].find("stopped reading"), std::string::npos) << host.progressErrors[0];
}

TEST_F(FakeComponentTest, CancelEndsAHangingEncoderAndKeepsThePreviousFile) {
    Fake("flacenc", "exec sleep 30");
    LAudioData sound = MakeRamp(store, 200000);  // more than the pipe holds
    const std::string target = JoinPath(out, "keep.flac");
    WriteBytes(target, Bytes{'O', 'L', 'D'});
    host.cancelAtPump = 12;
    EXPECT_EQ(SaveDocumentAs(ws, Doc(sound), {target, 44100, 1, false, nullptr}), 1);
    EXPECT_EQ(ReadBytes(target), (Bytes{'O', 'L', 'D'}));
    EXPECT_TRUE(host.progressErrors.empty());
}

TEST_F(FakeComponentTest, AMissingEncoderIsReportedBeforeAnythingIsWritten) {
    const std::string target = JoinPath(out, "keep.mp3");
    WriteBytes(target, Bytes{'O', 'L', 'D'});
    EXPECT_EQ(SaveDocumentAs(ws, Doc(MakeRamp(store, 100)), {target, 44100, 1, false, nullptr}), 2);
    EXPECT_EQ(ReadBytes(target), (Bytes{'O', 'L', 'D'}));
    ASSERT_FALSE(host.messages.empty());
    EXPECT_NE(host.messages[0].text.find("\"mp3el\""), std::string::npos);
    ASSERT_EQ(host.progressErrors.size(), 1u);
    EXPECT_EQ(host.progressErrors[0], CannotCreateMessage(target));
}

TEST_F(FakeComponentTest, FlacNamesTheStreamsChannelsAndRateWhateverIsStored) {
    Fake("flacenc", kEncodeAll);
    user.Set("FlacEncoder", "Channels", "1");
    user.Set("FlacEncoder", "SampleRate", "44100");
    LAudioData sound = MakeSound(store, {16, 32, 48, 64}, 2, 48000);
    ASSERT_EQ(SaveDocumentAs(ws, Doc(sound), {JoinPath(out, "s.flac"), 48000, 2, false, nullptr}), 0);
    Args args = Recorded("flacenc");
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(args[1], "--channels=2");
    EXPECT_EQ(args[2], "--sample-rate=48000");
    EXPECT_EQ(ReadBytes(JoinPath(tools, "stdin")).size(), 8u);  // both channels, no doubling
}

TEST_F(FakeComponentTest, AmrSavesThroughAnEightKilohertzMonoWav) {
    Fake("amrenc", "cp \"$2\" \"$here/input.wav\"\nprintf '#!AMR' > \"$3\"");
    std::vector<std::int32_t> samples(4410 * 2, 160);
    const std::string target = JoinPath(out, "voice.amr");
    ASSERT_EQ(SaveDocumentAs(ws, Doc(MakeSound(store, samples, 2, 44100)), {target, 44100, 2, false, nullptr}), 0);
    Args args = Recorded("amrenc");
    ASSERT_EQ(args.size(), 4u);
    EXPECT_EQ(args[1], "MR74");
    Ref<LAudioReader> wav = OpenWavReader(JoinPath(tools, "input.wav"));
    EXPECT_EQ(wav->sampleRate, 8000);
    EXPECT_EQ(wav->channels, 1);
    EXPECT_NEAR(wav->Length(), 800, 2);
    EXPECT_FALSE(FileExists(args[2]));  // the temporary WAV is gone
    EXPECT_EQ(ReadBytes(target).size(), 5u);
}

TEST_F(FakeComponentTest, ADecoderGetsItsArgumentsAndItsWavIsRead) {
    const std::string wav = JoinPath(folder.path(), "decoded.wav");
    {
        Ref<LAudioWriter> w = CreatePcmWavWriter(wav, 22050, 2, 2);
        std::vector<std::int32_t> s = {16, -16, 32, -32, 48, -48};
        w->Write(s.data(), 3);
    }
    Fake("flacdec", "cp \"$here/../decoded.wav\" \"$4\"");
    const std::string source = JoinPath(out, "in 'x' $y.flac");
    WriteBytes(source, Bytes(10, 0));
    Ref<LAudioReader> r;
    bool show = true;
    ASSERT_EQ(OpenAudioFile(r, source, nullptr, &show, host, nullptr, &settings), 0);
    EXPECT_EQ(ReadAll(*r), (std::vector<std::int32_t>{16, -16, 32, -32, 48, -48}));
    Args args = Recorded("flacdec");
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(Args(args.begin() + 1, args.begin() + 4), (Args{"-d", "-f", "-o"}));
    EXPECT_EQ(args[4], JoinPath(tmp.path(), "Temp1.wav"));
    EXPECT_EQ(args[5], source);
    EXPECT_NE(std::find(host.progressTexts.begin(), host.progressTexts.end(), "1:Decoding FLAC file"),
              host.progressTexts.end());
}

TEST_F(FakeComponentTest, DecoderFailuresAndCancelEndTheProgramAndRemoveItsOutput) {
    const std::string source = JoinPath(out, "a.ogg");
    WriteBytes(source, Bytes(10, 0));
    Fake("oggdec", "printf partial > \"$2\"\necho 'not an ogg file' >&2\nexit 1");
    Ref<LAudioReader> r;
    bool show = true;
    EXPECT_EQ(OpenAudioFile(r, source, nullptr, &show, host, nullptr, &settings), 2);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find("not an ogg file"), std::string::npos);
    EXPECT_FALSE(FileExists(JoinPath(tmp.path(), "Temp1.wav")));

    Fake("oggdec", "printf partial > \"$2\"\nexec sleep 30");
    host.cancelAtPump = 3;
    show = true;
    EXPECT_EQ(OpenAudioFile(r, source, nullptr, &show, host, nullptr, &settings), 1);
    EXPECT_FALSE(FileExists(JoinPath(tmp.path(), "Temp1.wav")));
    EXPECT_EQ(host.messages.size(), 1u);
}

TEST_F(FakeComponentTest, AmrOpensAsRawEightKilohertzMonoAndStoresThoseRawSettings) {
    Fake("amrdec", "printf '\\020\\000\\040\\000' > \"$2\"");
    const std::string source = JoinPath(out, "v.amr");
    WriteBytes(source, Bytes(10, 0));
    Ref<LAudioReader> r;
    bool show = true;
    ASSERT_EQ(OpenAudioFile(r, source, nullptr, &show, host, nullptr, &settings), 0);
    EXPECT_EQ(r->sampleRate, 8000);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(ReadAll(*r), (std::vector<std::int32_t>{16 * 16, 32 * 16}));
    LRawSettings raw = LoadRawSettings(&settings, "RawAudio", 44100, kRawPcm16Le);
    EXPECT_EQ(raw.sampleRate, 8000);
    EXPECT_EQ(raw.channels, 1);
    EXPECT_EQ(raw.codec, kRawPcm16Le);
}

TEST_F(FakeComponentTest, FormatsWithoutADecoderHereKeepTheirMessages) {
    const std::string sri = JoinPath(out, "a.sri"), dct = JoinPath(out, "a.dct");
    WriteBytes(sri, Bytes(10, 0));
    WriteBytes(dct, Bytes(10, 0));
    Ref<LAudioReader> r;
    bool show = true;
    EXPECT_EQ(OpenAudioFile(r, sri, nullptr, &show, host, nullptr, &settings), 2);
    show = true;
    EXPECT_EQ(OpenAudioFile(r, dct, nullptr, &show, host, nullptr, &settings), 2);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text.rfind("Unable to load the VoiceIt file SrPump.dll.\r\n\r\nPlease download", 0), 0u);
    EXPECT_EQ(host.messages[1].text, "DCT File load error");
}

TEST_F(FakeComponentTest, TheOptionsDialogsShowAndStoreTheirSections) {
    host.dialogs.push_back({true, {{"mode", "1"}, {"vbrMin", "3"}, {"vbrMax", "14"}, {"vbrQuality", "2"}}});
    ASSERT_TRUE(ShowSaveOptions(".mp3", host, 44100, 2, &settings));
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "LMp3EncodeDlg");
    EXPECT_EQ(host.shownDialogs[0].Field("vbrQuality")->choices.front(), "0 (Highest)");
    EXPECT_EQ(host.shownDialogs[0].Field("vbrQuality")->choices.back(), "9 (Lowest)");
    EXPECT_EQ(host.shownDialogs[0].Field("channelMode")->choices, (Args{"Stereo", "Joint", "Force", "Mono"}));
    EXPECT_EQ(settings.ReadSetting("MP3Encoder", "ConstantBitRate"), "0");
    EXPECT_EQ(settings.ReadSetting("MP3Encoder", "VBRMinBitRate"), "32");
    EXPECT_EQ(settings.ReadSetting("MP3Encoder", "VBRMaxBitRate"), "192");
    EXPECT_EQ(settings.ReadSetting("MP3Encoder", "VBRQuality"), "2");

    // A minimum above the maximum is refused; the next answer is taken.
    host.dialogs.push_back({true, {{"mode", "1"}, {"min", "200"}, {"max", "100"}}});
    host.dialogs.push_back({true, {{"mode", "1"}, {"min", "64"}, {"max", "100"}}});
    ASSERT_TRUE(ShowSaveOptions(".ogg", host, 44100, 2, &settings));
    EXPECT_EQ(host.shownDialogs[1].resource, "OggEncodeDlg");
    EXPECT_EQ(host.shownDialogs[1].Value("channels"), "1");  // preset to the sound's two channels
    EXPECT_EQ(host.messages.back().caption, "Valeur Invalide");
    EXPECT_EQ(settings.ReadSetting("OggEncoder", "VBRMinBitRate"), "64");
    EXPECT_EQ(settings.ReadSetting("OggEncoder", "Channels"), "2");

    host.dialogs.push_back({true, {{"compression", "8"}}});
    ASSERT_TRUE(ShowSaveOptions(".flac", host, 44100, 2, &settings));
    EXPECT_EQ(host.shownDialogs[2].Field("compression")->choices.back(), "8 (best)");
    EXPECT_EQ(settings.ReadSetting("FlacEncoder", "Compression"), "8");
    host.dialogs.push_back({true, {{"mode", "1"}, {"abr", "96"}, {"noTns", "1"}}});
    ASSERT_TRUE(ShowSaveOptions(".m4a", host, 44100, 2, &settings));
    EXPECT_EQ(host.shownDialogs[3].resource, "LAACEncodeDlg");
    EXPECT_EQ(settings.ReadSetting("AACEncoder", "ABRBitRate"), "96");
    EXPECT_EQ(settings.ReadSetting("AACEncoder", "DisableTNS"), "1");
    host.dialogs.push_back({false, {}});
    EXPECT_FALSE(ShowSaveOptions(".amr", host, 8000, 1, &settings));
    EXPECT_EQ(host.shownDialogs[4].resource, "LAMREncodeDlg");
    EXPECT_EQ(host.shownDialogs[4].Field("mode")->choices[0].substr(0, 5), "MR475");
    EXPECT_EQ(settings.ReadSetting("AMREncoder", "ModeRateSelection"), "");
}

}  // namespace
}  // namespace sv::test
