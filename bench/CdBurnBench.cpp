// CD writing speed: a 20-minute stereo region burnt by our own writer to the simulated writer
// (which counts the sectors and keeps none), through every check, WRITE (10) of 26 sectors at a
// time on the drive's worker while the next piece is rendered. Memory stays flat: one write
// buffer and one piece of samples whatever the region's length.
#include "Bench.h"

#include "cd/OwnCdWriter.h"
#include "cd/SimulatedBurner.h"
#include "core/AudioData.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"

#include <cstdio>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kFrames = 20 * 60 * 44100;

Result BurnBench(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound(44100, 2);
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, 44100, 2);
        std::vector<std::int32_t> piece(8192 * 2);
        for (std::size_t i = 0; i < piece.size(); ++i)
            piece[i] = static_cast<std::int32_t>((i * 37) % 65536) * 16 - 0x80000;
        for (std::int32_t at = 0; at < kFrames; at += 8192) w->Write(piece.data(), std::min(8192, kFrames - at));
        w->Finish();
    }
    auto burner = std::make_shared<SimulatedBurner>();
    burner->DiscardSectors();
    SimulatedDriveSource drives;
    drives.drives.push_back(burner);
    HeadlessHost host;
    CdBurnOptions options;
    options.loadEject = false;
    ResetPeakRss();
    double t0 = NowSeconds();
    FunctionTask task("bench", [&](LProgressTask& t) { return WriteAudioCd(drives, options, {{sound, "bench"}}, t); });
    RunTask(host, task);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = kFrames / 44100.0;
    const std::vector<SimulatedWrittenTrack> tracks = burner->Tracks();
    char note[96];
    std::snprintf(note, sizeof note, "result %d, %d sectors", task.Result(), tracks.empty() ? 0 : tracks[0].sectors);
    r.note = note;
    return r;
}

SONVELA_BENCH("cd_burn_20min_region", BurnBench);

}  // namespace
}  // namespace sv::bench
