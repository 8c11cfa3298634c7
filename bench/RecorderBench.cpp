// Recorder figures: the recorder's CPU per second of audio at 44.1 kHz and 192 kHz stereo (a
// scripted input as fast as it is read, into a writer that only counts), peak memory after one
// minute and after one hour of recording, and a real-time recording into a writer that stalls
// now and then, which must lose no buffer.
#include "Bench.h"

#include "audio/ScriptedInput.h"
#include "audio/WaveRecorder.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/Notifier.h"

#include <time.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace sv::bench {
namespace {

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
}

class CountingWriter : public LAudioWriter {
public:
    CountingWriter(std::int32_t rate, std::uint8_t ch, int stallEvery = 0, int stallMs = 0)
        : stallEvery_(stallEvery), stallMs_(stallMs) {
        sampleRate = rate;
        channels = ch;
    }
    ~CountingWriter() override { Finish(); }
    void Write(const std::int32_t* src, std::int32_t frames) override {
        checksum_ += src[0];
        framesWritten += frames;
        if (stallEvery_ > 0 && ++writes_ % stallEvery_ == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(stallMs_));
    }
    void Truncate(std::int32_t frame) override { framesWritten = frame; }

protected:
    bool DoFinish() override { return true; }

private:
    int stallEvery_;
    int stallMs_;
    int writes_ = 0;
    std::int64_t checksum_ = 0;
};

std::vector<std::int16_t> Pattern(int channels) {
    std::vector<std::int16_t> s;
    for (int i = 0; i < 44100 * channels; ++i) s.push_back(static_cast<std::int16_t>((i * 7919) % 60000 - 30000));
    return s;
}

// Records seconds of audio as fast as the recorder takes it; the input stalls after them.
struct FastRecording {
    ManualNotifier notifier;
    LScriptedInput* input = nullptr;
    std::unique_ptr<LWaveRecorder> recorder;

    explicit FastRecording(int channels) {
        auto in = std::make_unique<LScriptedInput>(false);
        input = in.get();
        input->samples = Pattern(channels);
        input->loop = true;
        recorder = std::make_unique<LWaveRecorder>(notifier, std::move(in));
    }
};

void WaitForStall(FastRecording& rec) {
    while (!rec.input->Stalled()) {
        rec.notifier.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

Result RecordCpu(std::int32_t rate, double seconds, Ref<LAudioWriter> writer) {
    FastRecording rec(2);
    const auto frames = static_cast<std::int64_t>(seconds * rate);
    rec.input->stallAtFrame = frames;
    const double cpu0 = CpuSeconds();
    const double t0 = NowSeconds();
    rec.recorder->Start(writer, 0, -127, 216000000);
    WaitForStall(rec);
    rec.recorder->Stop();
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = static_cast<double>(rec.input->Position()) / rate;
    char note[128];
    std::snprintf(note, sizeof note, "%.3f%% of a core per second recorded",
                  100.0 * (CpuSeconds() - cpu0) / r.audioSeconds);
    r.note = note;
    return r;
}

Result Record44k(Context&) { return RecordCpu(44100, 600, MakeRef<CountingWriter>(44100, 2)); }

Result Record192k(Context&) { return RecordCpu(192000, 300, MakeRef<CountingWriter>(192000, 2)); }

// The whole path, into block files: 60 s of 44.1 kHz stereo is 21 MB on disk.
Result Record44kToBlocks(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound(44100, 2);
    Result r = RecordCpu(44100, 60, LBlockWriter::Create(store, sound, 44100, 2));
    return r;
}

Result RecordHourMemory(Context&) {
    ResetPeakRss();
    const std::int32_t rate = 44100;
    FastRecording rec(2);
    const double t0 = NowSeconds();
    rec.input->stallAtFrame = 60LL * rate;
    rec.recorder->Start(MakeRef<CountingWriter>(rate, 2), 0, -127, 216000000);
    WaitForStall(rec);
    const double minuteMb = PeakRssMb();
    rec.recorder->Stop();
    // The rest of the hour in one take, to the same recorder.
    rec.input->stallAtFrame = 3540LL * rate;
    rec.recorder->Start(MakeRef<CountingWriter>(rate, 2), 0, -127, 216000000);
    WaitForStall(rec);
    rec.recorder->Stop();
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = 3600;
    char note[128];
    std::snprintf(note, sizeof note, "peak RSS %.1f MB after 1 min, %.1f MB after 60 min", minuteMb, PeakRssMb());
    r.note = note;
    return r;
}

Result SlowWriterLosesNothing(Context&) {
    ManualNotifier notifier;
    auto in = std::make_unique<LScriptedInput>(true);
    LScriptedInput* input = in.get();
    input->samples = Pattern(2);
    input->loop = true;
    LWaveRecorder recorder(notifier, std::move(in));
    // Every tenth buffer the disk stalls for 400 ms, four buffers' worth.
    auto writer = MakeRef<CountingWriter>(44100, 2, 10, 400);
    const double t0 = NowSeconds();
    recorder.Start(writer, 0, -127, 216000000);
    while (NowSeconds() - t0 < 6) {
        notifier.Drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    recorder.Stop();
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = static_cast<double>(writer->framesWritten) / 44100;
    char note[128];
    std::snprintf(note, sizeof note, "%d overruns, %lld frames heard, %d written", input->Overruns(),
                  static_cast<long long>(input->Position()), writer->framesWritten);
    r.note = note;
    return r;
}

SONVELA_BENCH("record/44k-stereo-10min-cpu", Record44k);
SONVELA_BENCH("record/192k-stereo-5min-cpu", Record192k);
SONVELA_BENCH("record/44k-stereo-1min-to-blocks", Record44kToBlocks);
SONVELA_BENCH("record/44k-stereo-1h-memory", RecordHourMemory);
SONVELA_BENCH("record/slow-writer-realtime-6s", SlowWriterLosesNothing);

}  // namespace
}  // namespace sv::bench
