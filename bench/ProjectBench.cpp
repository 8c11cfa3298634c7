// Project and region figures: saving and loading a 2-hour stereo project against cp of the
// same bytes (with peak memory, which must not grow with the length), and joining and
// exporting 255 regions.
#include "Bench.h"

#include "core/AudioDocument.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"
#include "core/ProjectFile.h"
#include "core/RegionCommands.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "formats/FormatCommands.h"
#include "formats/RegionExport.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;

void FillSound(BlockStore& store, LAudioData& sound, std::int64_t frames) {
    std::vector<std::int32_t> block(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    for (std::size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<std::int32_t>((k * 7919) % 65536) * 16 - 524272;
    Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, kRate, 2);
    for (std::int64_t done = 0; done < frames; done += kMaxFramesPerCall)
        w->Write(block.data(), static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, frames - done)));
    w->Finish();
}

double Cp(const std::string& from, const std::string& to) {
    double t0 = NowSeconds();
    if (std::system(("cp '" + from + "' '" + to + "'").c_str()) != 0) std::fprintf(stderr, "cp failed\n");
    return NowSeconds() - t0;
}

Result ProjectSaveLoad(Context& ctx) {
    const double seconds = 7200;
    HeadlessHost host;
    BlockStore store(ctx.workFolder);
    Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(kRate, 2, "/m/long.wav");
    FillSound(store, doc->sound, static_cast<std::int64_t>(seconds * kRate));
    RegionList regions;
    const std::string path = ctx.workFolder + "/long.svp", copy = ctx.workFolder + "/copy.svp";

    ResetPeakRss();
    FunctionTask task("Enregistrement du Projet", [](LProgressTask&) { return 0; });
    double t0 = NowSeconds();
    int saved = SaveProjectFile(task, path, {doc}, regions);
    double save = NowSeconds() - t0;
    double saveRss = PeakRssMb();
    double cp = Cp(path, copy);
    RemoveFile(copy);
    doc = nullptr;  // the sound's blocks go, so the load writes to a store like a fresh start

    ResetPeakRss();
    ProjectContents loaded;
    t0 = NowSeconds();
    int read = LoadProjectFile(task, host, store, path, loaded);
    double load = NowSeconds() - t0;
    double loadRss = PeakRssMb();
    std::int64_t bytes = FileSize(path);
    loaded = ProjectContents();
    RemoveFile(path);

    char note[240];
    std::snprintf(note, sizeof note,
                  "%.2f GB: save %.2f s (%s), load %.2f s (%s), cp %.2f s; save at %.2f x cp, load at %.2f x cp; "
                  "peak RSS save %.0f MB, load %.0f MB",
                  bytes / 1e9, save, saved == 0 ? "ok" : "FAILED", load, read == 0 ? "ok" : "FAILED", cp, cp / save,
                  cp / load, saveRss, loadRss);
    return {seconds, save + load, note};
}

struct RegionBench {
    explicit RegionBench(Context& ctx)
        : store(ctx.workFolder), ws(host, settings, store, notifier) {
        InstallFormatServices(ws);
        Ref<LAudioDocument> doc = LAudioDocument::CreateEmpty(kRate, 2, "/m/take.wav");
        FillSound(store, doc->sound, 255LL * kRate);
        ws.AddDocument(doc);
        for (int i = 0; i < 255; ++i) {
            doc->SetSelection(i * kRate, (i + 1) * kRate, 0);
            ws.Regions().Add(*doc, "zone " + std::to_string(i));
        }
        for (std::size_t i = 0; i < 255; ++i) all.push_back(i);
        settings.WriteUserSetting("Settings", "ExportRegionFolder", ctx.workFolder + "/export");
        EnsureFolder(ctx.workFolder + "/export");
    }
    HeadlessHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    BlockStore store;
    Workspace ws;
    std::vector<std::size_t> all;
};

Result JoinRegions255(Context& ctx) {
    RegionBench b(ctx);
    double t0 = NowSeconds();
    int r = JoinRegions(b.ws, b.all);
    double wall = NowSeconds() - t0;
    char note[120];
    std::snprintf(note, sizeof note, "255 regions of 1 s into %d frames (%s), %.1f us per region",
                  b.ws.Active()->Length(), r == 0 ? "ok" : "FAILED", wall * 1e6 / 255);
    return {0, wall, note};
}

Result ExportRegions255(Context& ctx) {
    RegionBench b(ctx);
    ResetPeakRss();
    double t0 = NowSeconds();
    std::size_t n = ExportRegions(b.ws, b.all);
    double wall = NowSeconds() - t0;
    char note[120];
    std::snprintf(note, sizeof note, "%zu WAV files of 1 s stereo, %.1f ms per file, peak RSS %.0f MB", n,
                  wall * 1e3 / 255, PeakRssMb());
    return {255, wall, note};
}

SONVELA_BENCH("project_save_load_2h_stereo", ProjectSaveLoad);
SONVELA_BENCH("regions_join_255", JoinRegions255);
SONVELA_BENCH("regions_export_255_wav", ExportRegions255);

}  // namespace
}  // namespace sv::bench
