#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "effects/Resampler.h"

#include <cmath>

namespace sv {
namespace {

using test::AnalyseTone;
using test::ReadAll;
using test::Rms;
using test::SineSamples;
using test::VectorReader;

constexpr double kHalfScale = 262136.0;  // half of 16-bit full scale, in internal samples

Ref<LAudioReader> Source(std::vector<std::int32_t> samples, std::uint8_t channels, std::int32_t rate) {
    return Ref<LAudioReader>(new VectorReader(std::move(samples), channels, rate));
}

TEST(Resampler, SameRateHandsBackTheInputAndABadTargetGivesSilenceWithError3) {
    Ref<LAudioReader> in = Source({1, 2, 3}, 1, 44100);
    EXPECT_EQ(LResampler::Create(in, 44100), in);
    Ref<LAudioReader> bad = LResampler::Create(Source({1000, 2000, 3000}, 1, 44100), 0);
    EXPECT_EQ(bad->errorCode, kReaderCorrupt);
    std::vector<std::int32_t> out(4, 7);
    bad->Read(out.data(), 4);
    EXPECT_EQ(out, std::vector<std::int32_t>(4, 0));
}

TEST(Resampler, BelowAQuarterOfTheRateConvertsInTwoStagesThroughTwiceTheTarget) {
    Ref<LAudioReader> two = LResampler::Create(Source({}, 1, 48000), 8000);
    auto* outer = dynamic_cast<LResampler*>(two.get());
    ASSERT_NE(outer, nullptr);
    auto* inner = dynamic_cast<LResampler*>(outer->Input());
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->InputRate(), 48000);
    EXPECT_EQ(inner->OutputRate(), 16000);
    EXPECT_EQ(outer->OutputRate(), 8000);
    EXPECT_EQ(two->sampleRate, 8000);
    // 12,000 is a quarter exactly: one stage.
    Ref<LAudioReader> one = LResampler::Create(Source({}, 1, 48000), 12000);
    EXPECT_EQ(dynamic_cast<LResampler*>(dynamic_cast<LResampler*>(one.get())->Input()), nullptr);
}

TEST(Resampler, FullScaleDoublesWhileAtMost1048576) {
    Ref<LAudioReader> in = Source({}, 1, 44100);
    in->fullScale = kFullScale16;
    EXPECT_EQ(LResampler::Create(in, 48000)->fullScale, 2 * kFullScale16);
    Ref<LAudioReader> big = Source({}, 1, 44100);
    big->fullScale = 2097152;
    EXPECT_EQ(LResampler::Create(big, 48000)->fullScale, 2097152);
}

TEST(Resampler, LengthCountsTheOutputFramesBeforeTheInputEnds) {
    EXPECT_EQ(LResampler::Create(Source(std::vector<std::int32_t>(44100), 1, 44100), 48000)->Length(), 48000);
    EXPECT_EQ(LResampler::Create(Source(std::vector<std::int32_t>(1000), 1, 48000), 8000)->Length(), 167);
    EXPECT_EQ(LResampler::Create(Source(std::vector<std::int32_t>(1000), 1, 8000), 44100)->Length(), 5513);
}

// Reading straight through and seeking to the middle must give the same frames, whatever
// the phase table, stage count or channel count.
TEST(Resampler, SeekRestartsAtTheMatchingInputPositionAndDeliversTheSameFrames) {
    struct Case {
        std::int32_t from, to;
        std::uint8_t channels;
    };
    for (Case c : {Case{44100, 48000, 2}, Case{44100, 29399, 1}, Case{48000, 8000, 1}, Case{8000, 44100, 2}}) {
        std::vector<std::int32_t> noise(static_cast<std::size_t>(30000) * c.channels);
        std::uint32_t x = 12345;
        for (auto& v : noise) v = static_cast<std::int32_t>((x = x * 1664525u + 1013904223u) >> 13) - 262144;
        Ref<LAudioReader> r = LResampler::Create(Source(noise, c.channels, c.from), c.to);
        const std::vector<std::int32_t> whole = ReadAll(*r, 9000);
        r->Seek(4321);
        EXPECT_EQ(r->Position(), 4321);
        const std::vector<std::int32_t> part = ReadAll(*r, 3000);
        EXPECT_EQ(r->Position(), 7321);
        EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 4321 * c.channels))
            << c.from << " -> " << c.to;
    }
}

// A 1 kHz tone keeps its frequency within 0.05 Hz and nothing else rises above -100 dB
// (images and aliases of the tone, phase-table and rounding errors together).
TEST(Resampler, Sine1kHzFrom44100To48000KeepsItsFrequencyWithSpursBelowMinus100dB) {
    Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(44100, 44100, {1000}, kHalfScale), 1, 44100), 48000);
    const std::vector<std::int32_t> out = ReadAll(*r, 48000);
    const auto t = AnalyseTone(out, 1, 0, 8000, 15, 48000);
    EXPECT_NEAR(t.frequency, 1000.0, 0.05);
    EXPECT_NEAR(t.amplitude, kHalfScale, kHalfScale * 0.001);
    EXPECT_LT(t.spurDb, -100.0);
}

TEST(Resampler, Sine1kHzFrom48000To8000ThroughTwoStagesKeepsItsFrequencyWithSpursBelowMinus100dB) {
    Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(96000, 48000, {1000}, kHalfScale), 1, 48000), 8000);
    const std::vector<std::int32_t> out = ReadAll(*r, 16000);
    const auto t = AnalyseTone(out, 1, 0, 4000, 13, 8000);
    EXPECT_NEAR(t.frequency, 1000.0, 0.05);
    EXPECT_NEAR(t.amplitude, kHalfScale, kHalfScale * 0.001);
    EXPECT_LT(t.spurDb, -100.0);
}

// Rates whose ratio has a large denominator go through the interpolated phase table.
TEST(Resampler, InterpolatedPhasesKeepSpursBelowMinus90dB) {
    Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(44100, 44100, {1000}, kHalfScale), 1, 44100), 29399);
    const std::vector<std::int32_t> out = ReadAll(*r, 29399);
    const auto t = AnalyseTone(out, 1, 0, 6000, 14, 29399);
    EXPECT_NEAR(t.frequency, 1000.0, 0.05);
    EXPECT_LT(t.spurDb, -90.0);
}

// Whatever lies above the lower rate's half must not fold back into the band: a tone there
// comes out at least 90 dB down.
TEST(Resampler, TonesAboveTheNewBandAreRejectedBy90dB) {
    struct Case {
        std::int32_t from, to;
        double freq;
    };
    for (Case c : {Case{48000, 44100, 23000}, Case{48000, 8000, 5000}, Case{48000, 8000, 11000},
                   Case{44100, 22050, 12000}}) {
        Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(c.from, c.from, {c.freq}, kHalfScale), 1, c.from), c.to);
        const std::vector<std::int32_t> out = ReadAll(*r, c.to);
        const double level = Rms(out, 1, 0, static_cast<std::size_t>(c.to / 4), static_cast<std::size_t>(c.to / 2));
        EXPECT_LT(20 * std::log10(std::max(level, 1e-9) * std::sqrt(2.0) / kHalfScale), -90.0)
            << c.freq << " Hz, " << c.from << " -> " << c.to;
    }
}

// The price of 32 taps: the band is flat within 0.1 dB up to two thirds of the lower
// rate's half (14 kHz at 44,100 Hz), and half power is reached near 0.77 of it.
TEST(Resampler, PassbandIsFlatWithinATenthOfADecibelTo14kHzAt44100) {
    for (auto [from, to] : {std::pair{44100, 48000}, std::pair{48000, 44100}}) {
        Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(from, from, {14000}, kHalfScale), 1, from), to);
        const std::vector<std::int32_t> out = ReadAll(*r, to);
        const auto t = AnalyseTone(out, 1, 0, 8000, 14, to);
        EXPECT_NEAR(t.frequency, 14000.0, 0.05);
        EXPECT_NEAR(20 * std::log10(t.amplitude / kHalfScale), 0.0, 0.1) << from << " -> " << to;
    }
    Ref<LAudioReader> r = LResampler::Create(Source(SineSamples(44100, 44100, {0.77 * 22050}, kHalfScale), 1, 44100), 48000);
    const std::vector<std::int32_t> out = ReadAll(*r, 48000);
    EXPECT_NEAR(20 * std::log10(AnalyseTone(out, 1, 0, 8000, 14, 48000).amplitude / kHalfScale), -3.0, 0.5);
}

TEST(Resampler, StereoChannelsAreConvertedSeparately) {
    Ref<LAudioReader> r =
        LResampler::Create(Source(SineSamples(22050, 22050, {440, 3000}, kHalfScale, 2), 2, 22050), 44100);
    const std::vector<std::int32_t> out = ReadAll(*r, 44100);
    EXPECT_NEAR(AnalyseTone(out, 2, 0, 8000, 14, 44100).frequency, 440.0, 0.05);
    EXPECT_NEAR(AnalyseTone(out, 2, 1, 8000, 14, 44100).frequency, 3000.0, 0.05);
    // The image of 440 Hz at 21,610 Hz sits in the kernel's stopband ripple, about 94 dB down.
    EXPECT_LT(AnalyseTone(out, 2, 0, 8000, 14, 44100).spurDb, -90.0);
}

TEST(Resampler, SpeedChangeKeepsReportingTheInputRateAndRaisesFactorsBelowATenth) {
    Ref<LAudioReader> r = LResampler::CreateSpeedChange(Source(SineSamples(44100, 44100, {1000}, kHalfScale), 1, 44100), 2.0);
    EXPECT_EQ(r->sampleRate, 44100);
    EXPECT_EQ(r->Length(), 22050);
    const std::vector<std::int32_t> out = ReadAll(*r, 22050);
    EXPECT_NEAR(AnalyseTone(out, 1, 0, 2000, 14, 44100).frequency, 2000.0, 0.05);

    Ref<LAudioReader> slow = LResampler::CreateSpeedChange(Source(std::vector<std::int32_t>(1000), 1, 44100), 0.05);
    EXPECT_EQ(dynamic_cast<LResampler*>(slow.get())->OutputRate(), 441000);
    EXPECT_EQ(slow->sampleRate, 44100);
    EXPECT_EQ(slow->Length(), 10000);
}

// A reader of any length that delivers a constant, for lengths no vector could hold.
class ConstantReader : public LAudioReader {
public:
    ConstantReader(std::int32_t rate, std::int32_t length, std::int32_t value) : length_(length), value_(value) {
        sampleRate = rate;
    }
    void Read(std::int32_t* dst, std::int32_t frames) override {
        for (std::int32_t i = 0; i < frames; ++i, ++pos_) dst[i] = pos_ >= 0 && pos_ < length_ ? value_ : 0;
    }
    std::int32_t Position() const override { return pos_; }
    std::int32_t Length() const override { return length_; }
    void Seek(std::int32_t p) override { pos_ = p; }

private:
    std::int32_t length_, value_;
    std::int32_t pos_ = 0;
};

TEST(Resampler, AFailedInputGivesErrorCode2AndSilence) {
    Ref<LAudioReader> in(new ConstantReader(44100, 1000, 5000));
    in->errorCode = kReaderCannotOpen;
    Ref<LAudioReader> r = LResampler::Create(in, 48000);
    EXPECT_EQ(r->errorCode, kReaderInputFailed);
    std::vector<std::int32_t> out(100, 1);
    r->Read(out.data(), 100);
    EXPECT_EQ(out, std::vector<std::int32_t>(100, 0));
}

TEST(Resampler, PositionsOutsideTheInputGiveSilenceAndHugeLengthsSaturate) {
    Ref<LAudioReader> r = LResampler::Create(Ref<LAudioReader>(new ConstantReader(8000, INT32_MAX, 100000)), 48000);
    EXPECT_EQ(r->Length(), INT32_MAX);
    r->Seek(-600);  // 100 input frames before the start
    const std::vector<std::int32_t> out = ReadAll(*r, 1200);
    EXPECT_EQ(r->Position(), 600);
    // The kernel reaches 16 input frames (96 output frames) either side.
    for (int i = 0; i < 600 - 96; ++i) ASSERT_EQ(out[i], 0) << i;
    for (int i = 600 + 96; i < 1200; ++i) ASSERT_NEAR(out[i], 100000, 2) << i;
    r->Seek(INT32_MAX - 10);
    ReadAll(*r, 10);  // reads around the end of the int32 range without overflowing
    EXPECT_EQ(r->Position(), INT32_MAX);
}

}  // namespace
}  // namespace sv
