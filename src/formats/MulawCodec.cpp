#include "formats/MulawCodec.h"

namespace sv {

namespace {
constexpr int kBias = 0x84;
constexpr int kClip = 32635;
}  // namespace

std::int16_t MulawToLinear(std::uint8_t u) {
    u = static_cast<std::uint8_t>(~u);
    int t = ((u & 0x0F) << 3) + kBias;
    t <<= (u & 0x70) >> 4;
    return static_cast<std::int16_t>((u & 0x80) ? (kBias - t) : (t - kBias));
}

std::uint8_t LinearToMulaw(std::int16_t pcm) {
    int v = pcm;
    int sign = 0;
    if (v < 0) {
        sign = 0x80;
        v = -v;
    }
    if (v > kClip) v = kClip;
    v += kBias;
    int exponent = 7;
    for (int mask = 0x4000; !(v & mask) && exponent > 0; mask >>= 1) --exponent;
    int mantissa = (v >> (exponent + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | (exponent << 4) | mantissa));
}

namespace {

class MulawCodec : public AudioCodec {
public:
    explicit MulawCodec(int channelCount) : AudioCodec(channelCount, channelCount, 1) {}
    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        for (int i = 0, n = blocks * channels; i < n; ++i) out[i] = MulawToLinear(in[i]);
    }
    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        for (int i = 0, n = blocks * channels; i < n; ++i) out[i] = LinearToMulaw(in[i]);
    }
};

}  // namespace

std::unique_ptr<AudioCodec> CreateMulawCodec(const WAVEFORMATEX& format) {
    if (format.channels == 0 || format.bitsPerSample > 8) return nullptr;
    return std::make_unique<MulawCodec>(format.channels);
}

WAVEFORMATEX MakeMulawFormat(std::uint32_t rate, std::uint16_t channels) {
    WAVEFORMATEX f = MakePcmFormat(rate, channels, 8);
    f.formatTag = kWaveFormatMulaw;
    return f;
}

}  // namespace sv
