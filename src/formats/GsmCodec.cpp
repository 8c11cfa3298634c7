#include "formats/GsmCodec.h"

#include <gsm.h>

namespace sv {

namespace {

constexpr int kBlockBytes = 65;
constexpr int kBlockFrames = 320;

class GsmCodec : public AudioCodec {
public:
    GsmCodec() : AudioCodec(1, kBlockBytes, kBlockFrames) { Restart(); }
    ~GsmCodec() override {
        if (handle_) gsm_destroy(handle_);
    }

    bool Usable() const { return handle_ != nullptr; }

    void Restart() override {
        if (handle_) gsm_destroy(handle_);
        handle_ = gsm_create();
        if (handle_) {
            int one = 1;
            gsm_option(handle_, GSM_OPT_WAV49, &one);
        }
    }

    void Decode(const std::uint8_t* in, int blocks, std::int16_t* out) override {
        for (int b = 0; b < blocks; ++b, in += kBlockBytes, out += kBlockFrames) {
            // libgsm reads a frame through a non-const pointer but does not change it.
            auto* frame = const_cast<gsm_byte*>(in);
            if (gsm_decode(handle_, frame, out) != 0 || gsm_decode(handle_, frame + 33, out + 160) != 0) {
                for (int i = 0; i < kBlockFrames; ++i) out[i] = 0;
            }
        }
    }

    void Encode(const std::int16_t* in, int blocks, std::uint8_t* out) override {
        for (int b = 0; b < blocks; ++b, in += kBlockFrames, out += kBlockBytes) {
            gsm_signal frame[kBlockFrames];
            for (int i = 0; i < kBlockFrames; ++i) frame[i] = in[i];
            gsm_encode(handle_, frame, out);
            gsm_encode(handle_, frame + 160, out + 32);
        }
    }

private:
    gsm handle_ = nullptr;
};

}  // namespace

std::unique_ptr<AudioCodec> CreateGsmCodec(const WAVEFORMATEX& format) {
    if (format.channels != 1 || format.blockAlign != kBlockBytes) return nullptr;
    auto codec = std::make_unique<GsmCodec>();
    if (!codec->Usable()) return nullptr;
    return codec;
}

WAVEFORMATEX MakeGsmFormat(std::uint32_t rate) {
    WAVEFORMATEX f;
    f.formatTag = kWaveFormatGsm610;
    f.channels = 1;
    f.samplesPerSec = rate;
    f.bitsPerSample = 0;
    f.blockAlign = kBlockBytes;
    f.avgBytesPerSec = static_cast<std::uint32_t>((static_cast<std::uint64_t>(rate) * kBlockBytes + kBlockFrames / 2) / kBlockFrames);
    f.extra = {kBlockFrames & 0xFF, kBlockFrames >> 8};
    return f;
}

}  // namespace sv
