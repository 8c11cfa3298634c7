#include "effects/CrossFade.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/SegmentOps.h"
#include "core/FixedPoint.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace sv {

namespace {

constexpr std::int64_t kMaxFrames = INT32_MAX;

}  // namespace

CrossFadePlan PlanCrossFade(std::int32_t rate, std::int32_t start, std::int32_t end, std::int32_t gapMs,
                            std::int32_t fadeInMs, std::int32_t fadeOutMs) {
    CrossFadePlan p;
    p.gap = static_cast<std::int64_t>(gapMs) * rate / 1000;
    p.fadeIn = std::max<std::int64_t>(0, static_cast<std::int64_t>(fadeInMs) * rate / 1000);
    p.fadeOut = std::max<std::int64_t>(0, static_cast<std::int64_t>(fadeOutMs) * rate / 1000);
    p.outgoingStart = p.gap < p.fadeIn ? start + p.gap - p.fadeIn : start;
    p.lead = start - p.outgoingStart;
    p.full = p.lead + p.gap;
    p.length = std::max(p.full, p.lead + p.fadeOut);
    p.incomingStart = end - p.full;
    return p;
}

bool CrossFadePlan::Fits() const {
    return length >= 0 && length <= kMaxFrames && outgoingStart > -kMaxFrames &&
           incomingStart > -kMaxFrames && incomingStart + length <= kMaxFrames;
}

std::int32_t CrossFadePlan::OutgoingGain(std::int64_t i) const {
    if (i < lead) return kFixedOne;
    if (i >= lead + fadeOut) return 0;
    return static_cast<std::int32_t>(((lead + fadeOut - i) << 24) / fadeOut);
}

std::int32_t CrossFadePlan::IncomingGain(std::int64_t i) const {
    if (i >= full) return kFixedOne;
    const std::int64_t rise = lead + gap - fadeIn;
    if (i <= rise) return 0;
    return static_cast<std::int32_t>(((i - rise) << 24) / fadeIn);
}

LCrossFadeTask::LCrossFadeTask(LAudioDocument& doc, BlockStore& store, std::int32_t gapMs, std::int32_t fadeInMs,
                               std::int32_t fadeOutMs)
    : LDocumentTask("Cross Fading", doc, store), gapMs_(gapMs), fadeInMs_(fadeInMs), fadeOutMs_(fadeOutMs) {}

int LCrossFadeTask::Work() {
    const std::int32_t start = doc_.selectionStart;
    const std::int32_t end = doc_.selectionEnd;
    if (end < start) return kTaskDone;
    SetText(0, "Veuillez patienter...");
    const CrossFadePlan plan = PlanCrossFade(doc_.sound.sampleRate, start, end, gapMs_, fadeInMs_, fadeOutMs_);
    const std::int64_t from64 = std::max<std::int64_t>(0, plan.outgoingStart);
    const std::int64_t after = doc_.sound.Length() - (plan.incomingStart + plan.length);
    if (!plan.Fits() || from64 + plan.length + std::max<std::int64_t>(0, after) > kMaxFrames) {
        Error("Les durées du fondu enchaîné sont trop longues pour ce son.");
        return kTaskFailed;
    }
    const std::int32_t total = static_cast<std::int32_t>(plan.length);
    const std::size_t ch = doc_.sound.channels;

    Ref<LBlockReader> outgoing = LBlockReader::Create(doc_.sound);
    Ref<LBlockReader> incoming = LBlockReader::Create(doc_.sound);
    if (outgoing->errorCode != kReaderOk || incoming->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    outgoing->Seek(static_cast<std::int32_t>(plan.outgoingStart));
    incoming->Seek(static_cast<std::int32_t>(plan.incomingStart));
    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    if (total == 0) {  // no fades and no gap: a plain cut
        if (!OpenEdit()) return kTaskFailed;
        DeleteRange(doc_.sound, start, end);
        doc_.SetSelection(start, start, start);
        return kTaskDone;
    }
    Ref<LBlockWriter> writer = NewWriter(result);
    std::vector<std::int32_t> a(static_cast<std::size_t>(kMaxFramesPerCall) * ch);
    std::vector<std::int32_t> b(a.size());
    for (std::int32_t done = 0; done < total;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        outgoing->Read(a.data(), n);
        incoming->Read(b.data(), n);
        std::int32_t* x = a.data();
        const std::int32_t* y = b.data();
        for (std::int32_t k = 0; k < n; ++k) {
            const std::int32_t go = plan.OutgoingGain(done + k);
            const std::int32_t gi = plan.IncomingGain(done + k);
            for (std::size_t c = 0; c < ch; ++c, ++x, ++y) {
                const std::int64_t v = static_cast<std::int64_t>(MulFixed24(*x, go)) + MulFixed24(*y, gi);
                *x = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
            }
        }
        writer->Write(a.data(), n);
        done += n;
        SetProgress(static_cast<double>(done) / total);
        if (Pump()) return kTaskCancelled;
        if (writer->error) break;
    }
    outgoing = nullptr;
    incoming = nullptr;
    const std::int32_t from = static_cast<std::int32_t>(from64);
    const int status = Commit(*writer, result, from, static_cast<std::int32_t>(plan.incomingStart + plan.length));
    if (status == kTaskDone) doc_.SetSelection(from, from + total, from);
    return status;
}

}  // namespace sv
