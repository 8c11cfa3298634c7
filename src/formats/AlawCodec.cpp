#include "formats/AlawCodec.h"

namespace sv {

std::int16_t AlawToLinear(std::uint8_t a) {
    a ^= 0x55;
    int t = (a & 0x0F) << 4;
    int seg = (a & 0x70) >> 4;
    if (seg == 0) {
        t += 8;
    } else {
        t += 0x108;
        t <<= seg - 1;
    }
    return static_cast<std::int16_t>((a & 0x80) ? t : -t);
}

std::uint8_t LinearToAlaw(std::int16_t pcm) {
    static const int kSegEnd[8] = {0x1F, 0x3F, 0x7F, 0xFF, 0x1FF, 0x3FF, 0x7FF, 0xFFF};
    int v = pcm >> 3;
    int mask;
    if (v >= 0) {
        mask = 0xD5;
    } else {
        mask = 0x55;
        v = -v - 1;
    }
    int seg = 0;
    while (seg < 8 && v > kSegEnd[seg]) ++seg;
    if (seg >= 8) return static_cast<std::uint8_t>(0x7F ^ mask);
    int aval = seg << 4;
    aval |= seg < 2 ? (v >> 1) & 0x0F : (v >> seg) & 0x0F;
    return static_cast<std::uint8_t>(aval ^ mask);
}

namespace {

class AlawCodec : public AudioCodec {
public:
    explicit AlawCodec(int channelCount) : AudioCodec(channelCount, channelCount, 1) {}
    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        for (int i = 0, n = blocks * channels; i < n; ++i) out[i] = AlawToLinear(in[i]);
    }
    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        for (int i = 0, n = blocks * channels; i < n; ++i) out[i] = LinearToAlaw(in[i]);
    }
};

}  // namespace

std::unique_ptr<AudioCodec> CreateAlawCodec(const WAVEFORMATEX& format) {
    if (format.channels == 0 || format.bitsPerSample > 8) return nullptr;
    return std::make_unique<AlawCodec>(format.channels);
}

WAVEFORMATEX MakeAlawFormat(std::uint32_t rate, std::uint16_t channels) {
    WAVEFORMATEX f = MakePcmFormat(rate, channels, 8);
    f.formatTag = kWaveFormatAlaw;
    return f;
}

}  // namespace sv
