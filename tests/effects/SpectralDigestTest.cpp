// Digests of what the transform and the speed and pitch chains compute, taken before any of
// them was made faster: a faster transform or stretch must give the very same bits, so a
// sound treated today and tomorrow is the same sound.
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "effects/CpuFeatures.h"
#include "effects/SpectralTransform.h"
#include "effects/SpeedPitchCommands.h"
#include "effects/TimeStretch.h"

#include <cmath>
#include <cstring>

namespace sv {
namespace {

using test::ReadAll;
using test::VectorReader;

// FNV-1a over the bytes of each value.
class Digest {
public:
    template <typename T>
    void Add(const T* values, std::size_t count) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(values);
        for (std::size_t i = 0; i < count * sizeof(T); ++i) {
            hash_ ^= bytes[i];
            hash_ *= 0x100000001b3ull;
        }
    }
    std::uint64_t Value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

// A fixed pseudo-random sequence (no library distribution, whose output may differ between
// library versions).
class Lcg {
public:
    explicit Lcg(std::uint64_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double Next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(static_cast<std::int64_t>(state_ >> 11) - (std::int64_t{1} << 52)) /
               static_cast<double>(std::int64_t{1} << 52);
    }

private:
    std::uint64_t state_;
};

// Two tones per channel over a little noise, at internal 16-bit scale.
std::vector<std::int32_t> Material(std::int32_t frames, std::uint8_t channels, std::int32_t rate) {
    Lcg noise(42);
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c) {
            const double x = static_cast<double>(k) / rate;
            const double v = 0.3 * std::sin(2 * test::kTestPi * (441.0 + 600.0 * c) * x) +
                             0.2 * std::sin(2 * test::kTestPi * (3087.0 - 250.0 * c) * x) + 0.03 * noise.Next();
            s[static_cast<std::size_t>(k) * channels + c] = static_cast<std::int32_t>(std::lrint(v * 32767)) * 16;
        }
    return s;
}

std::uint64_t TransformDigest(std::uint32_t order) {
    SpectralTransform t(order);
    Lcg gen(order);
    std::vector<double> re(t.Size()), im(t.Size());
    for (auto& v : re) v = gen.Next() * 524272.0;
    for (auto& v : im) v = gen.Next() * 524272.0;
    Digest d;
    t.Analysis(re.data(), im.data());
    d.Add(re.data(), re.size());
    d.Add(im.data(), im.size());
    t.Synthesis(re.data(), im.data());
    d.Add(re.data(), re.size());
    d.Add(im.data(), im.size());
    return d.Value();
}

std::uint64_t ChainDigest(SpeedPitchMode mode, int percent, std::uint8_t channels, std::int32_t rate,
                          std::int32_t frames) {
    Ref<LAudioReader> in(new VectorReader(Material(frames, channels, rate), channels, rate));
    Ref<LAudioReader> chain = CreateSpeedPitchChain(in, mode, percent);
    const std::vector<std::int32_t> out = ReadAll(*chain, chain->Length());
    Digest d;
    d.Add(out.data(), out.size());
    return d.Value();
}

// Each build this machine runs (AVX-512, AVX2, portable) gives the same bits.
TEST(SpectralDigest, TransformGivesTheSameBitsAtEveryOrder) {
    const std::uint64_t expected[] = {
        0xc108f5e9b1bd897eull, 0xdbd94b8edb1bbba1ull, 0xcc715bad0dae8d4cull, 0x7fbdd5be2a82b38full,
        0x847ccb660b142e05ull, 0xbb4b4a132c8c0ad6ull, 0x1155c2595d01cfd6ull, 0x884cec38ae3f3b5aull,
        0x913933ccca5d09b0ull, 0x20f906325bf08aaeull, 0x624cd966c92879b2ull, 0x116cf959cde4bb19ull,
        0xbf3e9fb34f641e5aull,
    };
    for (int build : {0, 1, 2}) {
        AllowAvx512(build == 0);
        AllowAvx2(build <= 1);
        for (std::uint32_t order = 1; order <= 13; ++order)
            EXPECT_EQ(TransformDigest(order), expected[order - 1])
                << "order " << order << " build " << build << std::hex << " 0x" << TransformDigest(order);
    }
    AllowAvx512(true);
    AllowAvx2(true);
}

TEST(SpectralDigest, SpeedAndPitchChainsGiveTheSameSamples) {
    struct Case {
        SpeedPitchMode mode;
        int percent;
        std::uint8_t channels;
        std::int32_t rate;
        std::uint64_t digest;
    };
    const Case cases[] = {
        {SpeedPitchMode::Speed, 150, 2, 44100, 0x35bcf740fc31fc6aull},
        {SpeedPitchMode::Speed, 75, 1, 44100, 0x6503db8a021bd333ull},
        {SpeedPitchMode::Speed, 120, 3, 22050, 0x85b92fba914743aeull},
        {SpeedPitchMode::Pitch, 150, 2, 44100, 0xa73d6ca87de39b97ull},
        {SpeedPitchMode::Pitch, 60, 1, 8000, 0xaec6fd1375197c8bull},
        {SpeedPitchMode::SpeedAndPitch, 150, 2, 44100, 0xccd678d28068b062ull},
    };
    for (int build : {0, 1, 2}) {
        AllowAvx512(build == 0);
        AllowAvx2(build <= 1);
        for (const Case& c : cases) {
            const std::uint64_t got = ChainDigest(c.mode, c.percent, c.channels, c.rate, 3 * c.rate / 2);
            EXPECT_EQ(got, c.digest) << static_cast<int>(c.mode) << " " << c.percent << "% " << int(c.channels)
                                     << " ch " << c.rate << " Hz build " << build << ": 0x" << std::hex << got;
        }
    }
    AllowAvx512(true);
    AllowAvx2(true);
}

// Below 1/256 of the input's pace most frames start where the last one did, so the peaks keep
// the frequency measured before; both arrangements of the stretch's two stages agree on it.
TEST(SpectralDigest, ATinyFactorCarriesTheLastFrequenciesOnAndGivesTheSameSamples) {
    for (StretchThreads threads : {StretchThreads::Auto, StretchThreads::Inline}) {
        Ref<LAudioReader> in(new VectorReader(Material(4410, 2, 44100), 2, 44100));
        Ref<LAudioReader> stretch = LTimeStretch::Create(in, 0.002, threads);
        const std::vector<std::int32_t> out = ReadAll(*stretch, 88200);
        Digest d;
        d.Add(out.data(), out.size());
        EXPECT_EQ(d.Value(), 0xd20ae34564c8693dull) << (threads == StretchThreads::Auto ? "two threads" : "inline") << ": 0x"
                                     << std::hex << d.Value();
    }
}

}  // namespace
}  // namespace sv
