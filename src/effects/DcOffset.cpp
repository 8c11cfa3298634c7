#include "effects/DcOffset.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"

#include <algorithm>
#include <climits>

namespace sv {

std::int32_t RoundedMean(std::int64_t sum, std::int64_t count) {
    const std::int64_t half = count / 2;
    const std::int64_t m = sum >= 0 ? (sum + half) / count : -((-sum + half) / count);
    return static_cast<std::int32_t>(m);
}

int LDcOffsetTask::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    if (end <= start) return kTaskDone;
    SetText(0, "Veuillez patienter...");

    const std::int32_t total = end - start;
    const std::size_t ch = doc_.sound.channels;
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * ch);

    std::vector<std::int64_t> sums(ch, 0);
    reader->Seek(start);
    for (std::int32_t done = 0; done < total;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        reader->Read(buffer.data(), n);
        const std::int32_t* s = buffer.data();
        for (std::int32_t i = 0; i < n; ++i)
            for (std::size_t c = 0; c < ch; ++c) sums[c] += *s++;
        done += n;
        SetProgress(0.5 * done / total);
        if (Pump()) return kTaskCancelled;
    }
    means_.assign(ch, 0);
    for (std::size_t c = 0; c < ch; ++c) means_[c] = RoundedMean(sums[c], total);

    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    Ref<LBlockWriter> writer = NewWriter(result);
    reader->Seek(start);
    for (std::int32_t done = 0; done < total;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        reader->Read(buffer.data(), n);
        std::int32_t* s = buffer.data();
        for (std::int32_t i = 0; i < n; ++i) {
            for (std::size_t c = 0; c < ch; ++c, ++s) {
                const std::int64_t v = static_cast<std::int64_t>(*s) - means_[c];
                *s = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
            }
        }
        writer->Write(buffer.data(), n);
        done += n;
        SetProgress(0.5 + 0.5 * done / total);
        if (Pump()) return kTaskCancelled;
        if (writer->error) break;
    }
    reader = nullptr;
    return Commit(*writer, result, start, end);
}

}  // namespace sv
