#include "audio/RecordTarget.h"

#include "core/BlockWriter.h"
#include "core/SegmentOps.h"

#include <algorithm>

namespace sv {

RecordTarget::RecordTarget(BlockStore& store, std::int32_t sampleRate, std::uint8_t channels)
    : store_(store), sound_(sampleRate, channels), take_(sampleRate, channels) {}

RecordTarget::~RecordTarget() { Collect(); }

Ref<LAudioWriter> RecordTarget::WriterAt(std::int32_t position) {
    Collect();
    pendingAt_ = std::clamp(position, 0, sound_.Length());
    pending_ = LBlockWriter::Create(store_, take_, sound_.sampleRate, sound_.channels);
    return pending_;
}

bool RecordTarget::Collect() {
    if (!pending_) return true;
    Ref<LAudioWriter> writer = std::move(pending_);
    const bool ok = writer->Finish();
    if (!ok) {
        error_ = writer->errorText;
        take_.Free();
        return false;
    }
    error_.clear();
    // A take that never got loud enough leaves the sound as it was.
    if (take_.Length() > 0) ReplaceRange(sound_, pendingAt_, sound_.Length(), take_);
    take_.Free();
    return true;
}

}  // namespace sv
