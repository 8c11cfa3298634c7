#include "effects/Reverse.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"

#include <algorithm>
#include <vector>

namespace sv {

int LReverseTask::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    if (end <= start) return kTaskDone;
    SetText(0, "Reversing Sound");
    SetText(1, "Please wait...");

    const std::int32_t total = end - start;
    const std::size_t ch = doc_.sound.channels;
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    Ref<LBlockWriter> writer = NewWriter(result);
    std::vector<std::int32_t> in(static_cast<std::size_t>(kMaxFramesPerCall) * ch);
    std::vector<std::int32_t> out(in.size());
    std::int64_t blocks = 0;
    for (std::int32_t blockEnd = end; blockEnd > start;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, blockEnd - start);
        blockEnd -= n;
        reader->Seek(blockEnd);
        reader->Read(in.data(), n);
        for (std::int32_t i = 0; i < n; ++i)
            std::copy_n(in.data() + static_cast<std::size_t>(n - 1 - i) * ch, ch, out.data() + static_cast<std::size_t>(i) * ch);
        writer->Write(out.data(), n);
        SetProgress(static_cast<double>(++blocks * kMaxFramesPerCall) / total);
        if (Pump()) return kTaskCancelled;
        if (writer->error) break;
    }
    reader = nullptr;
    return Commit(*writer, result, start, end);
}

}  // namespace sv
