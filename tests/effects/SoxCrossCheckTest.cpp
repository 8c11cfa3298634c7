// Reverse and a linear fade-in checked against sox on the same 16-bit input.
#include "EffectTestFixture.h"
#include "SoxSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace sv {
namespace {

using test::HaveSox;
using test::ReadWav16;
using test::WriteWav16;

class SoxCrossCheck : public test::EffectTest {
protected:
    // A stereo test signal: two tones and a little pseudo-noise, near full scale.
    std::vector<std::int16_t> Signal(int frames) {
        std::vector<std::int16_t> s;
        std::uint32_t seed = 12345;
        for (int k = 0; k < frames; ++k) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) % 2001) - 1000;
            s.push_back(static_cast<std::int16_t>(20000 * std::sin(k * 0.05) + noise));
            s.push_back(static_cast<std::int16_t>(-25000 * std::sin(k * 0.013) + noise / 2));
        }
        return s;
    }
    void OpenSamples(const std::vector<std::int16_t>& s, int rate) {
        std::vector<std::int32_t> internal(s.begin(), s.end());
        for (std::int32_t& v : internal) v *= 16;
        Open(internal, 2, rate);
    }
    std::string Sox(const std::string& args) {
        const std::string out = dir.File("sox-out.wav");
        const std::string cmd = "sox -D " + dir.File("in.wav") + " " + out + " " + args + " 2>&1";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return out;
    }
};

TEST_F(SoxCrossCheck, ReverseMatchesSoxSampleForSample) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    const auto s = Signal(20000);  // three of our blocks
    WriteWav16(dir.File("in.wav"), s, 2, 8000);
    const auto expected = ReadWav16(Sox("reverse"));
    OpenSamples(s, 8000);
    Run(kCmdReverse);
    const auto out = All();
    ASSERT_EQ(out.size(), expected.size());
    for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], expected[i] * 16) << i;
}

TEST_F(SoxCrossCheck, LinearFadeInMatchesSoxWithinOneLsb) {
    if (!HaveSox()) GTEST_SKIP() << "sox is not installed";
    // At 8,192 Hz a one-second fade is 8,192 frames, whose gain step 16,777,216 / 8,192 is
    // exact: the two then differ only in how they round each product.
    const auto s = Signal(12000);
    WriteWav16(dir.File("in.wav"), s, 2, 8192);
    const auto expected = ReadWav16(Sox("fade t 1"));
    OpenSamples(s, 8192);
    Doc().SetSelection(0, 8192, 0);
    Run(kCmdFadeIn);
    const auto out = All();
    ASSERT_EQ(out.size(), expected.size());
    int worst = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int ours = static_cast<int>(std::lround(out[i] / 16.0));
        worst = std::max(worst, std::abs(ours - expected[i]));
    }
    EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace sv
