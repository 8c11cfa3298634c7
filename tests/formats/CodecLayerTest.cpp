#include "FormatTestSupport.h"
#include "formats/AcmStream.h"
#include "formats/GsmCodec.h"
#include "formats/ImaAdpcmCodec.h"
#include "formats/MsAdpcmCodec.h"
#include "formats/MulawCodec.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace sv::test {
namespace {

std::string WriteSine(const TempFolder& dir, const std::string& name, const WAVEFORMATEX& format, std::int32_t frames) {
    std::string path = dir.File(name);
    Ref<LAudioWriter> w = CreateWavWriter(path, format);
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * format.channels);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(std::lround(9000 * std::sin(i * 0.05))) * 16;
    for (std::int32_t at = 0; at < frames; at += kMaxFramesPerCall)
        w->Write(s.data() + static_cast<std::size_t>(at) * format.channels, std::min(kMaxFramesPerCall, frames - at));
    return path;
}

TEST(CodecLayer, SeekingLandsOnTheSameSamplesAsReadingThrough) {
    TempFolder dir;
    for (const WAVEFORMATEX& f : {MakeImaAdpcmFormat(8000, 2), MakeMsAdpcmFormat(8000, 1), MakeGsmFormat(8000),
                                  MakeMulawFormat(8000, 2)}) {
        SCOPED_TRACE(f.formatTag);
        std::string path = WriteSine(dir, "s.wav", f, 30000);
        Ref<LAudioReader> r = OpenWavReader(path);
        ASSERT_EQ(r->errorCode, 0);
        std::vector<std::int32_t> all = ReadAll(*r);
        for (std::int32_t target : {0, 1, 777, 12345, 20000}) {
            r->Seek(target);
            std::vector<std::int32_t> piece(300u * f.channels);
            r->Read(piece.data(), 300);
            int worst = 0;
            for (std::size_t i = 0; i < piece.size(); ++i)
                worst = std::max(worst, std::abs(piece[i] - all[static_cast<std::size_t>(target) * f.channels + i]));
            // ADPCM and G.711 restart exactly at a block. GSM's decoder carries filter state that
            // the warm-up blocks rebuild only approximately: within 5% of the 9000 amplitude.
            EXPECT_LE(worst, f.formatTag == kWaveFormatGsm610 ? 450 * 16 : 0) << target;
        }
        r->Seek(-5);
        std::vector<std::int32_t> lead(10u * f.channels);
        r->Read(lead.data(), 10);
        for (int i = 0; i < 5 * f.channels; ++i) EXPECT_EQ(lead[static_cast<std::size_t>(i)], 0);
        EXPECT_EQ(lead[5u * f.channels], all[0]);
        r->Seek(r->Length() + 50);
        r->Read(lead.data(), 10);
        EXPECT_EQ(lead[0], 0);
    }
}

TEST(CodecLayer, TheFactCountIsTheLengthAndFilesWithoutOneEndWithTheirLastBlock) {
    TempFolder dir;
    for (const WAVEFORMATEX& f : {MakeImaAdpcmFormat(8000, 1), MakeMsAdpcmFormat(8000, 2), MakeGsmFormat(8000)}) {
        SCOPED_TRACE(f.formatTag);
        std::string path = WriteSine(dir, "c.wav", f, 1000);
        Bytes b = ReadBytes(path);
        const std::size_t fact = 20 + 18 + f.CbSize();
        ASSERT_EQ(std::string(b.begin() + static_cast<std::ptrdiff_t>(fact), b.begin() + static_cast<std::ptrdiff_t>(fact) + 4), "fact");
        EXPECT_EQ(Le32At(b, fact + 8), 1000u);
        EXPECT_EQ(Le32At(b, 4), b.size() - 8);
        Ref<LAudioReader> r = OpenWavReader(path);
        EXPECT_EQ(r->Length(), 1000);
        std::vector<std::int32_t> all = ReadAll(*r);
        EXPECT_EQ(all.size(), 1000u * f.channels);
        // Reading on past the count gives silence, not the padding.
        r->Seek(990);
        std::vector<std::int32_t> tail(20u * f.channels, 7);
        r->Read(tail.data(), 20);
        EXPECT_EQ(std::vector<std::int32_t>(tail.begin(), tail.begin() + 10 * f.channels),
                  std::vector<std::int32_t>(all.end() - 10 * f.channels, all.end()));
        EXPECT_EQ(tail.back(), 0);
    }
    // Without the chunk (as other writers leave it) the length is the whole blocks'.
    std::string path = WriteSine(dir, "ima.wav", MakeImaAdpcmFormat(8000, 1), 1000);
    Bytes b = ReadBytes(path);
    const std::size_t fact = 20 + 18 + MakeImaAdpcmFormat(8000, 1).CbSize();
    b.erase(b.begin() + static_cast<std::ptrdiff_t>(fact), b.begin() + static_cast<std::ptrdiff_t>(fact) + 12);
    WriteBytes(path, b);
    Ref<LAudioReader> r = OpenWavReader(path);
    int per = ImaAdpcmFramesPerBlock(256, 1);
    EXPECT_EQ(per, 505);
    EXPECT_EQ(r->Length(), 2 * per);
    EXPECT_EQ(static_cast<std::int64_t>(ReadAll(*r).size()), 2 * per);
}

TEST(CodecLayer, StreamsOpenOnlyBetweenSixteenBitPcmAndAKnownFormat) {
    WAVEFORMATEX pcm = MakePcmFormat(8000, 2, 16);
    EXPECT_TRUE(AcmStream::Query(pcm, MakeMsAdpcmFormat(8000, 2), 0));
    EXPECT_FALSE(AcmStream::Query(pcm, MakeMsAdpcmFormat(8000, 1), 0));     // channels differ
    WAVEFORMATEX gsmStereo = MakeGsmFormat(8000);
    gsmStereo.channels = 2;
    EXPECT_FALSE(AcmStream::Query(pcm, gsmStereo, kAcmOpenNonRealTime));
    WAVEFORMATEX unknown = pcm;
    unknown.formatTag = 0x55;
    EXPECT_FALSE(AcmStream::Query(unknown, pcm, 0));
    WAVEFORMATEX ext = pcm;
    ext.formatTag = kWaveFormatExtensible;
    ext.bitsPerSample = 32;
    ext.blockAlign = 8;
    ext.extra = MakeExtensibleExtra(32, 3, kWaveFormatIeeeFloat);
    EXPECT_TRUE(AcmStream::Query(ext, pcm, 0));
}

TEST(CodecLayer, CorruptAdpcmHeadersDecodeWithoutFaults) {
    // Extreme predictor indices, deltas and coefficients must stay defined arithmetic.
    for (const WAVEFORMATEX& f : {MakeImaAdpcmFormat(8000, 2), MakeMsAdpcmFormat(8000, 2)}) {
        std::unique_ptr<AudioCodec> codec = CreateCodec(f);
        ASSERT_TRUE(codec);
        std::vector<std::uint8_t> block(static_cast<std::size_t>(codec->blockBytes), 0xFF);
        std::vector<std::int16_t> out(static_cast<std::size_t>(codec->blockFrames) * 2);
        codec->Decode(block.data(), 1, out.data());
        block.assign(block.size(), 0x7F);
        codec->Decode(block.data(), 1, out.data());
    }
    WAVEFORMATEX wild = MakeMsAdpcmFormat(8000, 1);
    for (std::size_t i = 4; i < wild.extra.size(); ++i) wild.extra[i] = 0x80;
    std::unique_ptr<AudioCodec> codec = CreateCodec(wild);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(codec->blockBytes), 0x77);
    std::vector<std::int16_t> out(static_cast<std::size_t>(codec->blockFrames));
    codec->Decode(block.data(), 1, out.data());
}

TEST(CodecLayer, MulawAndItsInverseAgreeOnEveryCode) {
    for (int u = 0; u < 256; ++u) {
        if (u == 0x7F) continue;  // negative zero encodes as positive zero
        EXPECT_EQ(LinearToMulaw(MulawToLinear(static_cast<std::uint8_t>(u))), u);
    }
}

}  // namespace
}  // namespace sv::test
