// The output limiter of the save path and the player over one hour of stereo: material within
// 16-bit range (the blocks are copied), and the same with a loud burst every ten seconds.
#include "Bench.h"

#include "core/AudioReader.h"
#include "effects/OutputLimiter.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 3600;

class ToneReader : public LAudioReader {
public:
    explicit ToneReader(bool bursts) : bursts_(bursts) {
        channels = 2;
        fullScale = 0x200000;  // as a document's reader
        table_.resize(4410);
        for (std::size_t k = 0; k < table_.size(); ++k) table_[k] = static_cast<std::int32_t>(std::lround(0.9 * kFullScale16 * std::sin(k * 0.0142475)));
    }
    void Read(std::int32_t* dst, std::int32_t n) override {
        for (std::int32_t i = 0; i < n; ++i, ++position_) {
            std::int32_t v = table_[static_cast<std::size_t>(position_) % table_.size()];
            if (bursts_ && position_ % (10 * kRate) < kRate / 10) v *= 3;
            dst[2 * i] = v;
            dst[2 * i + 1] = -v;
        }
    }
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return kRate * kSeconds; }
    void Seek(std::int32_t p) override { position_ = p; }

private:
    bool bursts_;
    std::vector<std::int32_t> table_;
    std::int32_t position_ = 0;
};

Result Run(bool bursts) {
    Ref<LAudioReader> source(new ToneReader(bursts));
    // The generator's own cost, to be told apart from the limiter's.
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    double t0 = NowSeconds();
    for (std::int32_t at = 0; at < kRate * kSeconds; at += kMaxFramesPerCall) source->Read(buf.data(), kMaxFramesPerCall);
    const double generator = NowSeconds() - t0;
    source->Seek(0);
    Ref<LOutputLimiter> limiter(new LOutputLimiter(source));
    t0 = NowSeconds();
    for (std::int32_t at = 0; at < kRate * kSeconds; at += kMaxFramesPerCall) limiter->Read(buf.data(), kMaxFramesPerCall);
    Result r;
    r.audioSeconds = kSeconds;
    r.wallSeconds = NowSeconds() - t0;
    char note[160];
    std::snprintf(note, sizeof note, "source alone %.3f s; limiter %.3f s more", generator, r.wallSeconds - generator);
    r.note = note;
    return r;
}

SONVELA_BENCH("limiter 1h stereo within 16-bit range", [](Context&) { return Run(false); });
SONVELA_BENCH("limiter 1h stereo with a burst every 10 s", [](Context&) { return Run(true); });

}  // namespace
}  // namespace sv::bench
