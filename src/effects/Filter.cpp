#include "effects/Filter.h"

#include <cstddef>

namespace sv {

LFilter::LFilter(Ref<LAudioReader> input) : input_(std::move(input)) {
    if (!input_) {
        input_ = MakeRef<LErrorReader>(kReaderCannotOpen);
    }
    sampleRate = input_->sampleRate;
    fullScale = input_->fullScale;
    channels = input_->channels;
    if (input_->errorCode != kReaderOk) {
        errorCode = kReaderInputFailed;
    } else if (sampleRate <= 0 || channels == 0) {
        errorCode = kReaderCorrupt;
    }
}

void LFilter::Read(std::int32_t* dst, std::int32_t frames) {
    // Callers keep to kMaxFramesPerCall; a larger request is served in pieces so that
    // Process() can rely on buffers of that size.
    while (frames > 0) {
        const std::int32_t n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
        input_->Read(dst, n);
        Process(dst, n);
        dst += static_cast<std::size_t>(n) * channels;
        frames -= n;
    }
}

std::int32_t LFilter::Position() const { return input_->Position(); }

std::int32_t LFilter::Length() const { return input_->Length(); }

void LFilter::Seek(std::int32_t position) {
    ResetState();
    input_->Seek(position);
}

void LFilter::Fail(std::string text, std::uint8_t code) {
    if (errorCode != kReaderOk) return;
    errorCode = code;
    failureText_ = std::move(text);
}

const LAudioReader* FailedStage(const LAudioReader& chain) {
    const LAudioReader* failed = nullptr;
    for (const LAudioReader* r = &chain; r;) {
        if (r->errorCode != kReaderOk) failed = r;
        const auto* f = dynamic_cast<const LFilter*>(r);
        r = f ? f->Input() : nullptr;
    }
    return failed;
}

std::string ChainFailureText(const LAudioReader& chain) {
    const auto* f = dynamic_cast<const LFilter*>(FailedStage(chain));
    if (f && !f->FailureText().empty()) return f->FailureText();
    return "Impossible d'appliquer l'effet";
}

}  // namespace sv
