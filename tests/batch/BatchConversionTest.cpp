// The batch converter end to end on files made by sox, ffmpeg and lame: in process through the
// scripted Host, and from a terminal through the program itself without a display.
#include "batch/BatchConversion.h"
#include "batch/BatchOutput.h"
#include "batch/BatchScript.h"
#include "formats/WavReader.h"
#include "formats/FormatTestSupport.h"
#include "platform/Paths.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace sv {
namespace {

using test::Bytes;
using test::CommandOutput;
using test::ReadBytes;
using test::RunCommand;
using test::Sh;

bool HaveTools() {
    return test::ToolExists("sox") && test::ToolExists("soxi") && test::ToolExists("ffmpeg") && test::ToolExists("lame");
}

class BatchConversionTest : public ::testing::Test, protected test::TestWorkspace {
protected:
    void SetUp() override {
        if (!HaveTools()) GTEST_SKIP() << "sox, ffmpeg or lame missing";
    }
    // Two seconds of 1 kHz and 100 Hz tones, stereo 16-bit, by sox.
    std::string SoxTones(const std::string& name) {
        const std::string path = files.File(name);
        EXPECT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Sh(path) +
                             " synth 2 sine 1000 sine 100 gain -9 2>/dev/null"),
                  0);
        return path;
    }
    std::vector<LBatchEntry> NormaliseHighPass(int level = 100) {
        return {{kRowNormalize, EncodeBatchParams(kRowNormalize, {level, 0, 0, {}})},
                {kRowLowCut, EncodeBatchParams(kRowLowCut, {250, 0, 0, {}})}};
    }
    int Run(LBatchConversion& batch) {
        RunTask(ws.host(), batch);
        return batch.Result();
    }
    test::TempFolder files;
};

TEST_F(BatchConversionTest, NormaliseAndHighPassMatchSoxWithinOnePercentOfFullScale) {
    const std::string source = SoxTones("tones.wav");
    const std::string reference = files.File("sox.wav");
    // At 0 dBFS sox's high-pass clips its overshoot; half scale (-6.02 dB) keeps both sides
    // clean. -D: no dither on sox's side either.
    ASSERT_EQ(RunCommand("sox " + Sh(source) + " -b 16 -D " + Sh(reference) + " gain -n -6.0206 highpass 250 2>/dev/null"),
              0);
    BatchOutputSettings out;
    out.sameFolder = false;
    out.folder = files.File("out");
    ASSERT_EQ(RunCommand("mkdir " + Sh(out.folder)), 0);
    LBatchConversion batch(ws, {source}, NormaliseHighPass(50), out);
    ASSERT_EQ(Run(batch), kTaskDone);
    ASSERT_EQ(batch.Reports().size(), 1u);
    EXPECT_EQ(batch.Reports()[0].status, BatchFileStatus::Done);
    const std::vector<std::int32_t> ours = test::ReadAll(*OpenWavReader(files.File("out/tones.wav")));
    const std::vector<std::int32_t> theirs = test::ReadAll(*OpenWavReader(reference));
    ASSERT_EQ(ours.size(), theirs.size());
    // The same filter in 24-bit fixed point against sox's doubles; most of what remains is the
    // normaliser's peak measured on the peak files, 0.3 to 0.7 % below sox's exact one. Measured:
    // at most 144 and on average 46 of 32,767.
    double sum = 0;
    int worst = 0;
    for (std::size_t i = 0; i < ours.size(); ++i) {
        const int d = std::abs(ours[i] / 16 - theirs[i] / 16);
        worst = std::max(worst, d);
        sum += d;
    }
    EXPECT_LE(worst, 328);
    EXPECT_LT(sum / static_cast<double>(ours.size()), 100.0);
}

TEST_F(BatchConversionTest, ACorruptFileIsReportedAndTheOthersAreConverted) {
    const std::string a = SoxTones("a.wav");
    const std::string mp3 = files.File("b.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Sh(a) + " " + Sh(mp3)), 0);
    const std::string aiff = files.File("c.aif");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel quiet -f lavfi -i sine=frequency=440:duration=1 -ac 1 " + Sh(aiff)), 0);
    const std::string bad = files.File("broken.wav");
    Bytes junk = ReadBytes(a);
    junk.resize(30);  // a header cut inside its format chunk
    test::WriteBytes(bad, junk);
    BatchOutputSettings out;
    out.sameFormat = false;
    out.formatIndex = BatchFormatIndex("au");
    LBatchConversion batch(ws, {a, bad, mp3, aiff}, NormaliseHighPass(), out);
    EXPECT_EQ(Run(batch), kTaskFailed);
    ASSERT_EQ(batch.Reports().size(), 4u);
    EXPECT_EQ(batch.Reports()[1].status, BatchFileStatus::Failed);
    EXPECT_FALSE(batch.Reports()[1].reason.empty());
    for (int i : {0, 2, 3}) {
        EXPECT_EQ(batch.Reports()[i].status, BatchFileStatus::Done) << batch.Reports()[i].reason;
        const std::string output = batch.Reports()[i].output;
        EXPECT_EQ(CommandOutput("soxi -t " + Sh(output) + " 2>/dev/null"), "au\n") << output;
    }
    EXPECT_EQ(CommandOutput("soxi -c " + Sh(files.File("c.au")) + " 2>/dev/null"), "1\n");
    EXPECT_FALSE(FileExists(files.File("broken.au")));
    // One progress dialog for the whole batch, nothing shown on its own.
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Convertisseur de Lot"});
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(BatchConversionTest, TheDynamicsRowsRunTheirEffects) {
    const std::string source = SoxTones("voice.wav");  // 1 kHz on the left, 100 Hz on the right
    const std::string reference = files.File("sox.wav");
    ASSERT_EQ(RunCommand("sox " + Sh(source) + " -D " + Sh(reference) + " remix 1,2v-1 2>/dev/null"), 0);
    BatchOutputSettings out;
    out.sameFolder = false;
    out.folder = files.File("out");
    ASSERT_EQ(RunCommand("mkdir " + Sh(out.folder)), 0);
    LBatchConversion vocal(ws, {source}, {{kRowVocal, EncodeBatchParams(kRowVocal, {})}}, out);
    ASSERT_EQ(Run(vocal), kTaskDone) << vocal.Reports()[0].reason;
    const std::vector<std::int32_t> ours = test::ReadAll(*OpenWavReader(files.File("out/voice.wav")));
    const std::vector<std::int32_t> theirs = test::ReadAll(*OpenWavReader(reference));
    ASSERT_EQ(ours.size(), 2 * theirs.size());
    for (std::size_t k = 0; k < theirs.size(); ++k) {
        ASSERT_EQ(ours[2 * k], theirs[k]) << k;
        ASSERT_EQ(ours[2 * k + 1], theirs[k]) << k;
    }
    // Gain control, gate at -60 dB and compressor (-20 dB, ratio row 2, limit 0) in one run:
    // each changes the sound, none its length.
    const std::vector<LBatchEntry> chain = {{kRowAutoGain, EncodeBatchParams(kRowAutoGain, {})},
                                            {kRowNoiseGate, EncodeBatchParams(kRowNoiseGate, {-60, 0, 0, {}})},
                                            {kRowCompressor, EncodeBatchParams(kRowCompressor, {-20, 2, 0, {}})}};
    LBatchConversion dynamics(ws, {source}, chain, out);
    ASSERT_EQ(Run(dynamics), kTaskDone) << dynamics.Reports()[0].reason;
    const std::vector<std::int32_t> in = test::ReadAll(*OpenWavReader(source));
    const std::vector<std::int32_t> treated = test::ReadAll(*OpenWavReader(files.File("out/voice.wav")));
    EXPECT_EQ(treated.size(), in.size());
    EXPECT_NE(treated, in);
}

TEST_F(BatchConversionTest, AFailedSaveLeavesTheSourceByteForByte) {
    const std::string source = SoxTones("keep.wav");
    const Bytes before = ReadBytes(source);
    // Replacing in place: same folder, same format. A file size limit stands for a full disk,
    // set once the working blocks are written.
    LBatchConversion batch(ws, {source}, NormaliseHighPass(), BatchOutputSettings{});
    batch.aroundSave = [](const std::function<int()>& save) {
        struct rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        auto handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        const int r = save();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        return r;
    };
    EXPECT_EQ(Run(batch), kTaskFailed);
    ASSERT_EQ(batch.Reports().size(), 1u);
    EXPECT_EQ(batch.Reports()[0].status, BatchFileStatus::Failed);
    EXPECT_NE(batch.Reports()[0].reason.find("Incapable de créer le fichier"), std::string::npos);
    EXPECT_EQ(ReadBytes(source), before);
    EXPECT_EQ(files.List(), std::vector<std::string>{"keep.wav"});
}

TEST_F(BatchConversionTest, CancelLeavesTheFileAtWorkWholeAndSkipsTheRest) {
    const std::string a = SoxTones("a.wav"), b = SoxTones("b.wav");
    const Bytes before = ReadBytes(a);
    host.cancelAtPump = 5;
    LBatchConversion batch(ws, {a, b}, NormaliseHighPass(), BatchOutputSettings{});
    EXPECT_EQ(Run(batch), kTaskCancelled);
    ASSERT_EQ(batch.Reports().size(), 2u);
    EXPECT_EQ(batch.Reports()[0].status, BatchFileStatus::Skipped);
    EXPECT_EQ(batch.Reports()[1].status, BatchFileStatus::Skipped);
    EXPECT_EQ(ReadBytes(a), before);
}

TEST_F(BatchConversionTest, TwoSourcesForOneOutputAreBothRefusedAndTheRestRuns) {
    const std::string a = SoxTones("a.wav");
    const std::string mp3 = files.File("a.mp3");
    ASSERT_EQ(RunCommand("lame --quiet " + Sh(a) + " " + Sh(mp3)), 0);
    const std::string c = SoxTones("c.wav");
    BatchOutputSettings out;
    out.sameFormat = false;
    out.formatIndex = BatchFormatIndex("aif");
    const auto plan = PlanBatchOutputs({a, files.path() + "/../" + FileNamePart(files.path()) + "/a.mp3", c}, out);
    EXPECT_FALSE(plan[0].refusal.empty());
    EXPECT_FALSE(plan[1].refusal.empty());
    EXPECT_TRUE(plan[2].refusal.empty());
    LBatchConversion batch(ws, {a, mp3, c}, {{kRowAmplify, EncodeBatchParams(kRowAmplify, {50, 0, 0, {}})}}, out);
    EXPECT_EQ(Run(batch), kTaskFailed);
    EXPECT_EQ(batch.Count(BatchFileStatus::Failed), 2);
    EXPECT_EQ(batch.Reports()[2].status, BatchFileStatus::Done);
    EXPECT_FALSE(FileExists(files.File("a.aif")));
    EXPECT_EQ(CommandOutput("soxi -t " + Sh(files.File("c.aif"))), "aiff\n");
}

TEST_F(BatchConversionTest, ARowWhoseStoredDefaultIsOutOfRangeFailsTheFileWithItsReason) {
    const std::string a = SoxTones("a.wav");
    const Bytes before = ReadBytes(a);
    settings.WriteIntUserSetting("StoredValues", "EchoTime", 5);
    LBatchConversion batch(ws, {a}, {{kRowEcho, {}}}, BatchOutputSettings{});
    EXPECT_EQ(Run(batch), kTaskFailed);
    EXPECT_EQ(batch.Reports()[0].reason, "Echo : La durée de l'écho doit être comprise entre 10 et 3000ms.");
    EXPECT_EQ(ReadBytes(a), before);
}

#ifdef SONVELA_PROGRAM
// The program from a terminal: no display, its own settings and working folders.
class HeadlessBatchTest : public BatchConversionTest {
protected:
    std::string Batch(const std::string& arguments, int* status, const char* interruptAfter = nullptr) {
        const std::string env = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME=" + Sh(home.path()) +
                                " XDG_CONFIG_HOME=" + Sh(home.File("config")) + " XDG_DATA_HOME=" + Sh(home.File("data"));
        const std::string log = home.File("stdout.txt");
        std::string run = env + " " + Sh(SONVELA_PROGRAM) + " -batch " + arguments + " > " + Sh(log) + " 2>/dev/null";
        if (interruptAfter) run += " & pid=$!; sleep " + std::string(interruptAfter) + "; kill -INT $pid; wait $pid";
        *status = RunCommand("cd " + Sh(files.path()) + " && " + run);
        const Bytes out = ReadBytes(log);
        return std::string(out.begin(), out.end());
    }
    test::TempFolder home;
};

TEST_F(HeadlessBatchTest, ConvertsAFolderFromTheTerminalAndReportsEveryFile) {
    SoxTones("a.wav");
    ASSERT_EQ(RunCommand("ffmpeg -loglevel quiet -f lavfi -i sine=frequency=300:duration=1 -ac 2 " +
                         Sh(files.File("b.aif"))),
              0);
    test::WriteBytes(files.File("c.wav"), Bytes{'R', 'I', 'F', 'F', 1, 2});
    test::WriteBytes(files.File("chain.svb"), BatchScriptBytes(NormaliseHighPass()));
    int status = -1;
    const std::string out = Batch("chain.svb a.wav c.wav b.aif -dest converted -format AU", &status);
    EXPECT_EQ(status, 1);
    const std::string dest = files.File("converted");
    EXPECT_NE(out.find("Terminé : " + files.File("a.wav") + " -> " + dest + "/a.au\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Echec : " + files.File("c.wav") + " ("), std::string::npos) << out;
    EXPECT_NE(out.find("Terminé : " + files.File("b.aif") + " -> " + dest + "/b.au\n"), std::string::npos) << out;
    EXPECT_NE(out.find("2 fichier(s) converti(s), 1 en échec, 0 ignoré(s).\n"), std::string::npos) << out;
    EXPECT_EQ(CommandOutput("soxi -t " + Sh(dest + "/a.au") + " 2>/dev/null"), "au\n");
    EXPECT_EQ(CommandOutput("soxi -D " + Sh(dest + "/b.au") + " 2>/dev/null"), "1.000000\n");

    test::WriteBytes(files.File("bad.svb"), Bytes{0, 25, 0, 0, 0, 0, 0, 0, 0});
    Batch("bad.svb a.wav", &status);
    EXPECT_EQ(status, 2);
    Batch("chain.svb a.wav b.aif -dest again", &status);
    EXPECT_EQ(status, 0);
}
TEST_F(HeadlessBatchTest, CtrlCStopsTheBatchAndLeavesTheFileAtWorkWhole) {
    std::string names;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 -b 16 " + Sh(files.File(name)) + " synth 120 sine 300 gain -6"), 0);
        names += std::string(" ") + name;
    }
    const Bytes before = ReadBytes(files.File("c.wav"));
    test::WriteBytes(files.File("chain.svb"), BatchScriptBytes(NormaliseHighPass()));
    int status = -1;
    const std::string out = Batch("chain.svb" + names, &status, "1");
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("Ignoré : " + files.File("c.wav") + " (Conversion annulée.)"), std::string::npos) << out;
    EXPECT_EQ(ReadBytes(files.File("c.wav")), before);
    EXPECT_EQ(files.List(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav", "chain.svb"}));
}
#endif

}  // namespace
}  // namespace sv
