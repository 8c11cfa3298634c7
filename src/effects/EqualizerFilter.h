#pragma once
// LEqualizerFilter: the equalizer's symmetric 4,095-tap filter, per channel,
//   y[n] = (h0 x[n] + sum over k = 1..2,047 of h[k] (x[n - k] + x[n + k])) >> (15 - s),
// with output frame n lined up with input frame n. Output is made in blocks of 8,192 frames
// counted from the last seek, each seeing 2,047 frames of context on either side. A block whose
// peak magnitude (over its frames and their context, every channel) exceeds 32,767 has its
// samples shifted right by the smallest s that brings the peak to 32,767 or below. Sums are
// formed in 64 bits (a bass boost on full-scale low notes would overflow 32) and the result is
// saturated to the int32 range.
//
// The sums are computed by block convolution through the spectral transform: the shifted
// samples and taps are whole numbers small enough that double arithmetic carries each sum to
// well within 0.5 of its exact value. The direct form is used instead when the transform's
// error bound for the taps is not comfortably below that, and any single sum that does not
// land within 0.25 of a whole number is recomputed directly, so the output is the direct
// form's, bit for bit.
#include "effects/AlignedVector.h"
#include "effects/EqualizerTaps.h"
#include "effects/Filter.h"
#include "effects/SpectralTransform.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

namespace sv {

constexpr std::int32_t kEqualizerBlock = 8192;

// The headroom shift of a block whose peak magnitude is peak.
int HeadroomShift(std::int64_t peak);

// The direct form over a whole interleaved sound (frames beyond either end are silence), with
// the same blocks and shifts as the filter read from frame 0: the reference it must equal.
std::vector<std::int32_t> DirectEqualize(const std::vector<std::int32_t>& samples, int channels,
                                         const EqualizerTaps& taps);

class LEqualizerFilter : public LFilter {
public:
    LEqualizerFilter(Ref<LAudioReader> input, const EqualizerTaps& taps);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return static_cast<std::int32_t>(std::min<std::int64_t>(position_, INT32_MAX)); }
    void Seek(std::int32_t position) override;

    // Channel pairs done in the direct form and single sums recomputed so far (for tests).
    int DirectBlocks() const { return directBlocks_; }
    int RecomputedSums() const { return recomputed_; }

private:
    // One transform size with the taps' spectrum for it.
    struct Convolver {
        explicit Convolver(std::uint32_t order) : transform(order) {}
        SpectralTransform transform;
        std::vector<double> response;  // the taps' spectrum, scaled for the convolution
        bool exact = false;            // its error bound is well below 0.5 for any block
    };
    void PrepareResponse(Convolver& c);
    void FillWindow();
    void ComputeRun();
    // Filters `blocks` blocks whose samples (with context) start at `raw`, shifted right by
    // `shift`, into `out`.
    void Convolve(Convolver& c, const std::int32_t* raw, std::int32_t blocks, int shift, std::int32_t* out);
    std::int32_t DirectSum(const std::int32_t* in, int channel, std::int32_t frame, int shift) const;

    EqualizerTaps taps_;
    // Runs of blocks that share one headroom shift go through the large transform together;
    // a run whose blocks differ is done block by block through the small one.
    Convolver large_;
    Convolver small_;
    AlignedVector<double> re_, im_;
    std::vector<std::int32_t> window_;   // a run of blocks and their context, interleaved
    std::vector<std::int32_t> shifted_;  // a window after its headroom shift, for the direct form
    std::vector<std::int32_t> output_;   // the run's output frames, interleaved
    // In 64 bits, so that reading towards the end of the frame range cannot overflow.
    std::int64_t position_ = 0;
    std::int64_t runStart_ = 0;  // input frame of the current run's first output frame
    bool windowValid_ = false;   // window_ holds the run at runStart_
    bool outputValid_ = false;
    int directBlocks_ = 0;
    int recomputed_ = 0;
};

}  // namespace sv
