#include "core/BlockReader.h"
#include "core/SegmentOps.h"
#include "platform/Paths.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace sv {
namespace {

class BlockReaderTest : public ::testing::Test {
protected:
    test::TempFolder dir;
    BlockStore store{dir.path()};
};

TEST_F(BlockReaderTest, NegativePositionGivesZerosThenTheSound) {
    LAudioData ramp = test::MakeRamp(store, 1000);
    Ref<LBlockReader> r = LBlockReader::Create(ramp);
    r->Seek(-100);
    std::vector<std::int32_t> out(250, -1);
    r->Read(out.data(), 250);
    for (int k = 0; k < 100; ++k) ASSERT_EQ(out[k], 0) << k;
    for (int k = 0; k < 150; ++k) ASSERT_EQ(out[100 + k], k * 16) << k;
    EXPECT_EQ(r->Position(), 150);
}

TEST_F(BlockReaderTest, ReadingPastTheEndGivesZerosAndStillAdvances) {
    LAudioData ramp = test::MakeRamp(store, 10);
    Ref<LBlockReader> r = LBlockReader::Create(ramp);
    r->Seek(5);
    std::vector<std::int32_t> out(20, -1);
    r->Read(out.data(), 20);
    EXPECT_EQ(out[4], 9 * 16);
    for (int k = 5; k < 20; ++k) EXPECT_EQ(out[k], 0);
    EXPECT_EQ(r->Position(), 25);
    r->Read(out.data(), 20);
    EXPECT_EQ(r->Position(), 45);
    EXPECT_EQ(r->Length(), 10);
}

TEST_F(BlockReaderTest, ReadsAcrossSegmentsSilenceAndGains) {
    LAudioData a = test::MakeRamp(store, 300);
    LAudioData b = test::MakeSound(store, std::vector<std::int32_t>(50, 1000));
    LAudioData sound = a;
    DeleteRange(sound, 100, 200);          // 0..99 then 200..299
    InsertSilence(sound, 100, 10);         // gap of ten
    Insert(sound, 0, b);                   // 50 frames of 1000 in front
    ScaleRange(sound, 0, 50, 50);          // half gain: (1000 * 256) >> 9 = 500
    std::vector<std::int32_t> got = test::ReadFrames(sound, 0, sound.Length());
    ASSERT_EQ(got.size(), 50u + 100 + 10 + 100);
    EXPECT_EQ(got[0], 500);
    EXPECT_EQ(got[49], 500);
    EXPECT_EQ(got[50], 0);
    EXPECT_EQ(got[149], 99 * 16);
    EXPECT_EQ(got[150], 0);
    EXPECT_EQ(got[159], 0);
    EXPECT_EQ(got[160], 200 * 16);
    EXPECT_EQ(got[259], 299 * 16);
}

TEST_F(BlockReaderTest, HalfGainUsesShiftArithmetic) {
    LAudioData sound = test::MakeSound(store, {-7, 7, 1001, -1001});
    ScaleRange(sound, 0, 4, 50);
    ASSERT_EQ(sound.Segments()[0].gain, 8388608);
    // factor = 8,388,608 >> 15 = 256; (s * 256) >> 9 rounds toward minus infinity.
    EXPECT_EQ(test::ReadFrames(sound, 0, 4), (std::vector<std::int32_t>{-4, 3, 500, -501}));
}

TEST_F(BlockReaderTest, LargeGainDoesNotWrapRound) {
    LAudioData sound = test::MakeSound(store, {524272, -524272, 100});
    ScaleRange(sound, 0, 3, 100000);  // gain saturates at 2,147,483,647: factor 65,535
    // A 32-bit product would wrap full scale to a small negative number.
    EXPECT_EQ(test::ReadFrames(sound, 0, 3), (std::vector<std::int32_t>{67105792, -67105793, 12799}));
    LAudioData loud = test::MakeSound(store, {2147483647, -2147483647 - 1});
    ScaleRange(loud, 0, 2, 400);
    EXPECT_EQ(test::ReadFrames(loud, 0, 2), (std::vector<std::int32_t>{2147483647, -2147483647 - 1}));
}

TEST_F(BlockReaderTest, SeekLandsInsideTheRightSegment) {
    LAudioData sound = test::MakeRamp(store, 1000);
    DeleteRange(sound, 300, 400);
    Ref<LBlockReader> r = LBlockReader::Create(sound);
    for (std::int32_t p : {0, 299, 300, 899, 899 + 1, 5000}) {
        r->Seek(p);
        std::int32_t v = -1;
        r->Read(&v, 1);
        std::int32_t want = p < 300 ? p * 16 : p < 900 ? (p + 100) * 16 : 0;
        EXPECT_EQ(v, want) << p;
    }
}

TEST_F(BlockReaderTest, ReaderKeepsItsOwnCopyWhileTheSoundIsEdited) {
    LAudioData sound = test::MakeRamp(store, 100);
    Ref<LBlockReader> r = LBlockReader::Create(sound);
    sound.Free();
    EXPECT_TRUE(FileExists(dir.File("0.aud")));
    std::vector<std::int32_t> out(100);
    r->Read(out.data(), 100);
    EXPECT_EQ(out[99], 99 * 16);
    r = nullptr;
    EXPECT_FALSE(FileExists(dir.File("0.aud")));
}

TEST_F(BlockReaderTest, ShortOrMissingSampleFileReadsAsZeros) {
    LAudioData sound = test::MakeRamp(store, 100);
    ASSERT_EQ(::truncate(dir.File("0.aud").c_str(), 40), 0);  // ten frames left
    std::vector<std::int32_t> got = test::ReadFrames(sound, 0, 100);
    EXPECT_EQ(got[9], 9 * 16);
    EXPECT_EQ(got[10], 0);
    EXPECT_EQ(got[99], 0);
    RemoveFile(dir.File("0.aud"));
    got = test::ReadFrames(sound, 0, 100);
    EXPECT_EQ(got[9], 0);
}

TEST_F(BlockReaderTest, BadFormatFallsBackWithCorruptCode) {
    LAudioData sound(0, 0);
    Ref<LBlockReader> r = LBlockReader::Create(sound);
    EXPECT_EQ(r->sampleRate, 44100);
    EXPECT_EQ(r->channels, 1);
    EXPECT_EQ(r->errorCode, kReaderCorrupt);
    EXPECT_EQ(r->fullScale, 2097152);
}

}  // namespace
}  // namespace sv
