#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace sv {
namespace {

// The peak bytes of interleaved stereo samples, group by group, worked out sample by sample.
std::vector<unsigned char> ExpectedPeaks(const std::vector<std::int32_t>& s) {
    std::vector<unsigned char> out;
    const std::size_t frames = s.size() / 2;
    for (std::size_t g = 0; g < frames; g += kPeakGroupFrames) {
        for (int c = 0; c < 2; ++c) {
            std::int64_t hi = 0, lo = 0;
            for (std::size_t k = g; k < std::min(frames, g + kPeakGroupFrames); ++k) {
                hi = std::max<std::int64_t>(hi, s[2 * k + c]);
                lo = std::min<std::int64_t>(lo, s[2 * k + c]);
            }
            out.push_back(PeakByte(static_cast<std::int32_t>(hi)));
            out.push_back(PeakByte(static_cast<std::int32_t>(std::min<std::int64_t>(-lo, INT32_MAX))));
        }
    }
    return out;
}

// Stereo writes of every length (so groups and vector widths split anywhere), with each
// channel's extremes, the most negative sample among them, placed at every lane.
TEST(BlockWriterPeaks, StereoGroupsKeepEachChannelsExtremesWhateverTheWriteLengths) {
    test::TempFolder dir;
    BlockStore store(dir.path());
    std::vector<std::int32_t> s(2 * 3000);
    for (std::size_t k = 0; k < s.size(); ++k) s[k] = static_cast<std::int32_t>((k * 7919) % 20001) - 10000;
    for (std::size_t k = 0; k < 3000; k += 37) s[2 * k + (k / 37) % 2] = (k % 3 == 0) ? 400000 : -350000;
    s[2 * 1001 + 1] = INT32_MIN;
    s[2 * 2222] = INT32_MAX;
    LAudioData sound;
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, 44100, 2);
        std::size_t at = 0;
        for (std::int32_t n = 1; at < 3000; ++n) {
            const auto take = static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(n), 3000 - at));
            w->Write(s.data() + 2 * at, take);
            at += static_cast<std::size_t>(take);
        }
        ASSERT_TRUE(w->Finish());
    }
    std::ifstream f(dir.File("0.grf"), std::ios::binary);
    const std::vector<unsigned char> peaks{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    EXPECT_EQ(peaks, ExpectedPeaks(s));
}

}  // namespace
}  // namespace sv
