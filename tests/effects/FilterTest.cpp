#include "EffectTestFixture.h"

#include "effects/ChannelConverter.h"
#include "effects/ChannelMixer.h"
#include "core/FixedPoint.h"
#include "effects/Filter.h"

#include <cmath>

namespace sv {
namespace {

using test::ExpectedMul;
using test::VectorReader;

// Doubles every sample and counts how often its state was cleared.
class DoublingFilter : public LFilter {
public:
    using LFilter::LFilter;
    int resets = 0;

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override {
        for (std::int32_t i = 0; i < frames * channels; ++i) dst[i] *= 2;
    }
    void ResetState() override { ++resets; }
};

TEST(FixedPoint, ProductFollowsTheTwelveBitHalvesAndApproximatesTheTrueProduct) {
    EXPECT_EQ(MulFixed24(524272, kFixedOne), 524272);
    EXPECT_EQ(MulFixed24(-524272, kFixedOne), -524272);
    EXPECT_EQ(MulFixed24(100000, kFixedOne / 2), 50000);
    EXPECT_EQ(MulFixed24(7, 0), 0);
    const std::int32_t values[] = {1, -1, 4095, 4096, -4097, 123456, -524272, 2097151, 8388608, -33554432};
    for (std::int32_t a : values)
        for (std::int32_t b : values) {
            EXPECT_EQ(MulFixed24(a, b), ExpectedMul(a, b)) << a << " x " << b;
            const double exact = static_cast<double>(a) * b / kFixedOne;
            EXPECT_NEAR(MulFixed24(a, b), exact, 3.0) << a << " x " << b;
        }
}

TEST(FixedPoint, ProductSaturatesInsteadOfWrapping) {
    EXPECT_EQ(MulFixed24(INT32_MAX, INT32_MAX), INT32_MAX);
    EXPECT_EQ(MulFixed24(INT32_MIN, INT32_MAX), INT32_MIN);
}

TEST(Decibels, FactorsRoundHalfAwayFromZeroAndClampAtSilence) {
    EXPECT_EQ(FactorToDb(kFixedOne), 0);
    EXPECT_EQ(FactorToDb(2 * kFixedOne), 6);      // 6.02
    EXPECT_EQ(FactorToDb(kFixedOne / 2), -6);     // -6.02
    EXPECT_EQ(FactorToDb(23726566), 3);           // sqrt 2: 3.01
    EXPECT_EQ(FactorToDb(kFixedOne - 1), 0);      // -0.0000005 dB
    EXPECT_EQ(FactorToDb(0), -127);
    EXPECT_EQ(FactorToDb(-5), -127);
    EXPECT_EQ(FactorToDb(1), -127);               // -144.5 dB
    EXPECT_EQ(FactorToDb(INT32_MAX), 42);         // 42.14
    // 1.5 dB exactly rounds away from zero on both sides.
    EXPECT_EQ(FactorToDb(static_cast<std::int32_t>(std::pow(10.0, 1.5001 / 20) * kFixedOne)), 2);
    EXPECT_EQ(FactorToDb(static_cast<std::int32_t>(std::pow(10.0, -1.5001 / 20) * kFixedOne)), -2);
}

TEST(Decibels, TablesHoldRoundedPowersOfTenWithSilenceBelowMinus126) {
    for (int db = -126; db <= 127; ++db) {
        const double a = std::pow(10.0, db / 20.0) * 16777216 + 0.5;
        const double p = std::pow(10.0, db / 10.0) * 16777216 + 0.5;
        EXPECT_EQ(DbAmplitude(db), a >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(a)) << db;
        EXPECT_EQ(DbPower(db), p >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(p)) << db;
    }
    EXPECT_EQ(DbAmplitude(0), 16777216);
    EXPECT_EQ(DbPower(0), 16777216);
    EXPECT_EQ(DbAmplitude(-6), 8408526);
    EXPECT_EQ(DbAmplitude(42), 2112126356);
    EXPECT_EQ(DbAmplitude(43), 2147483647);
    EXPECT_EQ(DbPower(22), 2147483647);
    EXPECT_EQ(DbAmplitude(-127), 0);
    EXPECT_EQ(DbAmplitude(-128), 0);
    EXPECT_EQ(DbPower(-127), 0);
    EXPECT_EQ(AmplitudeTable()[0], 0);
    EXPECT_EQ(AmplitudeTable()[128], 16777216);
}

TEST(Filter, CopiesTheInputFormatAndPassesPositionLengthAndSeek) {
    auto in = MakeRef<VectorReader>(std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}, 2, 22050);
    in->fullScale = 1000;
    Ref<DoublingFilter> f = MakeRef<DoublingFilter>(in);
    EXPECT_EQ(f->sampleRate, 22050);
    EXPECT_EQ(f->fullScale, 1000);
    EXPECT_EQ(f->channels, 2);
    EXPECT_EQ(f->errorCode, kReaderOk);
    EXPECT_EQ(f->Length(), 3);
    EXPECT_EQ(in->RefCount(), 2);

    f->Seek(1);
    EXPECT_EQ(f->resets, 1);
    EXPECT_EQ(in->seeks, std::vector<std::int32_t>{1});
    std::int32_t out[6] = {};
    f->Read(out, 3);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 6), (std::vector<std::int32_t>{6, 8, 10, 12, 0, 0}));
    EXPECT_EQ(f->Position(), 4);
    f = nullptr;
    EXPECT_EQ(in->RefCount(), 1);  // the filter released its input
}

TEST(Filter, FailedOrMalformedInputGivesAnErrorCode) {
    EXPECT_EQ(MakeRef<DoublingFilter>(MakeRef<LErrorReader>(kReaderCorrupt))->errorCode, kReaderInputFailed);
    EXPECT_EQ(MakeRef<DoublingFilter>(Ref<LAudioReader>())->errorCode, kReaderInputFailed);
    auto zeroRate = MakeRef<VectorReader>(std::vector<std::int32_t>{}, 1, 0);
    EXPECT_EQ(MakeRef<DoublingFilter>(zeroRate)->errorCode, kReaderCorrupt);
}

TEST(Filter, LongReadsAreProcessedInPiecesOfAtMost8192Frames) {
    auto in = MakeRef<VectorReader>(std::vector<std::int32_t>(20000, 3), 1);
    auto f = MakeRef<DoublingFilter>(in);
    std::vector<std::int32_t> out(20000);
    f->Read(out.data(), 20000);
    EXPECT_EQ(in->largestRead, 8192);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int32_t v) { return v == 6; }));
}

TEST(ChannelConverters, MonoIsCopiedToBothChannelsAndStereoKeepsTheLeftSample) {
    auto mono = MakeRef<VectorReader>(std::vector<std::int32_t>{1, -2, 3}, 1);
    Ref<LAudioReader> st = ConvertChannels(mono, 2);
    EXPECT_EQ(st->channels, 2);
    std::int32_t out[6];
    st->Read(out, 3);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 6), (std::vector<std::int32_t>{1, 1, -2, -2, 3, 3}));

    auto stereo = MakeRef<VectorReader>(std::vector<std::int32_t>{1, 10, 2, 20, 3, 30}, 2);
    Ref<LAudioReader> m = ConvertChannels(stereo, 1);
    EXPECT_EQ(m->channels, 1);
    std::int32_t mout[4];
    m->Read(mout, 4);
    EXPECT_EQ(std::vector<std::int32_t>(mout, mout + 4), (std::vector<std::int32_t>{1, 2, 3, 0}));
    EXPECT_EQ(ConvertChannels(stereo, 2).get(), stereo.get());
}

TEST(ChannelMixer, SumsEachInputAtItsRowAmplitudeIntoAStereoOutput) {
    const std::vector<std::int32_t> in = {100000, -50000, 524272, 7, -3, 524272};
    auto src = MakeRef<VectorReader>(in, 2);
    // Left: left at -6 dB, right at 0 dB. Right: left silent, right at +3 dB.
    auto mixer = MakeRef<LChannelMixer>(src, LChannelMixer::Row{-6, 0}, LChannelMixer::Row{-127, 3});
    EXPECT_EQ(mixer->channels, 2);
    EXPECT_EQ(mixer->fullScale, 2097152);
    std::int32_t out[6];
    mixer->Read(out, 3);
    const std::int32_t a6 = static_cast<std::int32_t>(std::pow(10.0, -6 / 20.0) * 16777216 + 0.5);
    const std::int32_t a3 = static_cast<std::int32_t>(std::pow(10.0, 3 / 20.0) * 16777216 + 0.5);
    for (int f = 0; f < 3; ++f) {
        const std::int32_t l = in[2 * f], r = in[2 * f + 1];
        EXPECT_EQ(out[2 * f], ExpectedMul(l, a6) + ExpectedMul(r, 16777216)) << f;
        EXPECT_EQ(out[2 * f + 1], ExpectedMul(r, a3)) << f;
    }
}

TEST(ChannelMixer, MonoInputWithShortRowsLeavesMissingEntriesSilent) {
    auto src = MakeRef<VectorReader>(std::vector<std::int32_t>{1000, 2000}, 1);
    auto mixer = MakeRef<LChannelMixer>(src, LChannelMixer::Row{0}, LChannelMixer::Row{});
    std::int32_t out[4];
    mixer->Read(out, 2);
    EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1000, 0, 2000, 0}));
}

}  // namespace
}  // namespace sv
