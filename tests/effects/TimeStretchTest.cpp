#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "effects/TempoReader.h"
#include "effects/TimeStretch.h"

#include <cmath>

namespace sv {
namespace {

using test::AnalyseTone;
using test::BurstEdges;
using test::ReadAll;
using test::SineSamples;
using test::VectorReader;

constexpr double kHalfScale = 262136.0;

Ref<LAudioReader> Source(std::vector<std::int32_t> samples, std::uint8_t channels, std::int32_t rate) {
    return Ref<LAudioReader>(new VectorReader(std::move(samples), channels, rate));
}

TEST(TimeStretch, FrameIsTheTransformSizeOfRateOver16AndTheHopASixteenthOfIt) {
    auto sizes = [](std::int32_t rate) {
        Ref<LAudioReader> r = LTimeStretch::Create(Source({}, 1, rate), 1.5);
        const auto* s = dynamic_cast<LTimeStretch*>(r.get());
        return std::pair{s->FrameSize(), s->Hop()};
    };
    EXPECT_EQ(sizes(44100), std::pair(4096u, 256u));
    EXPECT_EQ(sizes(8000), std::pair(512u, 32u));
    EXPECT_EQ(sizes(100), std::pair(8u, 1u));  // the smallest frame still has a hop
}

TEST(TimeStretch, FactorsOfOneZeroOrLessOrNaNHandBackTheInput) {
    Ref<LAudioReader> in = Source({1, 2, 3}, 1, 44100);
    for (double f : {1.0, 0.0, -0.5, std::nan("")}) EXPECT_EQ(LTimeStretch::Create(in, f), in) << f;
}

// A second of 1 kHz comes out at 1 kHz within 0.5 Hz, as loud within half a decibel and with
// nothing else above -60 dB (measured: -74 to -93 dB); it lasts 1/f as long, both by Length()
// and by where the tone rises and falls (within one hop of 256 frames).
TEST(TimeStretch, SineKeepsItsFrequencyAndItsDurationScalesByOneOverTheFactor) {
    const std::int32_t frames = 44100;
    for (double f : {0.5, 1.5, 2.0}) {
        Ref<LAudioReader> r = LTimeStretch::Create(Source(SineSamples(frames, 44100, {1000}, kHalfScale), 1, 44100), f);
        const std::int64_t expected = static_cast<std::int64_t>(std::ceil(frames / f));
        EXPECT_EQ(r->Length(), expected) << f;
        const std::vector<std::int32_t> out = ReadAll(*r, r->Length() + 8192);
        EXPECT_EQ(r->Position(), r->Length() + 8192);
        const auto t = AnalyseTone(out, 1, 0, static_cast<std::int32_t>(expected / 2 - 4096), 13, 44100);
        EXPECT_NEAR(t.frequency, 1000.0, 0.5) << f;
        EXPECT_NEAR(20 * std::log10(t.amplitude / kHalfScale), 0.0, 0.5) << f;
        EXPECT_LT(t.spurDb, -60.0) << f;
        const auto [rise, fall] = BurstEdges(out, kHalfScale, 256);
        EXPECT_NEAR(static_cast<double>(rise), 0.0, 256.0) << f;
        EXPECT_NEAR(static_cast<double>(fall - rise), frames / f, 256.0) << f;
    }
}

TEST(TimeStretch, ConstantInputStaysConstantAtItsLevel) {
    Ref<LAudioReader> r = LTimeStretch::Create(Source(std::vector<std::int32_t>(44100, 100000), 1, 44100), 1.5);
    const std::vector<std::int32_t> out = ReadAll(*r, r->Length());
    for (std::size_t i = 4096; i + 4096 < out.size(); i += 97) ASSERT_NEAR(out[i], 100000, 100) << i;
}

TEST(TimeStretch, StereoChannelsKeepTheirOwnFrequencies) {
    Ref<LAudioReader> r =
        LTimeStretch::Create(Source(SineSamples(44100, 44100, {440, 2500}, kHalfScale, 2), 2, 44100), 0.75);
    const std::vector<std::int32_t> out = ReadAll(*r, r->Length());
    EXPECT_NEAR(AnalyseTone(out, 2, 0, 20000, 14, 44100).frequency, 440.0, 0.5);
    EXPECT_NEAR(AnalyseTone(out, 2, 1, 20000, 14, 44100).frequency, 2500.0, 0.5);
}

// Factors of 8 and more are outside the designed range but the pitch change at 10 % needs 10.
TEST(TimeStretch, FactorTenStillShortensTenfoldAndKeepsTheTone) {
    Ref<LAudioReader> r = LTimeStretch::Create(Source(SineSamples(441000, 44100, {200}, kHalfScale), 1, 44100), 10.0);
    EXPECT_EQ(r->Length(), 44100);
    const std::vector<std::int32_t> out = ReadAll(*r, 44100);
    EXPECT_NEAR(AnalyseTone(out, 1, 0, 10000, 14, 44100).frequency, 200.0, 2.0);
}

TEST(TimeStretch, SeekStartsTheOutputAtTheMatchingInputPlace) {
    // A rising tone: the output after a seek must carry the frequency of that place.
    std::vector<std::int32_t> s(88200);
    for (std::size_t k = 0; k < s.size(); ++k) {
        const double freq = k < 44100 ? 500.0 : 1500.0;
        s[k] = static_cast<std::int32_t>(kHalfScale * std::sin(2 * test::kTestPi * freq * k / 44100));
    }
    Ref<LAudioReader> r = LTimeStretch::Create(Source(s, 1, 44100), 0.5);
    r->Seek(120000);  // input frame 60,000
    EXPECT_EQ(r->Position(), 120000);
    const std::vector<std::int32_t> out = ReadAll(*r, 16384);
    EXPECT_NEAR(AnalyseTone(out, 1, 0, 0, 14, 44100).frequency, 1500.0, 0.5);
}

TEST(TimeStretch, AFailedInputGivesErrorCode2AndSilence) {
    Ref<LAudioReader> in = Source(std::vector<std::int32_t>(1000, 5000), 1, 44100);
    in->errorCode = kReaderCorrupt;
    Ref<LAudioReader> r = LTimeStretch::Create(in, 2.0);
    EXPECT_EQ(r->errorCode, kReaderInputFailed);
    std::vector<std::int32_t> out(100, 1);
    r->Read(out.data(), 100);
    EXPECT_EQ(out, std::vector<std::int32_t>(100, 0));
}

TEST(TimeStretch, LengthSaturatesAndNegativePositionsAreSilent) {
    Ref<LAudioReader> in = Source(std::vector<std::int32_t>(2000, 100000), 1, 44100);
    Ref<LAudioReader> r = LTimeStretch::Create(in, 0.01);
    EXPECT_EQ(r->Length(), 200000);
    // Frames reach half a frame (2,048 input frames) either side of where they stand.
    r->Seek(-400000);
    const std::vector<std::int32_t> out = ReadAll(*r, 8000);
    EXPECT_EQ(r->Position(), -392000);
    for (int v : out) ASSERT_EQ(v, 0);
    class Endless : public VectorReader {
    public:
        using VectorReader::VectorReader;
        std::int32_t Length() const override { return INT32_MAX; }
    };
    EXPECT_EQ(LTimeStretch::Create(Ref<LAudioReader>(new Endless({}, 1, 44100)), 0.5)->Length(), INT32_MAX);
}

TEST(TempoReader, SlowPlaySpeaksInSourceFramesAndKeepsThePitch) {
    Ref<LTempoReader> r = LTempoReader::Create(Source(SineSamples(44100, 44100, {1000}, kHalfScale), 1, 44100), 0.5);
    EXPECT_EQ(r->Length(), 44100);
    EXPECT_EQ(r->Position(), 0);
    const std::vector<std::int32_t> out = ReadAll(*r, 40000);
    EXPECT_EQ(r->Position(), 20000);
    EXPECT_NEAR(AnalyseTone(out, 1, 0, 12000, 14, 44100).frequency, 1000.0, 0.5);
    r->Seek(30000);
    EXPECT_EQ(r->Position(), 30000);
    ReadAll(*r, 3000);
    EXPECT_EQ(r->Position(), 31500);
}

TEST(TempoReader, FastPlayStartsWhereTheSourceStood) {
    Ref<LAudioReader> src = Source(SineSamples(88200, 44100, {1000}, kHalfScale), 1, 44100);
    src->Seek(5000);
    Ref<LTempoReader> r = LTempoReader::Create(src, 1.5);
    EXPECT_EQ(r->Position(), 5000);
    const std::vector<std::int32_t> out = ReadAll(*r, 30000);
    EXPECT_NEAR(r->Position(), 50000, 1);
    EXPECT_NEAR(AnalyseTone(out, 1, 0, 8000, 14, 44100).frequency, 1000.0, 0.5);
}

TEST(TempoReader, RatioOneOrLessThanZeroPlaysTheSourceAsItIs) {
    for (double ratio : {1.0, -1.0}) {
        Ref<LAudioReader> src = Source({10, 20, 30, 40}, 1, 44100);
        src->Seek(1);
        Ref<LTempoReader> r = LTempoReader::Create(src, ratio);
        std::vector<std::int32_t> out(2);
        r->Read(out.data(), 2);
        EXPECT_EQ(out, (std::vector<std::int32_t>{20, 30}));
        EXPECT_EQ(r->Position(), 3);
    }
}

}  // namespace
}  // namespace sv
