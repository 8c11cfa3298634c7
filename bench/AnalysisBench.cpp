// The analysis windows' work: the spectrogram of ten minutes of stereo next to sox drawing the
// spectrogram of the same file in the same run, one spectrum refresh, and the memory a
// one-hour selection takes.
#include "Bench.h"
#include "BenchAudio.h"

#include "analysis/FrequencySpectrum.h"
#include "analysis/Spectrogram.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/ProgressTask.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;

// Two channels of tones and noise, written into a block and, for sox, as a 16-bit WAV.
LAudioData MakeStereo(BlockStore& store, double seconds, const std::string& wavPath) {
    LAudioData sound(kRate, 2);
    const std::int32_t frames = static_cast<std::int32_t>(seconds * kRate);
    std::FILE* wav = wavPath.empty() ? nullptr : std::fopen(wavPath.c_str(), "wb");
    if (wav) {
        const std::string header = WavHeader(1, 2, kRate, 16, static_cast<std::uint32_t>(frames));
        std::fwrite(header.data(), 1, header.size(), wav);
    }
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, kRate, 2);
        std::vector<std::int32_t> buf(2 * 8192);
        std::vector<std::int16_t> pcm(2 * 8192);
        std::uint32_t noise = 1;
        for (std::int32_t done = 0; done < frames;) {
            const std::int32_t n = std::min(8192, frames - done);
            for (std::int32_t i = 0; i < n; ++i) {
                const double t = static_cast<double>(done + i) / kRate;
                noise = noise * 1664525u + 1013904223u;
                const double l = 0.4 * std::sin(2 * 3.14159265 * 440 * t) + 0.05 * ((noise >> 16) / 32768.0 - 1);
                const double r = 0.4 * std::sin(2 * 3.14159265 * (1000 + 500 * std::sin(t)) * t);
                pcm[2 * i] = static_cast<std::int16_t>(l * 32767);
                pcm[2 * i + 1] = static_cast<std::int16_t>(r * 32767);
                buf[2 * i] = pcm[2 * i] * 16;
                buf[2 * i + 1] = pcm[2 * i + 1] * 16;
            }
            w->Write(buf.data(), n);
            if (wav) std::fwrite(pcm.data(), 4, static_cast<std::size_t>(n), wav);
            done += n;
        }
        w->Finish();
    }
    if (wav) std::fclose(wav);
    return sound;
}

class QuietTask : public LProgressTask {
public:
    QuietTask(const LAudioData& sound, SpectrogramData& out) : LProgressTask("bench"), sound_(sound), out_(out) {}

protected:
    int Work() override { return ComputeSpectrogram(*this, sound_, 0, sound_.Length(), out_); }

private:
    const LAudioData& sound_;
    SpectrogramData& out_;
};

Result SpectrogramBench(Context& ctx) {
    BlockStore store(ctx.workFolder);
    const std::string wav = ctx.workFolder + "/input.wav";
    LAudioData sound = MakeStereo(store, 600, wav);
    SpectrogramData data;
    QuietTask task(sound, data);
    Result r;
    r.audioSeconds = 600;
    const double t0 = NowSeconds();
    task.Run();
    r.wallSeconds = NowSeconds() - t0;
    // sox draws its default picture (800 columns, 257 rows) from the whole file.
    const std::string cmd = "sox -q '" + wav + "' -n spectrogram -o '" + ctx.workFolder + "/sox.png' 2>/dev/null";
    const double sox = TimedCommand(cmd);
    char note[200];
    if (sox < 0) std::snprintf(note, sizeof note, "%u slices x %u bins; sox: not run", data.slices, data.bins);
    else
        std::snprintf(note, sizeof note, "%u slices x %u bins; sox spectrogram %.2f s; ours/sox time %.2f",
                      data.slices, data.bins, sox, r.wallSeconds / sox);
    r.note = note;
    return r;
}

Result SpectrumRefreshBench(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound = MakeStereo(store, 60, {});
    SpectrumAnalyzer analyzer;
    const int runs = 200;
    const double t0 = NowSeconds();
    int sum = 0;
    for (int i = 0; i < runs; ++i) sum += analyzer.Analyze(sound, (i * 12345) % (59 * kRate)).db[0][10];
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    char note[120];
    std::snprintf(note, sizeof note, "%.3f ms per stereo refresh (target < 5 ms)%s", r.wallSeconds / runs * 1e3,
                  sum == 12345678 ? " " : "");
    r.note = note;
    return r;
}

Result HourSelectionBench(Context& ctx) {
    BlockStore store(ctx.workFolder);
    // An hour of stereo that is silent except for a minute of sound, so the blocks stay small;
    // what is measured is the spectrogram's own memory.
    LAudioData minute = MakeStereo(store, 60, {});
    LAudioData sound(kRate, 2);
    for (int i = 0; i < 60; ++i) sound.AppendSegment(minute.Segments().front(), &store);
    ResetPeakRss();
    SpectrogramData data;
    QuietTask task(sound, data);
    Result r;
    r.audioSeconds = 3600;
    const double t0 = NowSeconds();
    task.Run();
    r.wallSeconds = NowSeconds() - t0;
    char note[160];
    std::snprintf(note, sizeof note, "%u slices x %u bins = %.1f MB of cells (cap 32 MB)", data.slices, data.bins,
                  data.cells.size() * 2 / 1048576.0);
    r.note = note;
    return r;
}

}  // namespace

SONVELA_BENCH("analysis: spectrogram 10 min stereo", SpectrogramBench);
SONVELA_BENCH("analysis: spectrum refresh 4096 points stereo", SpectrumRefreshBench);
SONVELA_BENCH("analysis: spectrogram of a 1-hour selection", HourSelectionBench);

}  // namespace sv::bench
