#pragma once
// LResampler: a streaming sample-rate converter over one input reader. It serves the speed
// and pitch effects, the rate conversion of opening and saving, and any reader that needs
// another rate.
//
// Each stage is a polyphase interpolating filter: a Kaiser-windowed sinc spanning 32 periods
// of the lower of the two rates (32 taps per output frame when raising the rate; the kernel is
// stretched over proportionally more input frames when lowering it, so that whatever lies
// above the new band is removed instead of folding back into it). Output frame n stands for input time
// n * inRate / outRate, kept as an exact integer fraction, so long runs never drift and a seek
// to n restarts at the matching input position and delivers what reading up to n would have.
// When the ratio reduces to a small denominator every phase has its own row of taps;
// otherwise 512 rows are interpolated linearly.
//
// Figures of the kernel (Kaiser beta 9, -6 dB point at 0.80 of the lower rate's half): flat
// within 0.1 dB up to 0.67 of the lower rate's half (14.8 kHz at 44.1 kHz), -3 dB at 0.77
// (16.9 kHz), and at least 90 dB of rejection from the lower rate's half on, so nothing
// aliases into the band. Measured by the tests: a 1 kHz tone keeps its frequency within
// 0.05 Hz with every spur below -100 dB (44.1 -> 48 kHz, 48 -> 8 kHz); a tone above the new
// band comes out at least 90 dB down (-101.7 dB for 23 kHz, 48 -> 44.1 kHz).
#include "effects/Filter.h"

#include <cstdint>
#include <vector>

namespace sv {

class LResampler : public LFilter {
public:
    // The converter from input's rate to targetRate, reporting targetRate: the input itself when
    // the rates match; two stages (to twice the target, then to the target) when the target is
    // below a quarter of the input's rate. A target of 0 or less gives a silent reader with
    // error code 3.
    static Ref<LAudioReader> Create(Ref<LAudioReader> input, std::int32_t targetRate);
    // Playing-speed change by factor (raised to 0.1 when smaller, NaN taken as 1): converts the
    // input from its rate R to trunc(R / factor) frames per second but keeps reporting R, so the
    // sound lasts 1/factor as long and every frequency is multiplied by factor.
    static Ref<LAudioReader> CreateSpeedChange(Ref<LAudioReader> input, double factor);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    // Output frames whose input time lies before the input's length.
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    std::int32_t InputRate() const { return inRate_; }
    std::int32_t OutputRate() const { return outRate_; }
    // Input frames under the kernel for one output frame.
    std::int32_t Taps() const { return taps_; }

    // The kernel's continuous response, for measurements: value at time t (in input frames)
    // from the output instant.
    double KernelAt(double t) const;

    // Design constants, exposed for the quality tests.
    static constexpr std::int32_t kZeroCrossingSpan = 32;  // periods of the lower rate
    static constexpr double kKaiserBeta = 9.0;
    static constexpr double kCutoff = 0.80;  // of the lower rate's half, the -6 dB point
    static constexpr std::int32_t kInterpolatedPhases = 512;

protected:
    ~LResampler() override = default;

private:
    LResampler(Ref<LAudioReader> input, std::int32_t targetRate);
    void BuildTable();
    void Restart(std::int64_t outputPosition);
    // Makes input frames [first, first + taps_) available in the history; false on failure.
    void Fill(std::int64_t first);
    const float* Coefficients(std::int64_t remainder);

    std::int32_t inRate_;
    std::int32_t outRate_;
    std::int64_t step_ = 1;  // input frames per output frame = step_ / den_
    std::int64_t den_ = 1;
    std::int32_t taps_ = 32;
    double cutoff_ = 0.5;   // in cycles per input frame
    double halfSpan_ = 16;  // kernel half length in input frames
    bool exact_ = true;
    std::vector<float> table_;  // rows of taps_ coefficients
    std::vector<float> blend_;  // interpolated row

    std::int32_t position_ = 0;
    std::int64_t inputIndex_ = 0;  // floor of the input time of the next output frame
    std::int64_t remainder_ = 0;   // its fraction, in 1/den_

    // Planar history of input frames [histStart_, histStart_ + histFrames_).
    std::vector<std::vector<float>> history_;
    std::int64_t histStart_ = 0;
    std::int32_t histFrames_ = 0;
    std::int32_t histCapacity_ = 0;
    std::int64_t inputNext_ = 0;  // input frame the input reader stands at
    std::vector<std::int32_t> chunk_;
};

}  // namespace sv
