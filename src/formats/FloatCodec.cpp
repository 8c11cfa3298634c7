#include "formats/FloatCodec.h"

#include <cmath>
#include <cstring>

namespace sv {

namespace {

std::int16_t FromFloat(double v) {
    if (!(v == v)) return 0;  // NaN
    double s = std::nearbyint(v * 32768.0);
    if (s >= 32767.0) return 32767;
    if (s <= -32768.0) return -32768;
    return static_cast<std::int16_t>(s);
}

class FloatCodec : public AudioCodec {
public:
    FloatCodec(int channelCount, bool wide) : AudioCodec(channelCount, (wide ? 8 : 4) * channelCount, 1), wide_(wide) {}

    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        int n = blocks * channels;
        if (wide_) {
            for (int i = 0; i < n; ++i, in += 8) {
                std::uint64_t bits = 0;
                for (int b = 7; b >= 0; --b) bits = (bits << 8) | in[b];
                double v;
                std::memcpy(&v, &bits, 8);
                out[i] = FromFloat(v);
            }
        } else {
            for (int i = 0; i < n; ++i, in += 4) {
                std::uint32_t bits = static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
                                     (static_cast<std::uint32_t>(in[2]) << 16) |
                                     (static_cast<std::uint32_t>(in[3]) << 24);
                float v;
                std::memcpy(&v, &bits, 4);
                out[i] = FromFloat(v);
            }
        }
    }

    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        int n = blocks * channels;
        for (int i = 0; i < n; ++i) {
            if (wide_) {
                double v = in[i] / 32768.0;
                std::uint64_t bits;
                std::memcpy(&bits, &v, 8);
                for (int b = 0; b < 8; ++b) *out++ = static_cast<std::uint8_t>(bits >> (8 * b));
            } else {
                float v = static_cast<float>(in[i]) / 32768.0f;
                std::uint32_t bits;
                std::memcpy(&bits, &v, 4);
                for (int b = 0; b < 4; ++b) *out++ = static_cast<std::uint8_t>(bits >> (8 * b));
            }
        }
    }

private:
    bool wide_;
};

}  // namespace

std::unique_ptr<AudioCodec> CreateFloatCodec(const WAVEFORMATEX& format) {
    if (format.channels == 0 || (format.bitsPerSample != 32 && format.bitsPerSample != 64)) return nullptr;
    return std::make_unique<FloatCodec>(format.channels, format.bitsPerSample == 64);
}

WAVEFORMATEX MakeFloatFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    WAVEFORMATEX f = MakePcmFormat(rate, channels, bits);
    f.formatTag = kWaveFormatIeeeFloat;
    return f;
}

}  // namespace sv
