// Player figures: an hour of stereo sound played on the null device as fast as it takes it
// (CPU seconds per second of audio, peak memory), and the time from play to the first buffer
// handed to the device. The source is synthetic so only the player's own work is measured.
#include "Bench.h"

#include "audio/WavePlayer.h"
#include "core/Notifier.h"

#include <time.h>

#include <cstdio>
#include <thread>

namespace sv::bench {
namespace {

class Synthetic : public LAudioReader {
public:
    explicit Synthetic(std::int32_t length) : length_(length) {
        sampleRate = 44100;
        channels = 2;
    }
    void Read(std::int32_t* dst, std::int32_t frames) override {
        for (std::int32_t i = 0; i < frames * 2; ++i) dst[i] = ((position_ + i) * 7919 % 1048544) - 524272;
        position_ += frames;
    }
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return length_; }
    void Seek(std::int32_t p) override { position_ = p; }

private:
    std::int32_t length_;
    std::int32_t position_ = 0;
};

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

Result PlayHour(Context&) {
    ResetPeakRss();
    ManualNotifier notifier;
    LWavePlayer player(notifier, std::make_unique<LNullDevice>(false));
    const std::int32_t frames = 3600 * 44100;
    const double cpu0 = CpuSeconds();
    const double t0 = NowSeconds();
    player.Open(Ref<LAudioReader>(new Synthetic(frames)));
    while (player.State() != 0) {
        notifier.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = 3600;
    char note[128];
    std::snprintf(note, sizeof note, "%.3f%% of a core per second of audio",
                  100.0 * (CpuSeconds() - cpu0) / r.audioSeconds);
    r.note = note;
    return r;
}

Result PlayToFirstBuffer(Context&) {
    ManualNotifier notifier;
    auto device = std::make_unique<LNullDevice>(false);
    LNullDevice* dev = device.get();
    LWavePlayer player(notifier, std::move(device));
    double total = 0;
    const int runs = 50;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowSeconds();
        player.Open(Ref<LAudioReader>(new Synthetic(44100 * 60)));
        while (dev->FramesPlayed() == 0) std::this_thread::yield();
        total += NowSeconds() - t0;
        player.Close();
    }
    Result r;
    r.wallSeconds = total;
    char note[96];
    std::snprintf(note, sizeof note, "%.0f us from play to the first buffer", 1e6 * total / runs);
    r.note = note;
    return r;
}

}  // namespace

SONVELA_BENCH("player_hour_null_device", PlayHour);
SONVELA_BENCH("player_play_to_first_buffer", PlayToFirstBuffer);

}  // namespace sv::bench
