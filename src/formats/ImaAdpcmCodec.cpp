#include "formats/ImaAdpcmCodec.h"

#include "formats/ByteOrder.h"

#include <algorithm>
#include <vector>

namespace sv {

namespace {

const int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaState {
    int predictor = 0;
    int index = 0;

    std::int16_t Expand(int code) {
        int step = kStepTable[index];
        int diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        predictor += (code & 8) ? -diff : diff;
        predictor = std::max(-32768, std::min(32767, predictor));
        index = std::max(0, std::min(88, index + kIndexTable[code]));
        return static_cast<std::int16_t>(predictor);
    }

    int Compress(int sample) {
        int step = kStepTable[index];
        int diff = sample - predictor;
        int code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        for (int mask = 4; mask; mask >>= 1) {
            if (diff >= step) {
                code |= mask;
                diff -= step;
            }
            step >>= 1;
        }
        Expand(code);
        return code;
    }
};

class ImaAdpcmCodec : public AudioCodec {
public:
    ImaAdpcmCodec(int channelCount, int blockAlign, int frames)
        : AudioCodec(channelCount, blockAlign, frames), state_(static_cast<std::size_t>(channelCount)) {}

    void Restart() override { std::fill(state_.begin(), state_.end(), ImaState{}); }

    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        for (int b = 0; b < blocks; ++b, in += blockBytes, out += blockFrames * channels) DecodeBlock(in, out);
    }

    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        for (int b = 0; b < blocks; ++b, in += blockFrames * channels, out += blockBytes) EncodeBlock(in, out);
    }

private:
    void DecodeBlock(const std::uint8_t* in, std::int16_t* out) {
        for (int c = 0; c < channels; ++c) {
            ImaState s;
            s.predictor = static_cast<std::int16_t>(GetLe16(in + 4 * c));
            s.index = std::min<int>(in[4 * c + 2], 88);
            out[c] = static_cast<std::int16_t>(s.predictor);
            const std::uint8_t* data = in + 4 * channels + 4 * c;
            for (int group = 0; group < (blockFrames - 1) / 8; ++group, data += 4 * channels) {
                for (int k = 0; k < 8; ++k) {
                    int code = (data[k / 2] >> ((k & 1) * 4)) & 0x0F;
                    out[(1 + group * 8 + k) * channels + c] = s.Expand(code);
                }
            }
        }
    }

    void EncodeBlock(const std::int16_t* in, std::uint8_t* out) {
        for (int c = 0; c < channels; ++c) {
            ImaState& s = state_[static_cast<std::size_t>(c)];
            s.predictor = in[c];
            PutLe16(out + 4 * c, static_cast<std::uint16_t>(in[c]));
            out[4 * c + 2] = static_cast<std::uint8_t>(s.index);
            out[4 * c + 3] = 0;
            std::uint8_t* data = out + 4 * channels + 4 * c;
            for (int group = 0; group < (blockFrames - 1) / 8; ++group, data += 4 * channels) {
                for (int k = 0; k < 4; ++k) data[k] = 0;
                for (int k = 0; k < 8; ++k) {
                    int code = s.Compress(in[(1 + group * 8 + k) * channels + c]);
                    data[k / 2] = static_cast<std::uint8_t>(data[k / 2] | (code << ((k & 1) * 4)));
                }
            }
        }
    }

    std::vector<ImaState> state_;  // carried between encoded blocks
};

}  // namespace

int ImaAdpcmFramesPerBlock(int blockAlign, int channels) {
    if (channels <= 0 || blockAlign < 8 * channels || blockAlign % (4 * channels) != 0) return 0;
    return (blockAlign - 4 * channels) * 2 / channels + 1;
}

std::unique_ptr<AudioCodec> CreateImaAdpcmCodec(const WAVEFORMATEX& format) {
    if (format.bitsPerSample != 4) return nullptr;
    int frames = ImaAdpcmFramesPerBlock(format.blockAlign, format.channels);
    if (frames == 0) return nullptr;
    return std::make_unique<ImaAdpcmCodec>(format.channels, format.blockAlign, frames);
}

WAVEFORMATEX MakeImaAdpcmFormat(std::uint32_t rate, std::uint16_t channels) {
    WAVEFORMATEX f;
    f.formatTag = kWaveFormatImaAdpcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = 4;
    std::uint32_t perChannel = 256;
    for (std::uint32_t r = rate; r > 11025 && perChannel < 2048; r /= 2) perChannel *= 2;
    f.blockAlign = static_cast<std::uint16_t>(std::min<std::uint32_t>(perChannel * channels, 0xFFFC / (4 * channels) * 4 * channels));
    int frames = ImaAdpcmFramesPerBlock(f.blockAlign, channels);
    f.avgBytesPerSec = static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * f.blockAlign / std::max(frames, 1));
    f.extra = {static_cast<std::uint8_t>(frames), static_cast<std::uint8_t>(frames >> 8)};
    return f;
}

}  // namespace sv
