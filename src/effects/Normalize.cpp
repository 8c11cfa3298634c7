#include "effects/Normalize.h"

#include "core/AudioData.h"
#include "core/AudioReader.h"
#include "core/BlockReader.h"

#include <algorithm>
#include <vector>

namespace sv {

int LPeakScanTask::Work() { return ScanPeak(*this, sound_, start_, end_, peak_); }

int ScanPeak(LProgressTask& task, const LAudioData& sound, std::int32_t start, std::int32_t end,
             std::int64_t& peak) {
    task.SetText(0, "Veuillez patienter...");
    peak = 0;
    if (end <= start) return kTaskDone;
    Ref<LBlockReader> reader = LBlockReader::Create(sound);
    if (reader->errorCode != kReaderOk) {
        task.Error("Impossible de lire le son");
        return kTaskFailed;
    }
    reader->Seek(start);
    const std::int32_t total = end - start;
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * sound.channels);
    for (std::int32_t done = 0; done < total;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        reader->Read(buffer.data(), n);
        const std::size_t count = static_cast<std::size_t>(n) * sound.channels;
        std::int32_t hi = 0, lo = 0;
        for (std::size_t i = 0; i < count; ++i) {
            hi = std::max(hi, buffer[i]);
            lo = std::min(lo, buffer[i]);
        }
        peak = std::max({peak, static_cast<std::int64_t>(hi), -static_cast<std::int64_t>(lo)});
        done += n;
        task.SetProgress(static_cast<double>(done) / total);
        if (task.Pump()) return kTaskCancelled;
    }
    return kTaskDone;
}

std::int32_t NormalizeGain(std::int32_t levelPercent, std::int64_t peak) {
    if (peak <= 0) return 100;
    const std::int64_t gain = static_cast<std::int64_t>(levelPercent) * kFullScale16 / peak;
    return static_cast<std::int32_t>(std::min<std::int64_t>(gain, kMaxAmplifyPercent));
}

}  // namespace sv
