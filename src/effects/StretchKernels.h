#pragma once
// The bulk arithmetic of the time stretch's phase vocoder, over whole spectra or over the list
// of a frame's peaks, in AVX2 or AVX-512 lanes where the machine has them and portable loops
// elsewhere.
// Both builds do the same IEEE operations in the same order (no fused multiply-add), so they
// give the same bits.
#include <cstdint>

namespace sv {

// Bins k of power[0, half) standing above the two bins on either side (strictly on the left,
// at least equal on the right; missing neighbours at the ends do not count), in increasing
// order. Returns how many; peaks holds half entries.
std::uint32_t FindSpectralPeaks(const double* power, std::uint32_t half, std::uint32_t* peaks);

// For each pair of neighbouring peaks i, i + 1 (i + 1 < count): the first bin of lowest power
// between them, where peak i's region ends. regionEnd[count - 1] is the caller's.
void RegionEnds(const double* power, const std::uint32_t* peaks, std::uint32_t count, std::uint32_t* regionEnd);

// An angle brought into -pi..pi: a - 2 pi floor(a / (2 pi) + 1/2).
double WrapPhase(double a);

// For n peaks at bins bin[i] (as doubles) whose phase changed by change[i] over hopIn input
// frames of an N-point frame: the phase advance per input frame,
// rate[i] = (e + Wrap(change[i] - e)) / hopIn with e = -2 pi bin[i] hopIn / N.
void PeakRates(const double* bin, const double* change, std::uint32_t n, double hopIn, double frameSize,
               double* rate);

// The turn of each peak's region: theta[i] = Wrap(lastTheta[i] + rate[i] * hop - change[i]).
void PeakTurns(const double* lastTheta, const double* rate, const double* change, std::uint32_t n, double hop,
               double* theta);

// The two channels of a stereo pair (channels ch and ch + 1 of an interleaved block of step
// channels) windowed into the real and imaginary parts of one complex frame of n points.
void WindowPair(const std::int32_t* frames, std::uint32_t step, std::uint32_t ch, const double* window,
                std::uint32_t n, double* re, double* im);

// The half spectra (bins 0 to n/2 - 1) of the two real signals packed into (re, im), an n-point
// spectrum: A = (X[k] + conj X[n-k]) / 2, B = (X[k] - conj X[n-k]) / 2i.
void SplitPair(const double* re, const double* im, std::uint32_t n, double* aRe, double* aIm, double* bRe,
               double* bIm);

// Region i covers bins [regionEnd[i - 1], regionEnd[i]) (from 0): each of its bins takes the
// region's cosine, sine and angle. The outputs hold regionEnd[count - 1] + kSpreadPadding
// entries, since whole vectors are stored.
constexpr std::uint32_t kSpreadPadding = 8;
void SpreadOverRegions(const std::uint32_t* regionEnd, std::uint32_t count, const double* cosine, const double* sine,
                       const double* angle, double* binCosine, double* binSine, double* binAngle);

// A half spectrum and, unless cosine is null, the turn of each bin (cosine, sine).
struct TurnedHalf {
    const double* re;
    const double* im;
    const double* cosine;
    const double* sine;
};

// The inverse of SplitPair, each bin first turned (re' = re cos - im sin, im' = re sin + im cos):
// the n-point spectrum A + iB of two conjugate-symmetric spectra given by their bins 0 to
// n/2 - 1, the bin at n/2 left empty.
void TurnAndJoinPair(const TurnedHalf& a, const TurnedHalf& b, std::uint32_t n, double* re, double* im);

// power[k] = re[k] * re[k] + im[k] * im[k] for k < n.
void SquaredMagnitudes(const double* re, const double* im, std::uint32_t n, double* power);

// ola[k] += grain[k] * window[k] * scale for k < n.
void AddWindowed(double* ola, const double* grain, const double* window, double scale, std::uint32_t n);

}  // namespace sv
