#include "formats/MsAdpcmCodec.h"

#include "formats/ByteOrder.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace sv {

namespace {

const int kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
const int kStandardCoefs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

constexpr int kMaxDelta = 0x7FFFFFFF / 768;

struct Coef {
    int c1;
    int c2;
};

struct MsState {
    int sample1 = 0;  // most recent
    int sample2 = 0;
    int delta = 16;
    Coef coef{256, 0};

    // Corrupt blocks may carry any coefficients and deltas; 64-bit sums keep them defined.
    std::int64_t Predict() const {
        return (static_cast<std::int64_t>(sample1) * coef.c1 + static_cast<std::int64_t>(sample2) * coef.c2) >> 8;
    }

    std::int16_t Expand(int code) {
        int signedCode = code >= 8 ? code - 16 : code;
        std::int64_t v = Predict() + static_cast<std::int64_t>(signedCode) * delta;
        int value = static_cast<int>(std::max<std::int64_t>(-32768, std::min<std::int64_t>(32767, v)));
        sample2 = sample1;
        sample1 = value;
        delta = static_cast<int>(std::min<std::int64_t>(kMaxDelta, std::max<std::int64_t>(16, (static_cast<std::int64_t>(kAdaptation[code]) * delta) >> 8)));
        return static_cast<std::int16_t>(value);
    }

    int Compress(int sample) {
        int err = static_cast<int>(std::max<std::int64_t>(-65536, std::min<std::int64_t>(65536, sample - Predict())));
        int q = err >= 0 ? (err + delta / 2) / delta : -((-err + delta / 2) / delta);
        q = std::max(-8, std::min(7, q));
        int code = q & 0x0F;
        Expand(code);
        return code;
    }
};

class MsAdpcmCodec : public AudioCodec {
public:
    MsAdpcmCodec(int channelCount, int blockAlign, int frames, std::vector<Coef> coefs)
        : AudioCodec(channelCount, blockAlign, frames), coefs_(std::move(coefs)) {}

    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        for (int b = 0; b < blocks; ++b, in += blockBytes, out += blockFrames * channels) DecodeBlock(in, out);
    }

    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        for (int b = 0; b < blocks; ++b, in += blockFrames * channels, out += blockBytes) EncodeBlock(in, out);
    }

private:
    void DecodeBlock(const std::uint8_t* in, std::int16_t* out) {
        const int ch = channels;
        MsState st[2];
        for (int c = 0; c < ch; ++c) {
            std::size_t k = std::min<std::size_t>(in[c], coefs_.size() - 1);
            st[c].coef = coefs_[k];
            st[c].delta = static_cast<std::int16_t>(GetLe16(in + ch + 2 * c));
            st[c].sample1 = static_cast<std::int16_t>(GetLe16(in + 3 * ch + 2 * c));
            st[c].sample2 = static_cast<std::int16_t>(GetLe16(in + 5 * ch + 2 * c));
            out[c] = static_cast<std::int16_t>(st[c].sample2);
            out[ch + c] = static_cast<std::int16_t>(st[c].sample1);
        }
        const std::uint8_t* data = in + 7 * ch;
        int total = (blockFrames - 2) * ch;
        for (int i = 0; i < total; ++i) {
            int code = (i & 1) ? data[i / 2] & 0x0F : data[i / 2] >> 4;
            int c = i % ch;
            out[2 * ch + i] = st[c].Expand(code);
        }
    }

    void EncodeBlock(const std::int16_t* in, std::uint8_t* out) {
        const int ch = channels;
        MsState best[2];
        std::uint8_t bestIndex[2] = {0, 0};
        for (int c = 0; c < ch; ++c) {
            // The predictor that follows this block's samples most closely wins.
            int firstStep = std::abs(in[ch + c] - in[c]);
            int startDelta = std::max(16, firstStep / 4);
            long long bestError = -1;
            for (std::size_t k = 0; k < coefs_.size(); ++k) {
                MsState trial;
                trial.coef = coefs_[k];
                trial.delta = startDelta;
                trial.sample2 = in[c];
                trial.sample1 = in[ch + c];
                MsState start = trial;
                long long error = 0;
                for (int f = 2; f < blockFrames; ++f) {
                    int s = in[f * ch + c];
                    trial.Compress(s);
                    long long d = s - trial.sample1;
                    error += d * d;
                }
                if (bestError < 0 || error < bestError) {
                    bestError = error;
                    best[c] = start;
                    bestIndex[c] = static_cast<std::uint8_t>(k);
                }
            }
            out[c] = bestIndex[c];
            PutLe16(out + ch + 2 * c, static_cast<std::uint16_t>(best[c].delta));
            PutLe16(out + 3 * ch + 2 * c, static_cast<std::uint16_t>(best[c].sample1));
            PutLe16(out + 5 * ch + 2 * c, static_cast<std::uint16_t>(best[c].sample2));
        }
        std::uint8_t* data = out + 7 * ch;
        int total = (blockFrames - 2) * ch;
        std::fill(data, out + blockBytes, std::uint8_t(0));
        for (int i = 0; i < total; ++i) {
            int c = i % ch;
            int code = best[c].Compress(in[2 * ch + i]);
            data[i / 2] = static_cast<std::uint8_t>(data[i / 2] | ((i & 1) ? code : code << 4));
        }
    }

    std::vector<Coef> coefs_;
};

std::vector<Coef> StandardCoefs() {
    std::vector<Coef> v;
    for (const auto& c : kStandardCoefs) v.push_back({c[0], c[1]});
    return v;
}

}  // namespace

int MsAdpcmFramesPerBlock(int blockAlign, int channels) {
    if (channels < 1 || channels > 2 || blockAlign < 7 * channels) return 0;
    return (blockAlign - 7 * channels) * 2 / channels + 2;
}

std::unique_ptr<AudioCodec> CreateMsAdpcmCodec(const WAVEFORMATEX& format) {
    int frames = MsAdpcmFramesPerBlock(format.blockAlign, format.channels);
    if (format.bitsPerSample != 4 || frames == 0) return nullptr;
    std::vector<Coef> coefs;
    const auto& e = format.extra;
    if (e.size() >= 4) {
        std::size_t count = GetLe16(e.data() + 2);
        for (std::size_t i = 0; i < count && 4 + 4 * i + 4 <= e.size(); ++i) {
            coefs.push_back({static_cast<std::int16_t>(GetLe16(e.data() + 4 + 4 * i)),
                             static_cast<std::int16_t>(GetLe16(e.data() + 6 + 4 * i))});
        }
    }
    if (coefs.empty()) coefs = StandardCoefs();
    return std::make_unique<MsAdpcmCodec>(format.channels, format.blockAlign, frames, std::move(coefs));
}

WAVEFORMATEX MakeMsAdpcmFormat(std::uint32_t rate, std::uint16_t channels) {
    WAVEFORMATEX f;
    f.formatTag = kWaveFormatMsAdpcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = 4;
    std::uint32_t perChannel = 256;
    for (std::uint32_t r = rate; r > 11025 && perChannel < 1024; r /= 2) perChannel *= 2;
    f.blockAlign = static_cast<std::uint16_t>(perChannel * channels);
    int frames = MsAdpcmFramesPerBlock(f.blockAlign, channels);
    f.avgBytesPerSec = static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * f.blockAlign / std::max(frames, 1));
    f.extra.assign(4 + 4 * 7, 0);
    PutLe16(&f.extra[0], static_cast<std::uint32_t>(frames));
    PutLe16(&f.extra[2], 7);
    for (int i = 0; i < 7; ++i) {
        PutLe16(&f.extra[4 + 4 * i], static_cast<std::uint16_t>(kStandardCoefs[i][0]));
        PutLe16(&f.extra[6 + 4 * i], static_cast<std::uint16_t>(kStandardCoefs[i][1]));
    }
    return f;
}

}  // namespace sv
