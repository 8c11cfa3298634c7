#include "effects/Envelope.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/FixedPoint.h"
#include "core/SegmentOps.h"

#include <algorithm>

namespace sv {

std::int32_t CurvePointFrame(std::int32_t n, std::uint8_t p) {
    return (n / 255) * p + ((n % 255) * p) / 255;
}

LEnvelopeFilter::LEnvelopeFilter(Ref<LAudioReader> input, LCurve curve, std::int32_t start, std::int32_t total)
    : LFilter(std::move(input)), curve_(std::move(curve)), start_(start), total_(std::max(total, 0)) {
    NormalizeCurve(curve_);
    if (curve_.empty()) curve_ = FlatCurve();
    Locate();
}

std::int32_t LEnvelopeFilter::PointFrame(std::size_t i) const {
    // The first point counts as frame 0; past the last point the segment runs to the end.
    if (i == 0) return 0;
    if (i >= curve_.size()) return total_;
    return CurvePointFrame(total_, curve_[i].position);
}

void LEnvelopeFilter::Seek(std::int32_t position) {
    position_ = position;
    input_->Seek(position);
    Locate();
}

void LEnvelopeFilter::Locate() {
    const std::int64_t at = std::int64_t{position_} - start_;
    segment_ = 1;
    while (segment_ < curve_.size() && PointFrame(segment_) <= at) ++segment_;
    if (segment_ >= curve_.size()) {
        gain_ = LevelGain(curve_.back().level);
        return;
    }
    const std::int32_t from = PointFrame(segment_ - 1), to = PointFrame(segment_);
    const std::int64_t a = LevelGain(curve_[segment_ - 1].level), b = LevelGain(curve_[segment_].level);
    gain_ = at <= from ? static_cast<std::int32_t>(a) : static_cast<std::int32_t>(a + (b - a) * (at - from) / (to - from));
}

void LEnvelopeFilter::Read(std::int32_t* dst, std::int32_t frames) {
    const int ch = channels;
    while (frames > 0) {
        const std::int64_t at = std::int64_t{position_} - start_;
        std::int32_t n = frames;
        if (at < 0) n = static_cast<std::int32_t>(std::min<std::int64_t>(n, -at));
        else if (at < total_) {
            // Points at or before this frame are passed: the gain jumps to their level.
            while (segment_ < curve_.size() && PointFrame(segment_) <= at) {
                gain_ = LevelGain(curve_[segment_].level);
                ++segment_;
            }
            const std::int32_t segEnd = PointFrame(segment_);
            n = static_cast<std::int32_t>(std::min<std::int64_t>(n, segEnd - at));
        }
        n = std::min(n, kMaxFramesPerCall);
        input_->Read(dst, n);
        if (at >= 0 && at < total_) {
            const std::int32_t segEnd = PointFrame(segment_);
            const std::int32_t target = segment_ < curve_.size() ? LevelGain(curve_[segment_].level) : gain_;
            const std::int32_t step = static_cast<std::int32_t>((std::int64_t{target} - gain_) / (segEnd - at));
            std::int32_t* s = dst;
            for (std::int32_t i = 0; i < n; ++i, gain_ += step)
                for (int c = 0; c < ch; ++c, ++s) *s = MulFixed24(*s, gain_);
            if (at + n == segEnd) {
                gain_ = target;
                if (segment_ < curve_.size()) ++segment_;
            }
        }
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
        position_ += n;
    }
}

LEnvelopeTask::LEnvelopeTask(LAudioDocument& doc, BlockStore& store, LCurve curve, bool trimAfter)
    : LDocumentTask("Envelope", doc, store), curve_(std::move(curve)), trimAfter_(trimAfter) {
    NormalizeCurve(curve_);
}

int LEnvelopeTask::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    if (end <= start || curve_.empty()) return kTaskDone;
    SetText(0, "Veuillez patienter...");

    Ref<LAudioReader> reader(LBlockReader::Create(doc_.sound));
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    Ref<LAudioReader> chain = MakeRef<LEnvelopeFilter>(reader, curve_, start, end - start);
    reader = nullptr;
    chain->Seek(start);
    const int status = ReplaceWithChain(std::move(chain), end - start, start, end);
    if (status == kTaskDone && trimAfter_) DeleteRange(doc_.sound, end, doc_.sound.Length());
    return status;
}

LCurve FadeInCurve() { return {{0, 0}, {255, kUnityLevel}}; }

LCurve FadeOutCurve() { return {{0, kUnityLevel}, {255, 0}}; }

}  // namespace sv
