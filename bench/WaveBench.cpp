// Waveform figures: the overview columns of a 10-hour stereo document from the peak files, a
// one-minute view from samples, scrolling one screen in steps (only exposed columns computed),
// and the window thread's paint of a full-width view while the drawing thread computes.
// Built only with the Qt layer (the waveform model lives in src/views).
#ifdef SONVELA_BENCH_VIEWS
#include "Bench.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "platform/UniqueFd.h"
#include "views/WaveColumns.h"
#include "views/WaveWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr int kChannels = 2;
constexpr int kWidth = 2048;

// A block whose peak file is written directly (the sample file stays empty): the far zoom
// never reads samples, and ten hours of them would not fit the disk of a test machine.
void AppendPeakOnlyBlock(BlockStore& store, LAudioData& sound, std::int32_t frames) {
    const BlockNumber block = store.Allocate();
    UniqueFd(::open(store.SampleFilePath(block).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600));
    UniqueFd peaks(::open(store.PeakFilePath(block).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600));
    const std::int64_t groups = (static_cast<std::int64_t>(frames) + kPeakGroupFrames - 1) / kPeakGroupFrames;
    std::vector<std::uint8_t> chunk(1 << 20);
    for (std::int64_t g = 0; g < groups;) {
        const std::int64_t n = std::min<std::int64_t>(groups - g, static_cast<std::int64_t>(chunk.size()) / (2 * kChannels));
        for (std::int64_t i = 0; i < n; ++i)
            for (int b = 0; b < 2 * kChannels; ++b)
                chunk[static_cast<std::size_t>(i * 2 * kChannels + b)] = static_cast<std::uint8_t>(((g + i) * 7 + b * 31) & 255);
        WriteAll(peaks.get(), chunk.data(), static_cast<std::size_t>(n * 2 * kChannels));
        g += n;
    }
    LSegment seg;
    seg.block = block;
    seg.frames = frames;
    sound.AppendSegment(seg, &store);
    store.Release(block);  // the sound holds the block now
}

void WriteMinute(BlockStore& store, LAudioData& sound) {
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * kChannels);
    Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, kRate, kChannels);
    for (std::int32_t done = 0; done < 60 * kRate; done += kMaxFramesPerCall) {
        for (std::size_t k = 0; k < buf.size(); ++k)
            buf[k] = static_cast<std::int32_t>(400000 * std::sin((done + static_cast<double>(k / 2)) * 0.01));
        w->Write(buf.data(), std::min(kMaxFramesPerCall, 60 * kRate - done));
    }
    w->Finish();
}

Result OverviewOfTenHours(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound(kRate, kChannels);
    for (int hour = 0; hour < 10; ++hour) AppendPeakOnlyBlock(store, sound, 3600 * kRate);
    std::vector<std::uint8_t> top(kWidth), bottom(kWidth);
    const WaveGeometry g{0, sound.Length(), kWidth};
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const double t0 = NowSeconds();
        ComputeColumnsFromPeaks(sound, {kChannels, 0, false}, g, 0, kWidth, top.data(), bottom.data());
        best = std::min(best, NowSeconds() - t0);
    }
    char note[96];
    std::snprintf(note, sizeof note, "%.1f ms for %d columns (target < 100 ms)", best * 1000, kWidth);
    return {36000, best, note};
}

Result MinuteViewFromSamples(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound(kRate, kChannels);
    WriteMinute(store, sound);
    std::vector<std::uint8_t> top(kWidth), bottom(kWidth);
    const WaveGeometry g{0, sound.Length(), kWidth};
    Ref<LBlockReader> reader = LBlockReader::Create(sound);
    const double t0 = NowSeconds();
    ComputeColumnsFromSamples(*reader, {kChannels, 0, false}, g, 0, kWidth, top.data(), bottom.data());
    const double wall = NowSeconds() - t0;
    char note[64];
    std::snprintf(note, sizeof note, "%.1f ms", wall * 1000);
    return {60, wall, note};
}

Result ScrollOneScreen(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound(kRate, kChannels);
    WriteMinute(store, sound);
    // A close view, 200 frames per column, scrolled by eighths of the screen.
    const std::int32_t length = 200 * kWidth;
    ColumnCache cache;
    Ref<LBlockReader> reader = LBlockReader::Create(sound);
    std::vector<std::uint8_t> top(kWidth), bottom(kWidth);
    auto up = cache.SetView(0, length, kWidth);
    ComputeColumnsFromSamples(*reader, {kChannels, 0, false}, cache.Geometry(), up.x0, up.x1, top.data(), bottom.data());
    int computed = 0;
    double worst = 0;
    const double t0 = NowSeconds();
    for (int step = 1; step <= 8; ++step) {
        const double s0 = NowSeconds();
        up = cache.SetView(step * (length / 8), length, kWidth);
        ComputeColumnsFromSamples(*reader, {kChannels, 0, false}, cache.Geometry(), up.x0, up.x1, top.data(), bottom.data());
        computed += up.x1 - up.x0;
        worst = std::max(worst, NowSeconds() - s0);
    }
    const double wall = NowSeconds() - t0;
    char note[128];
    std::snprintf(note, sizeof note, "%d columns computed for %d scrolled; worst step %.1f ms", computed, kWidth, worst * 1000);
    return {static_cast<double>(length) / kRate, wall, note};
}

Result PaintFullWidth(Context& ctx) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "sonvela-bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
    (void)app;
    BlockStore store(ctx.workFolder);
    LAudioData sound(kRate, kChannels);
    WriteMinute(store, sound);
    double worst = 0, total = 0;
    int paints = 0;
    {
        LSVWaveWindow view;
        view.resize(kWidth, 300);
        view.Attach(sound, 0, false);
        view.SetSelectionStart(kRate * 10);
        view.SetSelectionEnd(kRate * 20);
        view.RequestRange(0, sound.Length());
        view.DrawThread().WaitIdle(10000);
        // Each paint follows a new request, so the drawing thread computes meanwhile.
        for (int i = 0; i < 20; ++i) {
            view.RequestRange(i * kRate, kRate * 30 + (i % 2) * 1000);
            const double t0 = NowSeconds();
            QPixmap shot = view.grab();
            const double t = NowSeconds() - t0;
            worst = std::max(worst, t);
            total += t;
            ++paints;
        }
        view.DrawThread().WaitIdle(10000);
    }
    char note[128];
    std::snprintf(note, sizeof note, "mean %.2f ms, worst %.2f ms per paint of %d columns (target < 16 ms)",
                  total / paints * 1000, worst * 1000, kWidth);
    return {0, total, note};
}

}  // namespace

SONVELA_BENCH("waveform overview, 10 h stereo from peak files", OverviewOfTenHours);
SONVELA_BENCH("waveform view, 1 min stereo from samples", MinuteViewFromSamples);
SONVELA_BENCH("waveform scroll one screen in eighths", ScrollOneScreen);
SONVELA_BENCH("waveform paint, full width while computing", PaintFullWidth);

}  // namespace sv::bench
#endif
