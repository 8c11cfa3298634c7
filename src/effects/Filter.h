#pragma once
// LFilter: the base of every effect stage. A filter is an LAudioReader over one counted input
// reader and delivers the transformed sound of that input.
//
// Contract, for every filter:
// - Construction copies sampleRate, fullScale and channels from the input and keeps one
//   reference to it (released when the filter goes). errorCode becomes 2 (failed input) when
//   the input's is not 0; a rate of 0 or less or 0 channels give 3, as for every reader.
//   A filter may then change what it reports (the channel mixer sets fullScale 2,097,152, a
//   converter its channel count); such changes are made in its own constructor.
// - Position(), Length() and Seek() pass to the input unless a filter overrides them.
// - Read(dst, n) reads n input frames into dst, then calls Process(dst, n) to transform them in
//   place. Filters whose output frame layout differs from the input's (the channel converters,
//   the mixer) override Read() and keep their own intermediate buffer, allocated at construction.
// - Seek(p) calls ResetState() before passing the seek on, so a filter with a delay line or
//   filter memory clears it there; the default does nothing.
// - Process() is never called with more than kMaxFramesPerCall frames, nor with a null input.
#include "core/AudioReader.h"
#include "core/RefCounted.h"

#include <cstdint>
#include <string>

namespace sv {

class LFilter : public LAudioReader {
public:
    explicit LFilter(Ref<LAudioReader> input);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    LAudioReader* Input() const { return input_.get(); }
    // Why the filter failed while running (a plug-in that refused a block), when it says.
    const std::string& FailureText() const { return failureText_; }

protected:
    ~LFilter() override = default;
    // Transforms frames interleaved frames of dst in place (channels as this filter reports).
    virtual void Process(std::int32_t* dst, std::int32_t frames) { (void)dst; (void)frames; }
    // Clears delay lines and filter memory; called by Seek before the input seeks.
    virtual void ResetState() {}

    // Marks the filter failed mid-run: the effect run then ends as failed with text shown and
    // the document unchanged. The filter goes on delivering samples (reads never fail).
    void Fail(std::string text, std::uint8_t code = kReaderInputFailed);

    Ref<LAudioReader> input_;

private:
    std::string failureText_;
};

// The failed stage of a chain, looking through the filters' inputs: the one deepest down
// (the cause, not the stages that merely read from it); null when every stage is well.
const LAudioReader* FailedStage(const LAudioReader& chain);
// The message for a failed chain: the failed filter's own text, else a general one.
std::string ChainFailureText(const LAudioReader& chain);

}  // namespace sv
