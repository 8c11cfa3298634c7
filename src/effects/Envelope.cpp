#include "effects/Envelope.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"
#include "core/FixedPoint.h"

#include <algorithm>
#include <vector>

namespace sv {

std::int32_t CurvePointFrame(std::int32_t n, std::uint8_t p) {
    return (n / 255) * p + ((n % 255) * p) / 255;
}

LEnvelopeTask::LEnvelopeTask(LAudioDocument& doc, BlockStore& store, LCurve curve, bool trimAfter)
    : LDocumentTask("Envelope", doc, store), curve_(std::move(curve)), trimAfter_(trimAfter) {
    if (curve_.size() > kMaxCurvePoints) curve_.resize(kMaxCurvePoints);
}

int LEnvelopeTask::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    if (end <= start || curve_.empty()) return kTaskDone;
    SetText(0, "Veuillez patienter...");

    const std::int32_t total = end - start;
    const int ch = doc_.sound.channels;
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    reader->Seek(start);
    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    Ref<LBlockWriter> writer = NewWriter(result);
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * ch);

    std::int32_t frame = 0;
    std::int32_t gain = LevelGain(curve_[0].level);
    // Segment k ends at point k; after the last point the gain holds to the end.
    for (std::size_t k = 1; k <= curve_.size() && frame < total; ++k) {
        const bool last = k == curve_.size();
        const std::int32_t segEnd = last ? total : std::max(frame, CurvePointFrame(total, curve_[k].position));
        const std::int32_t target = last ? gain : LevelGain(curve_[k].level);
        while (frame < segEnd) {
            const std::int32_t n = std::min(kMaxFramesPerCall, segEnd - frame);
            const std::int32_t step = (target - gain) / (segEnd - frame);
            reader->Read(buffer.data(), n);
            std::int32_t* s = buffer.data();
            for (std::int32_t i = 0; i < n; ++i, gain += step)
                for (int c = 0; c < ch; ++c, ++s) *s = MulFixed24(*s, gain);
            writer->Write(buffer.data(), n);
            frame += n;
            SetProgress(static_cast<double>(frame) / total);
            if (Pump()) return kTaskCancelled;
            if (writer->error) break;
        }
        if (writer->error) break;
        gain = target;
    }
    reader = nullptr;
    const int status = Commit(*writer, result, start, end);
    if (status == kTaskDone && trimAfter_) DeleteRange(doc_.sound, end, doc_.sound.Length());
    return status;
}

LCurve FadeInCurve() { return {{0, 0}, {255, kUnityLevel}}; }

LCurve FadeOutCurve() { return {{0, kUnityLevel}, {255, 0}}; }

}  // namespace sv
