// Noise prints and their messages, noise reduction on a tone in noise, vocal reduction, and
// click detection and repair on music with clicks at known frames.
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "core/UndoRing.h"
#include "effects/ClickRepair.h"
#include "effects/DynamicsCommands.h"
#include "effects/NoiseReduction.h"
#include "effects/VocalReduction.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace sv {
namespace {

constexpr std::int32_t kRate = 44100;

class RestorationTest : public test::EffectTest {
protected:
    RestorationTest() { RegisterDynamicsCommands(registry); }
    static std::vector<std::int32_t> Noise(std::size_t n, double sigma, unsigned seed) {
        std::mt19937 gen(seed);
        std::normal_distribution<double> d(0, sigma);
        std::vector<std::int32_t> s(n);
        for (auto& v : s) v = static_cast<std::int32_t>(std::lrint(d(gen)));
        return s;
    }
};

TEST_F(RestorationTest, CaptureRefusesMoreThanEightSecondsAndEnablesTheApplyCommand) {
    Open(Noise(static_cast<std::size_t>(kRate) * 9, 3000, 1), 1);
    EXPECT_FALSE(registry.Enabled(kCmdNoiseReduction, ws));
    Doc().selectionStart = 0;
    Doc().selectionEnd = kRate * 17 / 2;  // 8.5 s
    Run(kCmdNoiseSample);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Vous ne pouvez pas échantillonner une zone de votre fichier audio supérieure à 8 secondes. Veuillez "
              "sélectionner une zone plus courte.");
    EXPECT_EQ(host.messages[0].caption, "Erreur de Réduction Manuelle du Bruit");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(ws.noisePrint, nullptr);

    const test::DocumentState before = State();
    Doc().selectionEnd = kRate * 8;
    Run(kCmdNoiseSample);
    EXPECT_EQ(host.messages.size(), 1u);
    ASSERT_NE(ws.noisePrint, nullptr);
    EXPECT_EQ(host.progressTitles.back(), "Réduction du Bruit");
    EXPECT_TRUE(registry.Enabled(kCmdNoiseReduction, ws));
    // No undo step, nothing changed.
    Doc().selectionEnd = before.selectionEnd;
    EXPECT_EQ(State(), before);
    // White noise of deviation 3,000: every bin's mean power is flat, about 3,000^2 * 0.375 / N.
    const NoisePrint& p = *ws.noisePrint;
    EXPECT_EQ(p.order, 11u);
    EXPECT_NEAR(p.power[300] / (3000.0 * 3000 * 0.375 / 2048), 1.0, 0.15);
}

TEST_F(RestorationTest, APrintOfAnotherFormatIsRefusedWithItsMessage) {
    Open(Noise(static_cast<std::size_t>(kRate), 3000, 2), 1);
    Run(kCmdNoiseSample);
    ASSERT_NE(ws.noisePrint, nullptr);
    Open(Noise(static_cast<std::size_t>(kRate) * 2, 3000, 3), 2);
    const test::DocumentState before = State();
    Run(kCmdNoiseReduction);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "L'échantillon de son que vous avez recueilli n'est pas compatible avec la sélection à laquelle vous "
              "tentez de l'appliquer.");
    Doc().selectionEnd = before.selectionEnd;
    Doc().selectionStart = before.selectionStart;
    EXPECT_EQ(State(), before);
}

using test::MeasureNoiseReduction;
using test::NoiseFigures;

// Two seconds of noise alone, then a 1 kHz tone 11 dB above the noise for four seconds.
struct ToneInNoise {
    std::vector<std::int32_t> samples;
    std::vector<double> clean, noisy;
};

ToneInNoise MakeToneInNoise(std::vector<std::int32_t> noise) {
    const std::size_t n = noise.size();
    ToneInNoise t{std::move(noise), std::vector<double>(n, 0.0), std::vector<double>(n)};
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= static_cast<std::size_t>(kRate) * 2)
            t.clean[i] = 50000 * std::sin(2 * M_PI * 1000 * static_cast<double>(i) / kRate);
        t.samples[i] += static_cast<std::int32_t>(std::lrint(t.clean[i]));
        t.noisy[i] = t.samples[i];
    }
    return t;
}

TEST_F(RestorationTest, ATonesInWhiteNoiseGainsSnrFromTheCapturedPrintAndKeepsItsLevel) {
    const std::size_t n = static_cast<std::size_t>(kRate) * 6;
    const ToneInNoise t = MakeToneInNoise(Noise(n, 10000, 4));
    const std::vector<double>& clean = t.clean;
    const std::vector<double>& noisy = t.noisy;
    Open(t.samples, 1);
    Doc().selectionStart = 0;
    Doc().selectionEnd = kRate * 2;
    Run(kCmdNoiseSample);
    Doc().selectionStart = Doc().selectionEnd = 0;
    Run(kCmdNoiseReduction);
    EXPECT_EQ(UndoName(Doc()), "Réduction du Bruit");
    const std::vector<std::int32_t> o = All();
    const std::vector<double> out(o.begin(), o.end());
    const NoiseFigures f = MeasureNoiseReduction(clean, noisy, out, static_cast<std::size_t>(kRate) * 3, n - 4096);
    std::printf("noise reduction, captured print: SNR gained %.1f dB, tone level %+.2f dB\n", f.snrGainDb, f.toneChangeDb);
    EXPECT_GT(f.snrGainDb, 15.0);
    EXPECT_NEAR(f.toneChangeDb, 0.0, 1.0);
    // The noise alone falls to the floor's level and below: at least 20 dB.
    double before = 0, after = 0;
    for (std::size_t i = 4096; i < static_cast<std::size_t>(kRate) * 2 - 4096; ++i) {
        before += noisy[i] * noisy[i];
        after += out[i] * out[i];
    }
    EXPECT_GT(10 * std::log10(before / after), 20.0);
}

TEST_F(RestorationTest, AutomaticVariantEstimatesTheNoiseFromTheQuietestFrames) {
    const std::size_t n = static_cast<std::size_t>(kRate) * 6;
    const ToneInNoise t = MakeToneInNoise(Noise(n, 10000, 5));
    const std::vector<double>& clean = t.clean;
    const std::vector<double>& noisy = t.noisy;
    Open(t.samples, 1);
    host.dialogs.push_back({true, {{"silence", "30"}}});
    Run(kCmdAutoNoiseReduction);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "47");
    EXPECT_EQ(host.shownDialogs[0].Field("silence")->label, "Taux de Silence dans l'Audio (%):");
    EXPECT_EQ(settings.ReadIntSetting("StoredValues", "SSNoiseThreshold", 0), 30);
    const std::vector<std::int32_t> o = All();
    const std::vector<double> out(o.begin(), o.end());
    const NoiseFigures f = MeasureNoiseReduction(clean, noisy, out, static_cast<std::size_t>(kRate) * 3, n - 4096);
    std::printf("noise reduction, automatic 30%%: SNR gained %.1f dB, tone level %+.2f dB\n", f.snrGainDb, f.toneChangeDb);
    EXPECT_GT(f.snrGainDb, 12.0);
    EXPECT_NEAR(f.toneChangeDb, 0.0, 1.0);
}

TEST_F(RestorationTest, AutomaticDialogRefusesAShareOutsideOneToAHundred) {
    Open(Noise(4410, 100, 6), 1);
    host.dialogs.push_back({true, {{"silence", "0"}}});
    host.dialogs.push_back({false, {}});
    Run(kCmdAutoNoiseReduction);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Valeur Invalide");
}

TEST(NoiseReductionFilter, ReadsAfterASeekEqualTheSameStretchReadFromTheStart) {
    std::vector<std::int32_t> s(30000 * 2);
    std::mt19937 gen(7);
    std::normal_distribution<double> d(0, 5000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(d(gen) + 40000 * std::sin(0.03 * static_cast<double>(i / 2)));
    auto r1 = MakeRef<test::VectorReader>(s, 2);
    std::shared_ptr<NoisePrint> print = CaptureNoisePrint(*r1, 0, 8000);
    r1->Seek(0);
    LNoiseReductionEffect effect(print);
    Ref<LAudioReader> a = effect.CreateProcessor(r1);
    std::vector<std::int32_t> whole = test::ReadAll(*a, 20000);
    auto r2 = MakeRef<test::VectorReader>(s, 2);
    Ref<LAudioReader> b = effect.CreateProcessor(r2);
    b->Seek(12345);
    std::vector<std::int32_t> part = test::ReadAll(*b, 5000);
    int worst = 0;
    for (std::size_t i = 0; i < part.size(); ++i) worst = std::max(worst, std::abs(part[i] - whole[12345 * 2 + i]));
    EXPECT_LE(worst, 1);
    EXPECT_EQ(b->Position(), 17345);
    // A print of another channel count leaves the input alone.
    auto mono = MakeRef<test::VectorReader>(std::vector<std::int32_t>(100, 0), 1);
    Ref<LAudioReader> m = mono;
    EXPECT_EQ(effect.CreateProcessor(m), m);
}

TEST_F(RestorationTest, VocalReductionCancelsTheCentreAndNeedsAStereoDocument) {
    Open(test::SineSamples(4410, kRate, {440}, 30000), 1);
    const test::DocumentState before = State();
    Run(kCmdVocalReduction);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Conversion en Stéréo Exigée");
    EXPECT_EQ(State(), before);

    // The same in both channels, plus a tone on the left only.
    std::vector<std::int32_t> s = Samples(8820, 2, [](int k, int c) {
        return static_cast<std::int32_t>(30000 * std::sin(k * 0.05) + (c == 0 ? 10000 * std::sin(k * 0.3) : 0));
    });
    Open(s, 2);
    Run(kCmdVocalReduction);
    EXPECT_EQ(UndoName(Doc()), "Réduire la Piste Vocale");
    EXPECT_EQ(Doc().sound.channels, 2);
    const std::vector<std::int32_t> out = All();
    ASSERT_EQ(out.size(), s.size());
    for (std::size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(out[i], s[i] - s[i + 1]) << i;
        ASSERT_EQ(out[i + 1], out[i]) << i;
    }
}

TEST(VocalReductionFilter, IdenticalChannelsGiveSilenceAndMonoPassesUnchanged) {
    auto same = MakeRef<test::VectorReader>(test::SineSamples(5000, kRate, {300}, 200000, 2), 2);
    Ref<LAudioReader> f = MakeRef<LVocalReductionFilter>(same);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->fullScale, 2097152);
    EXPECT_EQ(test::ReadAll(*f, 5000), std::vector<std::int32_t>(5000, 0));
    auto mono = MakeRef<test::VectorReader>(std::vector<std::int32_t>(10, 3), 1);
    Ref<LAudioReader> m = mono;
    EXPECT_EQ(LVocalReductionEffect().CreateProcessor(m), m);
}

// Music-like material: a few harmonics with vibrato and a slow swell, and a little noise.
std::vector<double> Music(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::normal_distribution<double> d(0, 200);
    std::vector<double> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = 220 * (1 + 0.01 * std::sin(2 * M_PI * 5 * t));
        const double env = 0.6 + 0.4 * std::sin(2 * M_PI * 0.3 * t);
        double v = 0;
        for (int h = 1; h <= 6; ++h) v += std::sin(2 * M_PI * f * h * t + h) / h;
        s[i] = 90000 * env * v + 40000 * std::sin(2 * M_PI * 523.25 * t) * env + d(gen);
    }
    return s;
}

struct Click {
    std::size_t at;
    std::size_t length;
};

// Clicks of 1 to 30 frames, 30,000 to 250,000 high, at known frames.
std::vector<Click> AddClicks(std::vector<double>& s, int count, unsigned seed) {
    std::mt19937 gen(seed);
    std::vector<Click> clicks;
    const std::size_t spacing = s.size() / static_cast<std::size_t>(count + 1);
    for (int c = 0; c < count; ++c) {
        const std::size_t at = spacing * static_cast<std::size_t>(c + 1) + gen() % 1000;
        const std::size_t len = 1 + gen() % 30;
        const double height = static_cast<double>(30000 + gen() % 220000) * (gen() % 2 ? 1.0 : -1.0);
        for (std::size_t i = 0; i < len; ++i) s[at + i] += height * std::exp(-3.0 * static_cast<double>(i) / static_cast<double>(len)) * (i % 2 ? -0.6 : 1.0);
        clicks.push_back({at, len});
    }
    return clicks;
}

std::vector<std::int32_t> Rounded(const std::vector<double>& s) {
    std::vector<std::int32_t> r(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) r[i] = static_cast<std::int32_t>(std::lrint(s[i]));
    return r;
}

TEST(ClickRepair, FindsClicksAtKnownFramesInMusicWithFewFalseAlarmsAndSmallResidualError) {
    const std::size_t n = static_cast<std::size_t>(kRate) * 10;
    const std::vector<double> clean = Music(n, 8);
    std::vector<double> clicky = clean;
    const std::vector<Click> clicks = AddClicks(clicky, 40, 9);

    auto reader = MakeRef<test::VectorReader>(Rounded(clicky), 1);
    auto filter = MakeRef<LClickRepairFilter>(reader, 50, 450);
    const std::vector<std::int32_t> out = test::ReadAll(*filter, static_cast<std::int32_t>(n));

    int found = 0;
    double errBefore = 0, errAfter = 0;
    for (const Click& c : clicks) {
        double before = 0, after = 0;
        for (std::size_t i = c.at; i < c.at + c.length; ++i) {
            before += (clicky[i] - clean[i]) * (clicky[i] - clean[i]);
            after += (out[i] - clean[i]) * (out[i] - clean[i]);
        }
        if (after < 0.1 * before) ++found;  // repaired to a tenth of its error energy or better
        errBefore += before;
        errAfter += after;
    }
    // Changes more than 40 frames from every click are false alarms (a click's repair may reach
    // the join gap and the widening beyond it).
    int falseAlarms = 0;
    for (std::size_t i = 0; i < n;) {
        bool nearClick = false;
        for (const Click& c : clicks) nearClick |= i + 40 >= c.at && i < c.at + c.length + 40;
        if (!nearClick && std::fabs(out[i] - std::lrint(clicky[i])) > 0) {
            ++falseAlarms;
            i += 64;
        } else {
            ++i;
        }
    }
    const double residualDb = 10 * std::log10(errAfter / errBefore);
    std::printf("clicks: %d of %zu found, %d false alarms in 10 s, residual error %.1f dB below the clicks'\n", found,
                clicks.size(), falseAlarms, -residualDb);
    EXPECT_GE(found, 38);
    EXPECT_LE(falseAlarms, 2);
    EXPECT_LT(residualDb, -15.0);
    EXPECT_GE(filter->Repaired(), 38);
}

TEST(ClickRepair, CleanMusicPassesUntouchedAtTheDefaultSensitivity) {
    const std::vector<double> clean = Music(static_cast<std::size_t>(kRate) * 5, 10);
    const std::vector<std::int32_t> in = Rounded(clean);
    auto reader = MakeRef<test::VectorReader>(in, 1);
    auto filter = MakeRef<LClickRepairFilter>(reader, 50, 450);
    EXPECT_EQ(test::ReadAll(*filter, static_cast<std::int32_t>(in.size())), in);
    EXPECT_EQ(filter->Repaired(), 0);
}

TEST(ClickRepair, InterpolationRestoresAMissingStretchOfATone) {
    std::vector<double> x(6000);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = 100000 * std::sin(0.05 * static_cast<double>(i)) + 30000 * std::sin(0.17 * static_cast<double>(i));
    const std::vector<double> clean = x;
    for (std::size_t i = 3000; i < 3040; ++i) x[i] = 400000;
    InterpolateClick(x.data(), 6000, 3000, 3040);
    double worst = 0;
    for (std::size_t i = 2990; i < 3050; ++i) worst = std::max(worst, std::fabs(x[i] - clean[i]));
    EXPECT_LT(worst, 10.0);
    EXPECT_EQ(x[2999], clean[2999]);
}

TEST_F(RestorationTest, ManualRepairAccepts44FramesAt44100HzAndRefuses45) {
    std::vector<double> music = Music(static_cast<std::size_t>(kRate), 11);
    const std::vector<double> clean = music;
    for (std::size_t i = 20000; i < 20044; ++i) music[i] += 200000;
    Open(Rounded(music), 1);
    Doc().selectionStart = 20000;
    Doc().selectionEnd = 20045;
    const test::DocumentState before = State();
    Run(kCmdManualClickRepair);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text,
              "Sonvela ne peut effectuer de réduction manuelle sur une zone de cette taille. Veuillez sélectionner une "
              "zone de moins grande taille.");
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].icon, MsgIcon::Error);
    EXPECT_EQ(State(), before);

    Doc().selectionEnd = 20044;
    Run(kCmdManualClickRepair);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(UndoName(Doc()), "Clic Manuel/Réparation de Claquement");
    const std::vector<std::int32_t> out = All();
    ASSERT_EQ(out.size(), music.size());
    double worst = 0;
    for (std::size_t i = 20000; i < 20044; ++i) worst = std::max(worst, std::fabs(out[i] - clean[i]));
    EXPECT_LT(worst, 4000.0);  // 2% of the click

    // An empty selection does nothing.
    Doc().selectionStart = Doc().selectionEnd = 100;
    const test::DocumentState same = State();
    Run(kCmdManualClickRepair);
    EXPECT_EQ(State(), same);
}

TEST_F(RestorationTest, ClickDialogStoresItsSettingsUnderSettings) {
    Open(Rounded(Music(static_cast<std::size_t>(kRate), 12)), 1);
    host.dialogs.push_back({true, {{"sensitivity", "70"}, {"length", "100"}}});
    Run(kCmdAutoClickRepair);
    ASSERT_EQ(host.shownDialogs.size(), 1u);
    EXPECT_EQ(host.shownDialogs[0].resource, "45");
    EXPECT_EQ(host.shownDialogs[0].Field("sensitivity")->kind, DialogField::Kind::TrackBar);
    EXPECT_EQ(host.shownDialogs[0].Field("sensitivity")->value, "50");
    EXPECT_EQ(host.shownDialogs[0].Field("length")->value, "450");
    EXPECT_EQ(settings.ReadIntSetting("Settings", "ClickSensitivity", 0), 70);
    EXPECT_EQ(settings.ReadIntSetting("Settings", "MaxClickLength", 0), 100);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Click Detecting"});
}

}  // namespace
}  // namespace sv
