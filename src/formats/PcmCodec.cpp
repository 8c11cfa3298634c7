#include "formats/PcmCodec.h"

#include "formats/SampleConvert.h"

namespace sv {

namespace {

class PcmCodec : public AudioCodec {
public:
    PcmCodec(int channelCount, int width) : AudioCodec(channelCount, width * channelCount, 1), width_(width) {}

    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        int n = blocks * channels;
        for (int i = 0; i < n; ++i, in += width_) {
            switch (width_) {
            case 1: out[i] = static_cast<std::int16_t>((in[0] - 128) * 256); break;
            case 2: out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(in[0] | (in[1] << 8))); break;
            case 3: out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(in[1] | (in[2] << 8))); break;
            default: out[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(in[2] | (in[3] << 8))); break;
            }
        }
    }

    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        int n = blocks * channels;
        for (int i = 0; i < n; ++i, out += width_) {
            auto u = static_cast<std::uint16_t>(in[i]);
            switch (width_) {
            case 1: out[0] = static_cast<std::uint8_t>((in[i] >> 8) + 128); break;
            case 2: out[0] = static_cast<std::uint8_t>(u); out[1] = static_cast<std::uint8_t>(u >> 8); break;
            case 3:
                out[0] = 0;
                out[1] = static_cast<std::uint8_t>(u);
                out[2] = static_cast<std::uint8_t>(u >> 8);
                break;
            default:
                out[0] = out[1] = 0;
                out[2] = static_cast<std::uint8_t>(u);
                out[3] = static_cast<std::uint8_t>(u >> 8);
                break;
            }
        }
    }

private:
    int width_;
};

}  // namespace

std::unique_ptr<AudioCodec> CreatePcmCodec(const WAVEFORMATEX& format) {
    if (format.channels == 0 || format.bitsPerSample == 0 || format.bitsPerSample > 32) return nullptr;
    return std::make_unique<PcmCodec>(format.channels, ContainerWidth(format.bitsPerSample));
}

}  // namespace sv
