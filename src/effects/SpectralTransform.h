#pragma once
// The one fast Fourier transform of the program, shared by the time stretch, spectral noise
// reduction and the frequency-analysis windows. Data are two separate arrays of N doubles
// (real and imaginary parts) transformed in place; AlignedVector arrays make it fastest, and
// arrays that start a multiple of 4 KB apart (their rows then share cache sets) make it about a
// third slower.
//
// Analysis:  X[k] = (1/N) * sum_n x[n] * e^(+2*pi*i*n*k/N)
// Synthesis: x[n] = sum_k X[k] * e^(-2*pi*i*n*k/N), which undoes the analysis exactly.
#include "effects/AlignedVector.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace sv {

class SpectralTransform {
public:
    // Orders beyond this are refused by the constructor (clamped): 2^20 points already take
    // 40 MB of tables and data per transform.
    static constexpr std::uint32_t kMaxOrder = 20;

    // Order for a requested length x: d = x - x/4; 3 when d <= 8, else the smallest m >= 4
    // with 2^m >= d. Lengths beyond what kMaxOrder allows give kMaxOrder.
    static std::uint32_t OrderForLength(std::int64_t x);

    // Builds the bit-reversal, cosine and sine tables. Orders are clamped to [1, kMaxOrder].
    explicit SpectralTransform(std::uint32_t order);

    std::uint32_t Order() const { return order_; }
    std::uint32_t Size() const { return size_; }
    const std::vector<std::uint32_t>& BitReversal() const { return bitReversal_; }
    const std::vector<double>& Cosines() const { return cos_; }
    const std::vector<double>& Sines() const { return sin_; }

    // re and im hold Size() entries each.
    void Analysis(double* re, double* im) const;
    void Synthesis(double* re, double* im) const;

    // The same two directions for real samples, at about half the cost (a transform of half
    // the size and a split). RealAnalysis takes Size() samples x and gives bins 0 to N/2
    // (re and im hold N/2 + 1 entries; the others follow by conjugate symmetry) equal to
    // Analysis of (x, 0) within rounding. RealSynthesis takes those N/2 + 1 bins of a
    // conjugate-symmetric spectrum and gives the Size() real samples Synthesis would.
    void RealAnalysis(const double* x, double* re, double* im) const;
    void RealSynthesis(const double* re, const double* im, double* x) const;

private:
    struct WithoutHalf {};
    SpectralTransform(std::uint32_t order, WithoutHalf);
    // The butterflies, then the bit-reversal reordering unless the last pass did it.
    void Transform(double* re, double* im, bool negateSine, double scale) const;
    void Reorder(double* re, double* im) const;

    std::uint32_t order_;
    std::uint32_t size_;
    std::vector<std::uint32_t> bitReversal_;
    std::vector<double> cos_;
    std::vector<double> sin_;
    AlignedVector<double> passTwiddles_;
    AlignedVector<double> laneTwiddles_;
    // The index pairs the bit reversal exchanges, i < j, in increasing i.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> swaps_;
    // The same in tiles of 4 x 4 points: middle bits b and their reversal, b <= rev(b).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tilePairs_;
    // And in tiles of 8 x 8 points, for the widest lanes.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> widePairs_;
    // The transform of half the size behind the real-input directions (orders of 2 and more).
    std::unique_ptr<const SpectralTransform> half_;
};

// Hamming window whose cosine period is length (not length - 1):
// w[n] = 0.54 - 0.46 * cos(2*pi*n / length).
std::vector<double> HammingWindow(std::uint32_t length);

// re[n] = x[n] * window[n], im[n] = 0 for n < count, where x[n] is the sample of channel
// `channel` in frame n of an interleaved block of `channels` channels (1 for a plain channel).
void WindowBlock(const std::int32_t* block, std::uint32_t channels, std::uint32_t channel,
                 const double* window, std::uint32_t count, double* re, double* im);

}  // namespace sv
