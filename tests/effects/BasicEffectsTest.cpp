#include "EffectTestFixture.h"

#include "core/ProgressTask.h"
#include "core/UndoRing.h"
#include "core/FixedPoint.h"
#include "effects/EffectPreview.h"
#include "effects/EffectRun.h"
#include "effects/Filter.h"

#include <cmath>

namespace sv {
namespace {

using test::ExpectedMul;

constexpr std::int32_t kUnity = 16777216;

class BasicEffects : public test::EffectTest {};

// ---- expected figures, from the definitions ----

// A two-point envelope from level a to level b over frames [s, e): blocks of at most 8,192
// frames, the step recomputed at the start of each block.
std::vector<std::int32_t> ExpectedFade(std::vector<std::int32_t> in, int ch, std::int32_t s, std::int32_t e, int a,
                                       int b) {
    const std::int32_t n = e - s;
    std::int32_t gain = a * 131072;
    const std::int32_t target = b * 131072;
    for (std::int32_t f = 0; f < n;) {
        const std::int32_t block = std::min<std::int32_t>(8192, n - f);
        const std::int32_t step = (target - gain) / (n - f);
        for (std::int32_t i = 0; i < block; ++i, gain += step)
            for (int c = 0; c < ch; ++c) {
                std::int32_t& v = in[static_cast<std::size_t>(s + f + i) * ch + c];
                v = ExpectedMul(v, gain);
            }
        f += block;
    }
    return in;
}

std::int32_t RoundedDb(double w) {
    const std::int32_t f = static_cast<std::int32_t>(w * 16777216);
    if (f <= 0) return -127;
    const double db = 20 * std::log10(f / 16777216.0);
    const int r = static_cast<int>(f >= 16777216 ? db + 0.5 : db - 0.5);
    return std::max(-127, r);
}

std::int32_t Amplitude(int db) {
    return db <= -127 ? 0 : static_cast<std::int32_t>(std::pow(10.0, db / 20.0) * 16777216 + 0.5);
}

// ---- amplify and normalise ----

TEST_F(BasicEffects, AmplifyScalesSegmentGainsWithoutWritingSamples) {
    Open(Samples(1000, 2, [](int k, int c) { return (k - 500) * 100 + c; }), 2);
    Doc().SetSelection(100, 600, 100);
    const auto filesBefore = dir.List();
    host.dialogs.push_back({true, {{"gain", "250"}}});
    Run(kCmdAmplify);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "10");
    EXPECT_EQ(host.shownDialogs[0].caption, "Amplifier");
    EXPECT_EQ(host.shownDialogs[0].Value("gain"), "100");  // the default
    EXPECT_EQ(user.Get("StoredValues", "AmplifyGain"), "250");
    EXPECT_EQ(dir.List(), filesBefore);
    ASSERT_EQ(Doc().sound.Segments().size(), 3u);
    EXPECT_EQ(Doc().sound.Segments()[1].gain, 41943040);  // 2.5 x 16,777,216
    EXPECT_EQ(Doc().sound.Segments()[1].frames, 500);
    EXPECT_EQ(UndoName(Doc()), "Amplifier");
    EXPECT_EQ(Doc().modified, 1);
}

TEST_F(BasicEffects, AmplifyBy100ChangesNothingButStoresTheValue) {
    Open(Samples(300, 1, [](int k, int) { return k * 16; }), 1);
    user.Set("StoredValues", "AmplifyGain", "180");
    const auto before = State();
    host.dialogs.push_back({true, {{"gain", "100"}}});
    Run(kCmdAmplify);
    EXPECT_EQ(host.shownDialogs[0].Value("gain"), "180");  // the stored value
    EXPECT_EQ(user.Get("StoredValues", "AmplifyGain"), "100");
    auto after = State();
    after.selectionStart = before.selectionStart;  // nothing was selected: all of it is now
    after.selectionEnd = before.selectionEnd;
    EXPECT_EQ(after, before);
}

TEST_F(BasicEffects, Amplify401IsRefusedAndTheDialogStaysOpenUntil400) {
    Open(Samples(300, 1, [](int k, int) { return k; }), 1);
    host.dialogs.push_back({true, {{"gain", "401"}}});
    host.dialogs.push_back({true, {{"gain", "400"}}});
    Run(kCmdAmplify);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "L'amplification doit être inférieure à 400%. Veuillez réessayer.");
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(user.Get("StoredValues", "AmplifyGain"), "400");
    EXPECT_EQ(Doc().sound.Segments()[0].gain, 4 * kUnity);
}

TEST_F(BasicEffects, NegativeAmplifyAndNormaliseValuesAreRefusedAsNegative) {
    Open(Samples(300, 1, [](int k, int) { return k; }), 1);
    host.dialogs.push_back({true, {{"gain", "-20"}}});
    host.dialogs.push_back({false, {}});
    Run(kCmdAmplify);
    host.dialogs.push_back({true, {{"level", "-1"}}});
    host.dialogs.push_back({false, {}});
    Run(kCmdNormalize);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, "L'amplification ne peut pas être négative. Veuillez réessayer.");
    EXPECT_EQ(host.messages[1].text, "Le Niveau de Crête Normalisé ne peut pas être négatif. Veuillez réessayer.");
    EXPECT_EQ(host.messages[1].caption, "Valeur Invalide");
    EXPECT_FALSE(CanUndo(Doc()));
}

TEST_F(BasicEffects, CancelledDialogStoresNothingAndChangesNothing) {
    Open(Samples(300, 1, [](int k, int) { return k; }), 1);
    host.dialogs.push_back({true, {{"level", "101"}}});  // refused, then Cancel
    Run(kCmdNormalize);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Le Niveau de Crête Normalisé doit être inférieur à 100%. Veuillez réessayer.");
    EXPECT_FALSE(user.Get("StoredValues", "NormalizePeakLevel"));
    Run(kCmdAmplify);
    EXPECT_FALSE(user.Get("StoredValues", "AmplifyGain"));
    EXPECT_FALSE(CanUndo(Doc()));
}

TEST_F(BasicEffects, NormaliseOfSilenceChangesNothing) {
    Open(std::vector<std::int32_t>(20000, 0), 1);
    const auto before = State();
    host.dialogs.push_back({true, {{"level", "100"}}});
    Run(kCmdNormalize);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Normalisation"});
    auto after = State();
    after.selectionStart = before.selectionStart;
    after.selectionEnd = before.selectionEnd;
    EXPECT_EQ(after, before);
}

TEST_F(BasicEffects, NormaliseGainIsLevelTimesFullScaleOverPeakCappedAt400) {
    // Peak 100,000 (as a negative sample): 524 % capped to 400 %.
    Open(Samples(20000, 2, [](int k, int c) { return k == 15000 && c == 1 ? -100000 : (k % 50) * 10; }), 2);
    host.dialogs.push_back({true, {{"level", "100"}}});
    Run(kCmdNormalize);
    ASSERT_EQ(Doc().sound.Segments().size(), 1u);
    EXPECT_EQ(Doc().sound.Segments()[0].gain, 4 * kUnity);
    EXPECT_EQ(UndoName(Doc()), "Normaliser");

    // Peak 262,136 gives 200 %: the samples read back doubled.
    const auto s = Samples(3000, 1, [](int k, int) { return k == 7 ? 262136 : k - 1500; });
    Open(s, 1);
    host.dialogs.push_back({true, {{"level", "100"}}});
    Run(kCmdNormalize);
    EXPECT_EQ(Doc().sound.Segments()[0].gain, 2 * kUnity);
    const auto out = All();
    for (std::size_t i = 0; i < s.size(); ++i) ASSERT_EQ(out[i], 2 * s[i]) << i;

    // Level 50 on that peak: 50 * 524,272 / 262,136 = 100, no change.
    Open(s, 1);
    host.dialogs.push_back({true, {{"level", "50"}}});
    Run(kCmdNormalize);
    EXPECT_EQ(Doc().sound.Segments()[0].gain, kUnity);
    EXPECT_FALSE(CanUndo(Doc()));
}

// ---- fades ----

TEST_F(BasicEffects, FadeInRisesLinearlyOverTheSelectionOnMono) {
    const auto s = Samples(3000, 1, [](int k, int) { return (k % 2 ? 1 : -1) * (300000 + k); });
    Open(s, 1);
    Doc().SetSelection(1000, 2000, 1000);
    Run(kCmdFadeIn);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Envelope"});
    EXPECT_EQ(UndoName(Doc()), "Fade In");
    const auto out = All();
    // One block: the gain of frame i is i * trunc(16,777,216 / 1000).
    for (int k = 0; k < 3000; ++k) {
        const std::int32_t expected = k < 1000 || k >= 2000 ? s[k] : ExpectedMul(s[k], (k - 1000) * 16777);
        ASSERT_EQ(out[k], expected) << k;
    }
    EXPECT_EQ(Doc().selectionStart, 1000);
    EXPECT_EQ(Doc().selectionEnd, 2000);
}

TEST_F(BasicEffects, StereoFadesGiveBothSamplesOfAFrameTheSameGainAcrossBlocks) {
    const auto s = Samples(30000, 2, [](int k, int c) { return c ? -(k * 17 % 524272) : k * 13 % 524272; });
    Open(s, 2);
    Doc().SetSelection(2000, 22000, 2000);  // 20,000 frames: three blocks
    Run(kCmdFadeIn);
    EXPECT_EQ(All(), ExpectedFade(s, 2, 2000, 22000, 0, 128));

    Open(s, 2);
    Doc().SetSelection(2000, 22000, 2000);
    Run(kCmdFadeOut);
    EXPECT_EQ(UndoName(Doc()), "Fade Out");
    EXPECT_EQ(All(), ExpectedFade(s, 2, 2000, 22000, 128, 0));
}

TEST_F(BasicEffects, FadeOutAndTrimDeletesEverythingAfterTheSelection) {
    const auto s = Samples(5000, 1, [](int k, int) { return 1000 + k; });
    Open(s, 1);
    Doc().SetSelection(3000, 4000, 3000);
    Run(kCmdFadeOutTrim);
    EXPECT_EQ(UndoName(Doc()), "Fermer en fondu et Couper");
    ASSERT_EQ(Doc().Length(), 4000);
    auto expected = ExpectedFade(s, 1, 3000, 4000, 128, 0);
    expected.resize(4000);
    EXPECT_EQ(All(), expected);
}

// ---- reverse, DC offset ----

TEST_F(BasicEffects, ReverseTurnsTheSelectionRoundKeepingChannelOrder) {
    const auto s = Samples(30000, 2, [](int k, int c) { return k * 2 + c; });
    Open(s, 2);
    Doc().SetSelection(1500, 28000, 1500);
    Run(kCmdReverse);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Inverser"});
    EXPECT_EQ(UndoName(Doc()), "Inverser");
    const auto out = All();
    for (int k = 0; k < 30000; ++k) {
        const int from = k < 1500 || k >= 28000 ? k : 28000 - 1 - (k - 1500);
        ASSERT_EQ(out[2 * k], from * 2) << k;
        ASSERT_EQ(out[2 * k + 1], from * 2 + 1) << k;
    }

    Open(Samples(7, 1, [](int k, int) { return k; }), 1);
    Run(kCmdReverse);  // no selection: all of it
    EXPECT_EQ(All(), (std::vector<std::int32_t>{6, 5, 4, 3, 2, 1, 0}));
}

// Long selections are read backwards in pieces of many reads: the frames at the seams of the
// pieces, and a last short piece, keep their places; three channels take the general path.
TEST_F(BasicEffects, ReverseOfALongSelectionIsSeamlessAcrossItsPieces) {
    const auto s = Samples(280003, 3, [](int k, int c) { return k * 4 + c; });
    Open(s, 3);
    Doc().SetSelection(7, 279000, 7);
    Run(kCmdReverse);
    const auto out = All();
    ASSERT_EQ(out.size(), s.size());
    for (int k = 0; k < 280003; ++k) {
        const int from = k < 7 || k >= 279000 ? k : 279000 - 1 - (k - 7);
        for (int c = 0; c < 3; ++c) ASSERT_EQ(out[3 * static_cast<std::size_t>(k) + c], from * 4 + c) << k;
    }
}

TEST_F(BasicEffects, DcOffsetSubtractsTheRoundedMeanOfEachChannel) {
    const auto s = Samples(20001, 2, [](int k, int c) { return (c ? -7777 : 5000) + (k % 3) * 1000 - (k % 11); });
    Open(s, 2);
    Run(kCmdDcOffset);
    EXPECT_EQ(UndoName(Doc()), "Correction de Décalage CC");
    std::int64_t sum[2] = {0, 0};
    for (std::size_t i = 0; i < s.size(); ++i) sum[i % 2] += s[i];
    const std::int64_t mean[2] = {std::llround(sum[0] / 20001.0), std::llround(sum[1] / 20001.0)};
    const auto out = All();
    for (std::size_t i = 0; i < s.size(); ++i) ASSERT_EQ(out[i], s[i] - mean[i % 2]) << i;

    Open(std::vector<std::int32_t>{1, 2}, 1);  // mean 1.5 rounds to 2
    Run(kCmdDcOffset);
    EXPECT_EQ(All(), (std::vector<std::int32_t>{-1, 0}));
}

// ---- cross fade ----

struct CrossFadeCase {
    int gap, fadeIn, fadeOut;
    std::int32_t a, d, p, t;  // A, D, P and T as worked out by hand
};

TEST_F(BasicEffects, CrossFadeJoinsBothSidesWithTheFadesAndRemovesTheSelection) {
    // At 1,000 Hz a millisecond is a frame. Selection [40, 60) of 100 frames.
    const CrossFadeCase cases[] = {
        {10, 20, 30, 30, 10, 20, 40},  // gap shorter than the fade-in: A = S + G - Fi
        {30, 10, 10, 40, 0, 30, 30},   // A = S, the gap outlasts the fade-out
        {0, 0, 0, 40, 0, 0, 0},        // a plain cut
        {5, -3, 8, 40, 0, 5, 8},       // negative fade counts as 0
    };
    for (int ch = 1; ch <= 2; ++ch) {
        for (const CrossFadeCase& c : cases) {
            const auto s = Samples(100, static_cast<std::uint8_t>(ch), [](int k, int cc) { return (k + 1) * 1000 + cc; });
            Open(s, static_cast<std::uint8_t>(ch), 1000);
            Doc().SetSelection(40, 60, 40);
            host.dialogs.push_back(
                {true, {{"gap", std::to_string(c.gap)}, {"fadeIn", std::to_string(c.fadeIn)}, {"fadeOut", std::to_string(c.fadeOut)}}});
            Run(kCmdCrossFade);
            const int g = c.gap, fi = std::max(0, c.fadeIn), fo = std::max(0, c.fadeOut);
            const auto out = All();
            ASSERT_EQ(Doc().Length(), c.a + c.t + (100 - (60 - c.p + c.t))) << c.gap;
            std::vector<std::int32_t> expected;
            for (int k = 0; k < c.a; ++k)
                for (int cc = 0; cc < ch; ++cc) expected.push_back(s[k * ch + cc]);
            for (int i = 0; i < c.t; ++i) {
                const std::int32_t go = i < c.d ? kUnity : i >= c.d + fo ? 0 : static_cast<std::int32_t>((static_cast<std::int64_t>(c.d + fo - i) << 24) / fo);
                const int rise = c.d + g - fi;
                const std::int32_t gi = i >= c.p ? kUnity : i <= rise ? 0 : static_cast<std::int32_t>((static_cast<std::int64_t>(i - rise) << 24) / fi);
                const int outFrame = c.a + i, inFrame = 60 - c.p + i;
                for (int cc = 0; cc < ch; ++cc) {
                    const std::int32_t x = outFrame < 100 ? s[outFrame * ch + cc] : 0;
                    const std::int32_t y = inFrame < 100 ? s[inFrame * ch + cc] : 0;
                    expected.push_back(ExpectedMul(x, go) + ExpectedMul(y, gi));
                }
            }
            for (int k = 60 - c.p + c.t; k < 100; ++k)
                for (int cc = 0; cc < ch; ++cc) expected.push_back(s[k * ch + cc]);
            EXPECT_EQ(out, expected) << "gap " << c.gap << " channels " << ch;
            EXPECT_EQ(Doc().selectionStart, c.a);
            EXPECT_EQ(Doc().selectionEnd, c.a + c.t);
        }
    }
    EXPECT_EQ(UndoName(Doc()), "Cross Fade");
    EXPECT_EQ(host.shownDialogs[0].caption, "Fondu Enchaîné...");
    EXPECT_EQ(host.shownDialogs[0].Value("gap"), "300");  // defaults
    EXPECT_EQ(host.shownDialogs[0].Value("start"), "0:00:00.04");
    EXPECT_EQ(host.shownDialogs[1].Value("gap"), "10");   // the stored values
    EXPECT_EQ(user.Get("CrossFade", "FadeOutTimeMS"), "8");
}

TEST_F(BasicEffects, CrossFadeTooLongForTheSoundFailsAndChangesNothing) {
    Open(Samples(1000, 1, [](int k, int) { return k; }), 1);
    Doc().SetSelection(400, 600, 400);
    const auto before = State();
    host.dialogs.push_back({true, {{"gap", "0"}, {"fadeIn", "2000000000"}, {"fadeOut", "2000000000"}}});
    Run(kCmdCrossFade);
    EXPECT_EQ(host.progressErrors, std::vector<std::string>{"Les durées du fondu enchaîné sont trop longues pour ce son."});
    EXPECT_EQ(State(), before);
}

// ---- stereo pan ----

TEST_F(BasicEffects, StereoPanWeighsEachChannelByItsRoundedDecibelsThroughTheMixer) {
    const auto s = Samples(10000, 2, [](int k, int c) { return c ? -(k * 31 % 200000) : k * 7 % 300000; });
    for (int pan : {0, 25, 40, 75, 100}) {
        Open(s, 2);
        host.dialogs.push_back({true, {{"pan", std::to_string(pan)}}});
        Run(kCmdStereoPan);
        const double p = pan / 100.0;
        const std::int32_t al = Amplitude(RoundedDb(std::sqrt(1 - p) * std::sqrt(2.0)));
        const std::int32_t ar = Amplitude(RoundedDb(std::sqrt(p) * std::sqrt(2.0)));
        const auto out = All();
        for (int k = 0; k < 10000; ++k) {
            const std::int32_t l = s[2 * k], r = s[2 * k + 1];
            // Each side keeps only its own channel, weighted; nothing crosses over.
            ASSERT_EQ(out[2 * k], ExpectedMul(l, al)) << pan << " frame " << k;
            ASSERT_EQ(out[2 * k + 1], ExpectedMul(r, ar)) << pan << " frame " << k;
        }
        EXPECT_EQ(UndoName(Doc()), "Panorama Stéréo");
        EXPECT_EQ(user.Get("StoredValues", "StereoPan"), std::to_string(pan));
    }
    EXPECT_EQ(host.shownDialogs[0].resource, "41");
    EXPECT_EQ(host.shownDialogs[0].Value("pan"), "50");
    // The centre: both weights 0 dB, the sound untouched.
    Open(s, 2);
    host.dialogs.push_back({true, {{"pan", "50"}}});
    Run(kCmdStereoPan);
    EXPECT_EQ(All(), s);
}

TEST_F(BasicEffects, StereoPanOnAMonoDocumentAsksForConversionAndStops) {
    Open(Samples(100, 1, [](int k, int) { return k; }), 1);
    const auto before = State();
    Run(kCmdStereoPan);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Conversion en Stéréo Exigée");
    EXPECT_EQ(host.messages[0].text,
              "Cet effet ne peut être appliqué qu'aux fichiers stéréo. Veuillez convertir le fichier en stéréo dans "
              "Fichier->Convertir les Canaux->Stéréo puis réessayez.");
    EXPECT_TRUE(host.shownDialogs.empty());
    EXPECT_EQ(State(), before);
}

TEST_F(BasicEffects, PanDialogOffersAPreviewOfTheChainFromTheSelectionStart) {
    Open(Samples(1000, 2, [](int k, int c) { return k + c; }), 2);
    Doc().SetSelection(200, 700, 200);
    std::int32_t frames = 0, first = -1;
    ws.playPreview = [&](Ref<LAudioReader> chain, std::int32_t n) {
        frames = n;
        std::int32_t buf[2];
        chain->Read(buf, 1);
        first = buf[0];
    };
    Run(kCmdStereoPan);  // no scripted answer: cancelled
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    ASSERT_TRUE(host.shownDialogs[0].preview);
    host.shownDialogs[0].preview(host.shownDialogs[0]);
    EXPECT_EQ(frames, 500);
    EXPECT_EQ(first, 200);  // centre pan: the input itself
}

// ---- the effect run ----

// Negates its input and records how it is driven.
class NegateFilter : public LFilter {
public:
    explicit NegateFilter(Ref<LAudioReader> in) : LFilter(std::move(in)) {}
    std::int32_t largest = 0;
    std::vector<std::int32_t> seeks;
    void Read(std::int32_t* dst, std::int32_t n) override {
        largest = std::max(largest, n);
        LFilter::Read(dst, n);
    }
    void Seek(std::int32_t p) override {
        seeks.push_back(p);
        LFilter::Seek(p);
    }

protected:
    void Process(std::int32_t* dst, std::int32_t n) override {
        for (std::int32_t i = 0; i < n * channels; ++i) dst[i] = -dst[i];
    }
};

class NegateEffect final : public LEffectDescriptor {
public:
    mutable Ref<NegateFilter> made;
    std::string GetName() const override { return "Négatif"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& in) const override {
        made = MakeRef<NegateFilter>(in);
        return made;
    }
};

TEST_F(BasicEffects, EffectRunSeeksToTheSelectionAndPumpsBlocksOfAtMost8192Frames) {
    const auto s = Samples(30000, 1, [](int k, int) { return k; });
    Open(s, 1);
    Doc().SetSelection(100, 20100, 100);
    NegateEffect effect;
    LEffectRun run(Doc(), store, effect);
    EXPECT_TRUE(RunTask(host, run));
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Négatif"});
    EXPECT_EQ(host.progressTexts.at(0), "0:Veuillez patienter...");
    EXPECT_EQ(effect.made->largest, 8192);
    EXPECT_EQ(effect.made->seeks, std::vector<std::int32_t>{100});
    const auto out = All();
    ASSERT_EQ(out.size(), 30000u);
    for (int k = 0; k < 30000; ++k) ASSERT_EQ(out[k], k < 100 || k >= 20100 ? k : -k) << k;
    EXPECT_EQ(effect.made->RefCount(), 1);  // the run released the chain
}

TEST_F(BasicEffects, EffectRunOnAnEmptySelectionAddsNothing) {
    Open(std::vector<std::int32_t>{}, 1);
    NegateEffect effect;
    LEffectRun run(Doc(), store, effect);
    EXPECT_TRUE(RunTask(host, run));
    EXPECT_EQ(Doc().Length(), 0);
}

TEST_F(BasicEffects, CancellingLeavesDocumentUndoRingAndBlockFilesAsTheyWere) {
    const auto s = Samples(40000, 2, [](int k, int c) { return (k % 1000) * 100 - 50000 + c; });
    const std::vector<std::pair<int, test::DialogAnswer>> commands = {
        {kCmdFadeIn, {}}, {kCmdFadeOut, {}}, {kCmdFadeOutTrim, {}}, {kCmdReverse, {}}, {kCmdDcOffset, {}},
        {kCmdNormalize, {true, {{"level", "100"}}}}, {kCmdCrossFade, {true, {}}}, {kCmdStereoPan, {true, {{"pan", "10"}}}},
    };
    for (int pump : {1, 2}) {
        for (const auto& [id, answer] : commands) {
            Open(s, 2);
            Doc().SetSelection(1000, 30000, 1000);
            UndoPush(Doc(), "Earlier");
            const auto before = State();
            host.dialogs.push_back(answer);
            host.cancelAtPump = pump;
            Run(id);
            EXPECT_EQ(State(), before) << "command " << id << " cancelled at pump " << pump;
            EXPECT_EQ(All(), s) << id;
        }
    }
}

TEST_F(BasicEffects, EndEditPlaysFromHalfASecondBeforeTheSelection) {
    Open(Samples(50000, 1, [](int k, int) { return k; }), 1);
    Doc().SetSelection(30000, 40000, 30000);
    std::vector<std::int32_t> played;
    ws.startPlayback = [&](std::int32_t from) { played.push_back(from); };
    Run(kCmdReverse);
    host.dialogs.push_back({true, {{"gain", "50"}}});
    Run(kCmdAmplify);
    EXPECT_EQ(played, (std::vector<std::int32_t>{7950, 7950}));  // 30,000 - 22,050
}

TEST_F(BasicEffects, CommandsNeedADocumentAndFadesASelection) {
    const int all[] = {kCmdAmplify, kCmdNormalize, kCmdFadeIn, kCmdFadeOut, kCmdFadeOutTrim,
                       kCmdDcOffset, kCmdReverse, kCmdCrossFade, kCmdStereoPan};
    for (int id : all) EXPECT_FALSE(registry.Enabled(id, ws)) << id;
    Open(Samples(100, 2, [](int k, int) { return k; }), 2);
    for (int id : all) {
        const bool fade = id == kCmdFadeIn || id == kCmdFadeOut || id == kCmdFadeOutTrim;
        EXPECT_EQ(registry.Enabled(id, ws), !fade) << id;
    }
    Doc().SetSelection(10, 20, 10);
    for (int id : all) EXPECT_TRUE(registry.Enabled(id, ws)) << id;
}

}  // namespace
}  // namespace sv
