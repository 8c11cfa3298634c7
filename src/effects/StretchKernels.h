#pragma once
// The bulk arithmetic of the time stretch's phase vocoder, over whole spectra or over the list
// of a frame's peaks, in AVX2 lanes where the machine has them and portable loops elsewhere.
// Both builds do the same IEEE operations in the same order (no fused multiply-add), so they
// give the same bits.
#include <cstdint>

namespace sv {

// Bins k of power[0, half) standing above the two bins on either side (strictly on the left,
// at least equal on the right; missing neighbours at the ends do not count), in increasing
// order. Returns how many; peaks holds half entries.
std::uint32_t FindSpectralPeaks(const double* power, std::uint32_t half, std::uint32_t* peaks);

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

// lastRe/lastIm take x; then x[k] is turned by the angle whose cosine and sine are cs[k], sn[k].
void TurnBins(double* xr, double* xi, const double* cs, const double* sn, std::uint32_t n, double* lastRe,
              double* lastIm);

}  // namespace sv
