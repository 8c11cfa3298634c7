// The compressor: its gain table, window levels, the clamps that keep batch and stored values
// in range, the look-ahead ramps against a numpy model, and its command.
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "core/UndoRing.h"
#include "effects/Compressor.h"
#include "effects/DynamicsCommands.h"

#include <cstdlib>
#include <fstream>

namespace sv {
namespace {

std::int32_t At(const CompressorTable& t, int level) { return t[static_cast<std::size_t>(level + 128)]; }

TEST(CompressorTable, ThresholdMinus20Ratio2To1Limit3RaisesQuietPassagesAndCutsAboveTheLimit) {
    const CompressorTable t = MakeCompressorTable({-20, 2, 3});
    // 16,777,216 / 0.9440608762859234^20: +10 dB below the threshold.
    EXPECT_EQ(At(t, -128), 53054215);
    EXPECT_EQ(At(t, -21), 53054215);
    EXPECT_EQ(At(t, -20), 53054215);
    EXPECT_EQ(At(t, -19), 50086409);
    EXPECT_EQ(At(t, -10), 29834577);
    EXPECT_EQ(At(t, -1), 17771328);
    EXPECT_EQ(At(t, 0), 16777216);
    EXPECT_EQ(At(t, 3), 14116268);
    // From the limit on, a further 0.8913 per decibel.
    EXPECT_EQ(At(t, 4), 12581829);
    EXPECT_EQ(At(t, 5), 11214184);
    EXPECT_EQ(At(t, 10), 6307935);
    EXPECT_EQ(At(t, 127), 8);
}

TEST(CompressorTable, RatioOneToOneWithLimit12IsUnityUpTo11Decibels) {
    const CompressorTable t = MakeCompressorTable({0, 0, 12});
    for (int level = -128; level <= 12; ++level) EXPECT_EQ(At(t, level), 16777216) << level;
    EXPECT_EQ(At(t, 13), 14953532);
    EXPECT_EQ(At(t, 14), 13328083);
}

TEST(CompressorTable, OutOfRangeSettingsAreClampedSoTheTableNeverWraps) {
    // Below -42 dB with the limit row the start value would pass 2^31.
    const CompressorTable deep = MakeCompressorTable({-90, 6, 12});
    EXPECT_EQ(deep, MakeCompressorTable({-40, 6, 12}));
    EXPECT_EQ(At(deep, -128), 1677721592);
    for (std::int32_t g : deep) EXPECT_GT(g, 0);
    EXPECT_EQ(MakeCompressorTable({-20, 9, 40}), MakeCompressorTable({-20, 6, 12}));
    EXPECT_EQ(MakeCompressorTable({-20, -3, -5}), MakeCompressorTable({-20, 0, 0}));
    const CompressorSettings s = LCompressorEffect({-127, 127, 127}).Settings();
    EXPECT_EQ(s.threshold, -40);
    EXPECT_EQ(s.ratio, 6);
    EXPECT_EQ(s.limit, 12);
    EXPECT_DOUBLE_EQ(CompressorRatioFactor(1), 0.9623506263981255);
    EXPECT_STREQ(CompressorRatioLabel(6), "Limit");
}

TEST(CompressorLevel, MeanSquareOfShiftedSamplesInRoundedDecibels) {
    std::vector<std::int32_t> s(1000, 0);
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), -127);
    // (524,272 >> 5)^2 = 268,402,689 over 8,388,626: 15.05 dB.
    std::fill(s.begin(), s.end(), 524272);
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), 15);
    std::fill(s.begin(), s.end(), -524272);
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), 15);
    // Rounded half away from zero: 2,734^2 is -0.5010 dB, 2,735^2 is -0.4995 dB.
    std::fill(s.begin(), s.end(), 2734 << 5);
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), -1);
    std::fill(s.begin(), s.end(), 2735 << 5);
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), 0);
    std::fill(s.begin(), s.end(), (2735 << 5) + 31);  // the low five bits do not count
    EXPECT_EQ(BlockLevelDb(s.data(), s.size()), 0);
    // Full-range samples do not overflow the sum.
    std::vector<std::int32_t> loud(16384, INT32_MIN);
    EXPECT_EQ(BlockLevelDb(loud.data(), loud.size()), 87);
}

TEST(CompressorFilter, FailedInputGivesSilenceAndReportsItsOwnFullScale) {
    auto in = MakeRef<test::VectorReader>(std::vector<std::int32_t>(4000, 100000), 1);
    in->errorCode = kReaderCorrupt;
    Ref<LAudioReader> c = LCompressorEffect({-20, 2, 3}).CreateProcessor(in);
    std::vector<std::int32_t> out(1000, 7);
    c->Read(out.data(), 1000);
    EXPECT_EQ(c->errorCode, kReaderInputFailed);
    EXPECT_EQ(out, std::vector<std::int32_t>(1000, 0));
    auto ok = MakeRef<test::VectorReader>(std::vector<std::int32_t>(4000, 100000), 1);
    EXPECT_EQ(LCompressorEffect({0, 0, 0}).CreateProcessor(ok)->fullScale, 4194303);
}

// A tone whose amplitude changes every few windows, read through the compressor in uneven
// pieces, against a numpy model of the windows, their levels, the table and the ramps.
TEST(CompressorFilter, RampsMatchANumpyModelOfTheLookAheadWindows) {
    if (std::system("/usr/bin/python3 -c 'import numpy' > /dev/null 2>&1") != 0) GTEST_SKIP() << "no numpy";
    const std::int32_t w = 1984;  // 45 ms at 44.1 kHz
    const int windows = 14;
    const double amps[] = {3000, 3000, 200000, 200000, 200000, 20000, 20000, 500000, 40000, 40000, 40000, 1000, 300000, 300000, 300000};
    std::vector<std::int32_t> in;
    for (int k = 0; k < (windows + 1) * w; ++k)
        in.push_back(static_cast<std::int32_t>(std::lrint(amps[k / w] * std::sin(k * 0.0712))));
    const CompressorSettings s{-25, 3, 4};
    auto reader = MakeRef<test::VectorReader>(in, 1);
    Ref<LAudioReader> c = LCompressorEffect(s).CreateProcessor(reader);
    std::vector<std::int32_t> out(static_cast<std::size_t>(windows) * w);
    for (std::size_t at = 0, piece = 1; at < out.size(); piece = piece * 7 % 3001 + 1) {
        const std::size_t n = std::min(piece, out.size() - at);
        c->Read(out.data() + at, static_cast<std::int32_t>(n));
        at += n;
    }
    EXPECT_EQ(c->Position(), windows * w);

    const test::TempFolder folder;
    const std::string dir = folder.path();
    {
        std::ofstream f(dir + "/comp_in.txt");
        for (std::int32_t v : in) f << v << "\n";
        std::ofstream t(dir + "/comp_table.txt");
        for (std::int32_t g : MakeCompressorTable(s)) t << g << "\n";
    }
    std::ofstream(dir + "/comp.py") << R"(import numpy as np, sys, math
x = np.loadtxt(sys.argv[1], dtype=np.int64)
table = [int(v) for v in np.loadtxt(sys.argv[2], dtype=np.int64)]
W = int(sys.argv[3]); n = int(sys.argv[4])
def level(win):
    p = np.mean(((win >> 5).astype(np.float64)) ** 2)
    if p == 0: return -127
    db = 10 * math.log10(p / 8388626)
    r = math.trunc(db + 0.5 if p >= 8388626 else db - 0.5)
    return max(-127, min(127, r))
def target(k): return table[level(x[k * W:(k + 1) * W]) + 128]
def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q
def mul(a, b):
    ah, al, bh, bl = a >> 12, a & 4095, b >> 12, b & 4095
    return ((al * bh) >> 12) + ((ah * bl) >> 12) + ah * bh
c = target(0)
out = []
for k in range(n):
    t_out, t = target(k), target(k + 1)
    step = tdiv(t - c, W + W // 4) if t < c else tdiv((t_out + t) // 2 - c, 2 * W)
    for i in range(W):
        out.append(mul(int(x[k * W + i]), max(0, min(c, 2**31 - 1))))
        c += step
np.savetxt(sys.argv[5], np.array(out, dtype=np.int64), fmt='%d')
)";
    const std::string cmd = "/usr/bin/python3 " + dir + "/comp.py " + dir + "/comp_in.txt " + dir + "/comp_table.txt " +
                            std::to_string(w) + " " + std::to_string(windows) + " " + dir + "/comp_out.txt";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream f(dir + "/comp_out.txt");
    std::vector<std::int32_t> model;
    for (long long v; f >> v;) model.push_back(static_cast<std::int32_t>(v));
    ASSERT_EQ(model.size(), out.size());
    std::size_t first = out.size();
    for (std::size_t i = 0; i < out.size() && first == out.size(); ++i)
        if (out[i] != model[i]) first = i;
    EXPECT_EQ(first, out.size()) << "first difference at frame " << first;
}

TEST(CompressorFilter, SeekRestartsFromTheWindowAtTheNewPosition) {
    std::vector<std::int32_t> in;
    for (int k = 0; k < 20000; ++k) in.push_back(static_cast<std::int32_t>(std::lrint((k < 8000 ? 5000 : 300000) * std::sin(k * 0.05))));
    auto a = MakeRef<test::VectorReader>(in, 1);
    Ref<LAudioReader> fromStart = LCompressorEffect({-20, 2, 3}).CreateProcessor(a);
    std::vector<std::int32_t> skip(9000), first(2000), second(2000);
    fromStart->Read(skip.data(), 9000);
    fromStart->Seek(9000);
    fromStart->Read(first.data(), 2000);
    auto b = MakeRef<test::VectorReader>(in, 1);
    Ref<LAudioReader> fresh = LCompressorEffect({-20, 2, 3}).CreateProcessor(b);
    fresh->Seek(9000);
    fresh->Read(second.data(), 2000);
    EXPECT_EQ(first, second);
    EXPECT_EQ(fresh->Position(), 11000);
}

class CompressorCommandTest : public test::EffectTest {
protected:
    CompressorCommandTest() { RegisterDynamicsCommands(registry); }
};

TEST_F(CompressorCommandTest, AcceptedValuesAreStoredAndTheUndoStepIsNamedAfterTheDialog) {
    Open(test::SineSamples(44100, 44100, {440}, 20000), 1);
    host.dialogs.push_back({true, {{"threshold", "-20"}, {"ratio", "2"}, {"limit", "3"}}});
    Run(kCmdCompressor);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "19");
    EXPECT_EQ(host.shownDialogs[0].caption, "Compresseur de Gamme d'Amplification");
    EXPECT_EQ(host.shownDialogs[0].Field("ratio")->choices.at(6), "Limit");
    EXPECT_FALSE(host.shownDialogs[0].presets.empty());
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "CompressorThreshold", 0), -20);
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "CompressorRatio", 0), 2);
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "CompressorLimit", 0), 3);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Compresseur de Gamme Dynamique"});
    EXPECT_EQ(UndoName(Doc()), "Compresseur de Gamme d'Amplification");
    // A quiet tone (level about -16 dB) comes out about 8 dB louder at 2:1.
    const std::vector<std::int32_t> out = All();
    const double peak = *std::max_element(out.begin() + 20000, out.end());
    EXPECT_NEAR(20 * std::log10(peak / 20000.0), 8.0, 1.0);
}

TEST_F(CompressorCommandTest, OutOfRangeFieldsAreRefusedAndAStoredRatioOf7DoesNothing) {
    Open(test::SineSamples(4410, 44100, {440}, 20000), 1);
    host.dialogs.push_back({true, {{"threshold", "-41"}}});
    host.dialogs.push_back({true, {{"threshold", "-40"}, {"limit", "13"}}});
    host.dialogs.push_back({false, {}});
    Run(kCmdCompressor);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(host.messages[1].caption, "Valeur Invalide");
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "CompressorThreshold", 99), 99);

    settings.WriteIntUserSetting("StoredValues", "CompressorRatio", 7);
    const test::DocumentState before = State();
    host.dialogs.push_back({true, {}});
    Run(kCmdCompressor);
    EXPECT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(State(), before);
}

}  // namespace
}  // namespace sv
