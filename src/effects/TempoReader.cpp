#include "effects/TempoReader.h"

#include "effects/TimeStretch.h"

#include <algorithm>
#include <climits>

namespace sv {

Ref<LTempoReader> LTempoReader::Create(Ref<LAudioReader> source, double ratio) {
    if (!source) source = MakeRef<LErrorReader>(kReaderCannotOpen);
    const std::int32_t origin = source->Position();
    Ref<LAudioReader> stretched = LTimeStretch::Create(source, ratio, StretchThreads::Inline);
    Ref<LTempoReader> reader(new LTempoReader(source, stretched));
    reader->Seek(origin);
    return reader;
}

LTempoReader::LTempoReader(Ref<LAudioReader> source, Ref<LAudioReader> stretched)
    : LFilter(std::move(stretched)), source_(std::move(source)) {
    if (input_ != source_) stretch_ = static_cast<LTimeStretch*>(input_.get());
}

std::int32_t LTempoReader::Position() const {
    if (!stretch_) return input_->Position();
    const std::int64_t p =
        seekTarget_ + stretch_->InputFrameFor(stretch_->Position()) - stretch_->InputFrameFor(outAtSeek_);
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(p, INT32_MIN, INT32_MAX));
}

std::int32_t LTempoReader::Length() const { return source_->Length(); }

void LTempoReader::Seek(std::int32_t position) {
    if (!stretch_) {
        input_->Seek(position);
        return;
    }
    const std::int64_t out = std::clamp<std::int64_t>(stretch_->OutputFrameFor(position), INT32_MIN, INT32_MAX);
    stretch_->Seek(static_cast<std::int32_t>(out));
    seekTarget_ = position;
    outAtSeek_ = out;
}

}  // namespace sv
