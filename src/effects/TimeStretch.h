#pragma once
// LTimeStretch: changes the duration of its input by 1/factor and keeps its pitch, with a
// phase vocoder over short-time spectra.
//
// Each channel is cut into frames of N samples (N from the transform's size rule applied to
// rate / 16: 4,096 at 44,100 Hz) whose centres lie factor * H input frames apart (H = N / 16,
// the advance kept in millionths of a frame). A frame is windowed and analysed. The peaks of
// its magnitude spectrum take their true frequency from their phase change since the last
// frame (reduced to -pi..pi around the bin's own advance) and move their output phase on by
// that frequency times H; the bins around a peak turn with it, keeping the phase offsets of
// the analysis, so a steady tone stays one coherent partial instead of drifting bins. The
// frame is transformed back, windowed again and overlap-added every H output frames, scaled
// so that the two windows sum to one. Channels go through the transforms in pairs.
//
// Output frame m stands for input frame m * factor; Length() is the number of output frames
// standing for frames before the input's end, and Seek() takes output frames.
//
// Factors: 0 < factor < 8 as designed; factors of 8 up to 16 are processed the same way with
// sparser analysis frames (the pitch change at 10 % needs 10); larger factors are taken as
// 16. A factor of 0 or less (or NaN) has no duration to give: Create() then hands back the
// input unchanged, as it does for exactly 1.
#include "effects/Filter.h"
#include "effects/SpectralTransform.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace sv {

class LTimeStretch : public LFilter {
public:
    static constexpr double kMaxFactor = 16.0;
    // Frames larger than this are not worth their cost (rates above ~700 kHz).
    static constexpr std::uint32_t kMaxOrder = 16;

    static Ref<LAudioReader> Create(Ref<LAudioReader> input, double factor);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override;
    std::int32_t Length() const override;
    void Seek(std::int32_t position) override;

    std::uint32_t FrameSize() const { return size_; }
    std::uint32_t Hop() const { return hop_; }
    // The input frame output frame m stands for, and the first output frame standing for input
    // frame q or later.
    std::int64_t InputFrameFor(std::int64_t outputFrame) const;
    std::int64_t OutputFrameFor(std::int64_t inputFrame) const;

protected:
    ~LTimeStretch() override = default;

private:
    LTimeStretch(Ref<LAudioReader> input, double factor);
    void Restart(std::int64_t outputPosition);
    void EnsureInput(std::int64_t start);
    void MakeGrain();

    // Per channel, N/2 bins each unless said otherwise.
    struct Channel {
        std::vector<double> power;          // squared magnitudes of the frame just taken
        std::vector<double> lastRe, lastIm; // the analysis spectrum of the frame before
        std::vector<double> theta;          // output phase minus analysis phase
        std::vector<double> rate;           // phase advance per input frame (kept for peaks)
        std::vector<double> overlap;        // N output samples being summed
    };
    void ProcessSpectrum(Channel& c, double* xr, double* xi, std::int64_t hopIn);
    void OverlapAdd(Channel& c, const double* grain, std::uint32_t channel);

    std::unique_ptr<SpectralTransform> fft_;
    std::vector<double> window_;
    std::uint32_t size_ = 0;
    std::uint32_t hop_ = 0;
    std::int64_t advance_ = 0;  // input frames per hop, in millionths
    double outputScale_ = 1.0;
    std::vector<Channel> state_;
    std::vector<double> re_, im_;
    std::vector<double> aRe_, aIm_, bRe_, bIm_;  // the half spectra of a pair of channels
    // Scratch of ProcessSpectrum, N/2 entries each: the peaks and where their regions end,
    // per peak its bin, phase change, rate, last and new turn, per bin its region's turn.
    std::vector<std::uint32_t> peaks_, regionEnd_;
    std::vector<double> peakBin_, peakChange_, peakRate_, peakLastTheta_, peakTurn_;
    std::vector<double> binCos_, binSin_;

    // Interleaved input frames [bufStart_, bufStart_ + bufFrames_).
    std::vector<std::int32_t> buffer_;
    std::int64_t bufStart_ = 0;
    std::int64_t bufFrames_ = 0;
    std::int64_t bufCapacity_ = 0;
    std::int64_t inputNext_ = 0;
    std::int64_t lastStart_ = 0;

    std::int64_t grain_ = 0;       // index of the next frame to make
    bool firstGrain_ = true;
    std::vector<std::int32_t> ready_;  // hop_ finished output frames
    std::int64_t readyTime_ = 0;       // output frame of ready_[0]
    std::uint32_t readyUsed_ = 0;      // == hop_ when consumed
    std::int64_t position_ = 0;
};

}  // namespace sv
