#include "effects/Reverse.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"

#include <algorithm>
#include <vector>

namespace sv {

namespace {

// dst[i] = frame n - 1 - i of src, each frame's channels in their order.
void ReverseFrames(const std::int32_t* src, std::int32_t n, std::size_t ch, std::int32_t* dst) {
    if (ch == 2) {
        for (std::int32_t i = 0; i < n; ++i) {
            const std::int32_t* f = src + 2 * static_cast<std::size_t>(n - 1 - i);
            dst[2 * i] = f[0];
            dst[2 * i + 1] = f[1];
        }
    } else if (ch == 1) {
        for (std::int32_t i = 0; i < n; ++i) dst[i] = src[n - 1 - i];
    } else {
        for (std::int32_t i = 0; i < n; ++i)
            std::copy_n(src + static_cast<std::size_t>(n - 1 - i) * ch, ch, dst + static_cast<std::size_t>(i) * ch);
    }
}

}  // namespace

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
    // The selection is read backwards a piece of kPieceCalls reads at a time: one seek per
    // piece, then sequential reads, so the file is read in large runs.
    constexpr std::int32_t kPieceCalls = 16;
    constexpr std::int32_t kPieceFrames = kPieceCalls * kMaxFramesPerCall;
    const std::int32_t pieceFrames = std::min(kPieceFrames, total);
    std::vector<std::int32_t> piece(static_cast<std::size_t>(pieceFrames) * ch);
    std::vector<std::int32_t> out(static_cast<std::size_t>(kMaxFramesPerCall) * ch);
    std::int64_t done = 0;
    for (std::int32_t pieceEnd = end; pieceEnd > start;) {
        const std::int32_t n = std::min(pieceFrames, pieceEnd - start);
        pieceEnd -= n;
        reader->Seek(pieceEnd);
        for (std::int32_t at = 0; at < n; at += kMaxFramesPerCall)
            reader->Read(piece.data() + static_cast<std::size_t>(at) * ch, std::min(kMaxFramesPerCall, n - at));
        // The piece's frames from its last to its first, a writer's call at a time.
        for (std::int32_t left = n; left > 0;) {
            const std::int32_t m = std::min(kMaxFramesPerCall, left);
            ReverseFrames(piece.data() + static_cast<std::size_t>(left - m) * ch, m, ch, out.data());
            writer->Write(out.data(), m);
            left -= m;
            done += m;
            SetProgress(static_cast<double>(done) / total);
            if (Pump()) return kTaskCancelled;
            if (writer->error) break;
        }
        if (writer->error) break;
    }
    reader = nullptr;
    return Commit(*writer, result, start, end);
}

}  // namespace sv
