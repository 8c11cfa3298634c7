// CD ripping speed: a 20-minute track read from the simulated drive (double-buffered READ CD
// on the drive's worker) into document blocks, as the import dialog does. Memory stays flat:
// two read buffers and one piece of samples whatever the track's length.
#include "Bench.h"

#include "cd/DriveChannel.h"
#include "cd/SimulatedDrive.h"
#include "cd/TrackRipper.h"
#include "core/AudioData.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"

#include <cstdio>
#include <cstring>

namespace sv::bench {
namespace {

constexpr std::int32_t kSectors = 20 * 60 * 75;

Result RipBench(Context& ctx) {
    SimulatedDisc disc = AudioDisc({kSectors});
    // A cheap pattern, so that the figure is the ripper's and not the simulation's.
    disc.content = [](std::int32_t lba, std::uint8_t* sector) { std::memset(sector, lba & 0xFF, kCdSectorBytes); };
    BlockStore store(ctx.workFolder);
    HeadlessHost host;
    LAudioData sound(44100, 2);
    ResetPeakRss();
    double t0 = NowSeconds();
    FunctionTask task("bench", [&](LProgressTask& t) {
        DriveChannel channel(std::make_unique<SimulatedDrive>(disc));
        Ref<LBlockWriter> writer = LBlockWriter::Create(store, sound, 44100, 2);
        int result = RipTrack(channel, {0, 0, static_cast<std::uint32_t>(kSectors), "bench"}, *writer, t);
        writer->Finish();
        return result;
    });
    RunTask(host, task);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    r.audioSeconds = kSectors / 75.0;
    char note[96];
    std::snprintf(note, sizeof note, "result %d, %d frames", task.Result(), sound.Length());
    r.note = note;
    return r;
}

SONVELA_BENCH("cd_rip_20min_track", RipBench);

}  // namespace
}  // namespace sv::bench
