#pragma once
// The butterfly passes of the spectral transform: decimation in frequency, natural order in,
// bit-reversed order out (or natural order, where the last pass can reorder as it stores),
// two radix-2 stages at a time (radix 4) and one radix-2 stage at the end of an odd order.
// Twiddles come in the order the passes use them: per pass, the cosines and sines of k, 2k and
// 3k steps, q of each (q = a quarter of the pass's span).
//
// There are two builds of the same arithmetic: a portable one and one in AVX2 lanes, chosen
// once at run time. Both do every multiplication and addition of the portable one in the same
// order (no fused multiply-add, multiplications by a twiddle of 1 or 0 kept), so they give the
// same bits: a sound treated on one machine is the same on another (see CpuFeatures.h).
#include <cstdint>
#include <utility>
#include <vector>

namespace sv {

using TilePairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

struct SpectralPassPlan {
    double* re;
    double* im;
    std::uint32_t size;
    std::uint32_t order;
    const double* twiddles;
    bool negateSine;  // the synthesis direction: cos - i sin
    double scale;     // applied to every result of the last pass (1 for none)
    // When given (see ReverseBitsInTiles), the last pass may store its results straight in
    // natural order, saving a pass over the data.
    const TilePairs* tilePairs = nullptr;
    // The same for tiles of 8 x 8 points (orders of 6 and more; see ReverseBitsInTiles with
    // three bits at each end instead of two), used where the machine has AVX-512.
    const TilePairs* widePairs = nullptr;
    // The same twiddles as `twiddles`, at the same offset for each pass, but in groups of eight
    // k for the passes whose q is a multiple of 8: c1, s1, c2, s2, c3, s3 of k..k+7 in turn, so
    // that a pass reads them as one stream (AVX-512 only).
    const double* laneTwiddles = nullptr;
};

// True when the results were also put in natural order (only with plan.tilePairs).
bool RunSpectralPasses(const SpectralPassPlan& plan);

// The bit-reversal reordering of re and im (2^order entries each, order >= 4) in tiles of
// 4 x 4 points: index a * 2^(order-2) + b * 4 + c goes to rev(c) * 2^(order-2) + rev(b) * 4 +
// rev(a), so each tile at middle bits b is exchanged, transposed, with the tile at rev(b).
// tilePairs lists (b, rev(b)) with b <= rev(b). False when this machine has no AVX2 and the
// caller is to exchange single points instead.
bool ReverseBitsInTiles(double* re, double* im, std::uint32_t order, const TilePairs& tilePairs);

}  // namespace sv
