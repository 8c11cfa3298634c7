#pragma once
// The short-time spectra of noise reduction: frames of N = 2^order samples (about 30 to 45 ms;
// 2,048 at 44.1 kHz) under a periodic Hann window. Two channels share one complex transform
// (one as the real part, the other as the imaginary part) and are separated by the symmetry of
// real signals, which halves the work on stereo.
#include "core/AudioReader.h"
#include "effects/SpectralTransform.h"
#include "effects/AlignedVector.h"

#include <functional>
#include <vector>

namespace sv {

class LProgressTask;

// The transform order for a rate: OrderForLength(rate / 32), 11 at 44.1 kHz.
std::uint32_t NoiseOrder(std::int32_t rate);

class NoiseSpectra {
public:
    explicit NoiseSpectra(std::uint32_t order);
    std::uint32_t Size() const { return fft_.Size(); }
    std::uint32_t Bins() const { return fft_.Size() / 2 + 1; }
    const std::vector<double>& Window() const { return window_; }

    // Windows a (and b, when given) of Size() samples each and transforms them together.
    void Analyse(const double* a, const double* b);
    // The powers of the two channels' bins after Analyse.
    void Powers(double* powerA, double* powerB) const;
    // Scales the bins of channel a by gainA and of b by gainB (Bins() each), transforms back
    // and writes the windowed frames to outA and outB (either may be null).
    void Synthesise(const double* gainA, const double* gainB, double* outA, double* outB);

private:
    SpectralTransform fft_;
    std::vector<double> window_;
    AlignedVector<double> re_, im_;
};

// Every frame of `frames` frames of reader from start, hop samples apart, as powers per channel:
// visit(channel, powers) for each frame. Progress (0..1 of this pass) goes to progress; false
// when the task was cancelled.
bool ForEachPowerFrame(LAudioReader& reader, std::int32_t start, std::int32_t frames, std::uint32_t order,
                       std::uint32_t hop, LProgressTask* task, double progressFrom, double progressTo,
                       const std::function<void(int channel, const double* power)>& visit);

}  // namespace sv
