// Edit command figures, driven through the command registry as the frame does: cut, paste,
// undo and redo on a 10-hour stereo document of 10,000 segments (microseconds per command),
// and paste mix and auto trim on a 1-hour stereo document (times real time; auto trim reads
// only the peak files, which the bytes-read figure shows).
#include "Bench.h"
#include "BenchWorkspace.h"

#include "core/HeadlessHost.h"

#include "core/AudioDocument.h"
#include "core/BlockWriter.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditCommands.h"
#include "core/Host.h"
#include "core/Notifier.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr int kChannels = 2;

struct Frame : BenchWorkspace {
    explicit Frame(const std::string& folder) : BenchWorkspace(folder) {
        user.Set("Settings", "AutoPlaybackAfterEffects", "0");
        RegisterEditCommands(registry);
    }
    LAudioDocument& Open(const LAudioData& sound) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "bench.wav");
        ws.AddDocument(doc);
        return *doc;
    }
    CommandRegistry registry;
};

// Bytes this process has read through read(2) so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

Result CutPasteUndoRedo(Context& ctx) {
    Frame f(ctx.workFolder);
    LAudioData sound(kRate, kChannels);
    const std::int32_t per = 10 * 3600 * kRate / 10000;
    BlockNumber block = f.store.Allocate();
    for (int k = 0; k < 10000; ++k) sound.AppendSegment({block, per, kUnityGain, k * per}, &f.store);
    f.store.Release(block);
    LAudioDocument& doc = f.Open(sound);
    const int rounds = 200;
    double times[4] = {0, 0, 0, 0};
    for (int k = 0; k < rounds; ++k) {
        const std::int32_t len = doc.Length();
        const std::int32_t a = static_cast<std::int32_t>(static_cast<std::int64_t>(len) * ((k * 37) % 100) / 100);
        doc.SetSelection(a, a + 10 * kRate, 0);
        const int ids[4] = {kCmdCut, kCmdPaste, kCmdUndo, kCmdRedo};
        for (int i = 0; i < 4; ++i) {
            if (ids[i] == kCmdPaste) doc.SetSelection(len / 2, len / 2, 0);
            double t0 = NowSeconds();
            f.registry.Run(ids[i], f.ws);
            times[i] += NowSeconds() - t0;
        }
    }
    char note[200];
    std::snprintf(note, sizeof note, "%zu segments: cut %.0f us, paste %.0f us, undo %.0f us, redo %.0f us",
                  doc.sound.Segments().size(), times[0] / rounds * 1e6, times[1] / rounds * 1e6,
                  times[2] / rounds * 1e6, times[3] / rounds * 1e6);
    return {0, times[0] + times[1] + times[2] + times[3], note};
}

LAudioData OneHour(BlockStore& store) {
    std::vector<std::int32_t> block(static_cast<std::size_t>(kMaxFramesPerCall) * kChannels);
    for (std::size_t k = 0; k < block.size(); ++k)
        block[k] = k / kChannels < 4096 ? 0 : static_cast<std::int32_t>((k * 7919) % 1048544) - 524272;
    LAudioData sound(kRate, kChannels);
    Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, kRate, kChannels);
    const std::int64_t frames = 3600LL * kRate;
    for (std::int64_t done = 0; done < frames; done += kMaxFramesPerCall)
        w->Write(block.data(), static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, frames - done)));
    w->Finish();
    w = nullptr;
    return sound;
}

Result PasteMixOneHour(Context& ctx) {
    Frame f(ctx.workFolder);
    LAudioDocument& doc = f.Open(OneHour(f.store));
    doc.SelectAll();
    f.registry.Run(kCmdCopy, f.ws);
    double t0 = NowSeconds();
    f.registry.Run(kCmdPasteMix, f.ws);
    double wall = NowSeconds() - t0;
    return {3600, wall, "whole document mixed onto itself"};
}

Result AutoTrimOneHour(Context& ctx) {
    Frame f(ctx.workFolder);
    LAudioDocument& doc = f.Open(OneHour(f.store));
    const long long before = BytesRead();
    double t0 = NowSeconds();
    f.registry.Run(kCmdAutoTrim, f.ws);
    double wall = NowSeconds() - t0;
    char note[160];
    std::snprintf(note, sizeof note, "read %.2f MB for %.0f MB of samples; %d frames left",
                  (BytesRead() - before) / 1e6, 3600.0 * kRate * kChannels * 4 / 1e6, doc.Length());
    return {3600, wall, note};
}

}  // namespace

SONVELA_BENCH("edit commands, 10 h / 10,000 segments", CutPasteUndoRedo);
SONVELA_BENCH("paste mix, 1 h stereo", PasteMixOneHour);
SONVELA_BENCH("auto trim, 1 h stereo", AutoTrimOneHour);

}  // namespace sv::bench
