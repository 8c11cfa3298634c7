#include "core/AutoTrim.h"

#include "core/AudioDocument.h"
#include "core/BlockStore.h"
#include "core/EditFraming.h"
#include "core/FixedPoint.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/Workspace.h"
#include "platform/Settings.h"
#include "platform/UniqueFd.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <unistd.h>

namespace sv {

int FindAutoTrimBounds(LProgressTask& task, const LAudioData& sound, int thresholdDb, TrimBounds& bounds) {
    const std::int32_t length = sound.Length();
    const std::size_t m = sound.channels == 0 ? 1 : sound.channels;
    const std::size_t groups = static_cast<std::size_t>(length / kPeakGroupFrames) + 1;
    const std::size_t pairs = groups * m;
    std::vector<std::uint8_t> table(pairs * 2, 0);

    std::int64_t q = 0;
    const std::size_t segmentCount = sound.Segments().size();
    std::size_t index = 0;
    for (const LSegment& seg : sound.Segments()) {
        const std::int64_t first = q / kPeakGroupFrames;
        const std::int64_t last = std::min<std::int64_t>((q + seg.frames + kPeakGroupFrames - 1) / kPeakGroupFrames,
                                                         static_cast<std::int64_t>(groups));
        q += seg.frames;
        ++index;
        if (seg.block == kSilentBlock || !sound.Store() || last <= first) continue;
        UniqueFd peaks = UniqueFd::OpenSharedRead(sound.Store()->PeakFilePath(seg.block));
        if (!peaks.valid()) continue;
        const off_t at = static_cast<off_t>(seg.offset / kPeakGroupFrames) * static_cast<off_t>(m) * 2;
        if (::lseek(peaks.get(), at, SEEK_SET) < 0) continue;
        std::uint8_t* dst = &table[static_cast<std::size_t>(first) * m * 2];
        long got = ReadFull(peaks.get(), dst, static_cast<std::size_t>(last - first) * m * 2);
        if (got <= 0) continue;
        // Saturating: keeping only the low 8 bits would make an amplified segment look quiet.
        const std::int64_t gain = seg.gain >> 16;
        for (long k = 0; k < got; ++k) dst[k] = static_cast<std::uint8_t>(std::max<std::int64_t>(0, std::min<std::int64_t>(255, (dst[k] * gain) >> 8)));
        if ((index & 63) == 0) {
            task.SetProgress(static_cast<double>(index) / static_cast<double>(segmentCount));
            if (task.Pump()) return kTaskCancelled;
        }
    }

    const std::int64_t peak = *std::max_element(table.begin(), table.end());
    const std::int64_t limit = peak * DbAmplitude(thresholdDb) / 16777216;
    auto loud = [&](std::size_t pair) { return table[pair * 2] > limit || table[pair * 2 + 1] > limit; };

    bounds.start = 0;
    for (std::size_t j = m; j < pairs; ++j) {
        if (loud(j)) {
            bounds.start = static_cast<std::int32_t>((j / m) * kPeakGroupFrames) - kPeakGroupFrames;
            break;
        }
    }
    bounds.end = length;
    if (pairs >= 2 * m) {
        for (std::size_t j = pairs - 2 * m; j >= 1; --j) {
            if (loud(j)) {
                bounds.end = static_cast<std::int32_t>((j / m + 1) * kPeakGroupFrames);
                break;
            }
        }
    }
    return kTaskDone;
}

void AutoTrimCommand(Workspace& ws) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Coupure Automatique");
    const int threshold = std::max(-127, std::min(127, ws.settings().ReadIntSetting("Settings", "AutoTrimThreshold", -20)));
    FunctionTask task("Coupure Automatique", [&](LProgressTask& t) {
        t.SetText(0, "AutoTrim");
        t.SetText(1, "Veuillez patienter...");
        TrimBounds bounds;
        int r = FindAutoTrimBounds(t, doc->sound, threshold, bounds);
        if (r != kTaskDone) return r;
        TrimEnd(doc->sound, bounds.end);
        TrimStart(doc->sound, bounds.start);
        return static_cast<int>(kTaskDone);
    });
    RunTask(ws.host(), task);
    doc->cursor = 0;
    EndEdit(ws, 0, 0);
}

}  // namespace sv
