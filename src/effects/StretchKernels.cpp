#include "effects/StretchKernels.h"

#include "effects/CpuFeatures.h"
#include "core/TargetClones.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SV_STRETCH_AVX2 1
#define SV_AVX2 __attribute__((target("avx2")))
#define SV_AVX512 __attribute__((target("avx512f,avx512dq,avx512vl")))
#endif

namespace sv {

namespace {

constexpr double kTwoPi = 2.0 * 3.14159265358979323846;

bool IsPeak(const double* pw, std::uint32_t half, std::uint32_t k) {
    const double v = pw[k];
    return (k == 0 || v > pw[k - 1]) && (k < 2 || v > pw[k - 2]) && (k + 1 >= half || v >= pw[k + 1]) &&
           (k + 2 >= half || v >= pw[k + 2]);
}

// The first bin of lowest power in [from, to), or from if the span is empty.
std::uint32_t LowestBetween(const double* pw, std::uint32_t from, std::uint32_t to) {
    std::uint32_t at = from;
    for (std::uint32_t k = from + 1; k < to; ++k)
        if (pw[k] < pw[at]) at = k;
    return at;
}

// Bins [2, end) of the bulk, where every neighbour exists; branch-free, since noise makes the
// outcome unpredictable.
std::uint32_t BulkPeaks(const double* pw, std::uint32_t from, std::uint32_t end, std::uint32_t* peaks,
                        std::uint32_t count) {
    for (std::uint32_t k = from; k < end; ++k) {
        const double v = pw[k];
        peaks[count] = k;
        count += static_cast<std::uint32_t>((v > pw[k - 1]) & (v > pw[k - 2]) & (v >= pw[k + 1]) & (v >= pw[k + 2]));
    }
    return count;
}

#ifdef SV_STRETCH_AVX2

bool HasAvx2() { return Avx2Usable(); }
bool HasAvx512() { return Avx512Usable(); }

// Eight bins at a time; the peaks' numbers are packed in a register and stored whole (a packing
// store is slow on some processors), which stays inside peaks since count <= k.
SV_AVX512 std::uint32_t BulkPeaksAvx512(const double* pw, std::uint32_t end, std::uint32_t* peaks,
                                        std::uint32_t count) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    std::uint32_t k = 2;
    for (; k + 8 <= end; k += 8) {
        const __m512d v = _mm512_loadu_pd(pw + k);
        __mmask8 m = _mm512_cmp_pd_mask(v, _mm512_loadu_pd(pw + k - 1), _CMP_GT_OQ);
        m = _mm512_mask_cmp_pd_mask(m, v, _mm512_loadu_pd(pw + k - 2), _CMP_GT_OQ);
        m = _mm512_mask_cmp_pd_mask(m, v, _mm512_loadu_pd(pw + k + 1), _CMP_GE_OQ);
        m = _mm512_mask_cmp_pd_mask(m, v, _mm512_loadu_pd(pw + k + 2), _CMP_GE_OQ);
        const __m256i bins = _mm256_add_epi32(lanes, _mm256_set1_epi32(static_cast<int>(k)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(peaks + count), _mm256_maskz_compress_epi32(m, bins));
        count += static_cast<std::uint32_t>(__builtin_popcount(m));
    }
    return BulkPeaks(pw, k, end, peaks, count);
}

// GNU vector types where this compiler's intrinsics would read an undefined register.
typedef double Lane8 __attribute__((vector_size(64)));
#if defined(__clang__)
#define SV_LANES_IN_ORDER(v, ...) __builtin_shufflevector(v, v, __VA_ARGS__)
#else
typedef long long Index8 __attribute__((vector_size(64)));
#define SV_LANES_IN_ORDER(v, ...) __builtin_shuffle(v, Index8{__VA_ARGS__})
#endif
SV_AVX512 inline Lane8 Lower(Lane8 a, Lane8 b) { return a < b ? a : b; }

// Gaps of up to eight bins in one register, so that the gaps' varying lengths cost no
// mispredicted branches; the first of equal lowest values wins, as in the scalar search.
SV_AVX512 void RegionEndsAvx512(const double* pw, const std::uint32_t* peaks, std::uint32_t count,
                                std::uint32_t* regionEnd) {
    const __m512d none = _mm512_set1_pd(__builtin_inf());
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        const std::uint32_t from = peaks[i] + 1, gap = peaks[i + 1] - from;
        if (gap > 8) {
            regionEnd[i] = LowestBetween(pw, from, peaks[i + 1]);
            continue;
        }
        const __m512d v = _mm512_mask_loadu_pd(none, static_cast<__mmask8>((1u << gap) - 1), pw + from);
        // Every lane ends with the lowest value: halves, then quarters, then pairs exchanged.
        const Lane8 x = v;
        Lane8 low = Lower(x, SV_LANES_IN_ORDER(x, 4, 5, 6, 7, 0, 1, 2, 3));
        low = Lower(low, SV_LANES_IN_ORDER(low, 2, 3, 0, 1, 6, 7, 4, 5));
        low = Lower(low, SV_LANES_IN_ORDER(low, 1, 0, 3, 2, 5, 4, 7, 6));
        const __m512d lowest = low;
        const unsigned at = _mm512_cmp_pd_mask(v, lowest, _CMP_EQ_OQ);
        regionEnd[i] = from + static_cast<std::uint32_t>(__builtin_ctz(at | 0x100u));
    }
}

SV_AVX2 std::uint32_t BulkPeaksAvx2(const double* pw, std::uint32_t end, std::uint32_t* peaks, std::uint32_t count) {
    std::uint32_t k = 2;
    for (; k + 4 <= end; k += 4) {
        const __m256d v = _mm256_loadu_pd(pw + k);
        const __m256d m = _mm256_and_pd(
            _mm256_and_pd(_mm256_cmp_pd(v, _mm256_loadu_pd(pw + k - 1), _CMP_GT_OQ),
                          _mm256_cmp_pd(v, _mm256_loadu_pd(pw + k - 2), _CMP_GT_OQ)),
            _mm256_and_pd(_mm256_cmp_pd(v, _mm256_loadu_pd(pw + k + 1), _CMP_GE_OQ),
                          _mm256_cmp_pd(v, _mm256_loadu_pd(pw + k + 2), _CMP_GE_OQ)));
        for (unsigned bits = static_cast<unsigned>(_mm256_movemask_pd(m)); bits; bits &= bits - 1)
            peaks[count++] = k + static_cast<std::uint32_t>(__builtin_ctz(bits));
    }
    return BulkPeaks(pw, k, end, peaks, count);
}

SV_AVX2 inline __m256d WrapAvx2(__m256d a) {
    const __m256d twoPi = _mm256_set1_pd(kTwoPi);
    const __m256d turns = _mm256_floor_pd(_mm256_add_pd(_mm256_div_pd(a, twoPi), _mm256_set1_pd(0.5)));
    return _mm256_sub_pd(a, _mm256_mul_pd(twoPi, turns));
}

SV_AVX2 std::uint32_t PeakRatesAvx2(const double* bin, const double* change, std::uint32_t n, double hopIn,
                                    double frameSize, double* rate) {
    const __m256d negTwoPi = _mm256_set1_pd(-kTwoPi), h = _mm256_set1_pd(hopIn), size = _mm256_set1_pd(frameSize);
    std::uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d e = _mm256_div_pd(_mm256_mul_pd(_mm256_mul_pd(negTwoPi, _mm256_loadu_pd(bin + i)), h), size);
        const __m256d w = WrapAvx2(_mm256_sub_pd(_mm256_loadu_pd(change + i), e));
        _mm256_storeu_pd(rate + i, _mm256_div_pd(_mm256_add_pd(e, w), h));
    }
    return i;
}

SV_AVX2 std::uint32_t PeakTurnsAvx2(const double* lastTheta, const double* rate, const double* change, std::uint32_t n,
                                    double hop, double* theta) {
    const __m256d h = _mm256_set1_pd(hop);
    std::uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d a = _mm256_sub_pd(
            _mm256_add_pd(_mm256_loadu_pd(lastTheta + i), _mm256_mul_pd(_mm256_loadu_pd(rate + i), h)),
            _mm256_loadu_pd(change + i));
        _mm256_storeu_pd(theta + i, WrapAvx2(a));
    }
    return i;
}

// Bins k .. k+3 against n-k-3 .. n-k, the latter loaded and stored with their lanes reversed.
SV_AVX2 inline __m256d LoadReversed(const double* p) { return _mm256_permute4x64_pd(_mm256_loadu_pd(p), 0x1B); }
SV_AVX2 inline void StoreReversed(double* p, __m256d v) { _mm256_storeu_pd(p, _mm256_permute4x64_pd(v, 0x1B)); }

// From k = 1 while all four bins lie below n/2; returns the first bin left undone.
SV_AVX2 std::uint32_t SplitPairAvx2(const double* re, const double* im, std::uint32_t n, double* aRe, double* aIm,
                                    double* bRe, double* bIm) {
    const __m256d half = _mm256_set1_pd(0.5);
    std::uint32_t k = 1;
    for (; k + 4 <= n / 2; k += 4) {
        const __m256d r = _mm256_loadu_pd(re + k), i = _mm256_loadu_pd(im + k);
        const __m256d rm = LoadReversed(re + n - k - 3), im2 = LoadReversed(im + n - k - 3);
        _mm256_storeu_pd(aRe + k, _mm256_mul_pd(half, _mm256_add_pd(r, rm)));
        _mm256_storeu_pd(aIm + k, _mm256_mul_pd(half, _mm256_sub_pd(i, im2)));
        _mm256_storeu_pd(bRe + k, _mm256_mul_pd(half, _mm256_add_pd(i, im2)));
        _mm256_storeu_pd(bIm + k, _mm256_mul_pd(half, _mm256_sub_pd(rm, r)));
    }
    return k;
}

// Whole vectors of the region's values from its first bin on; a vector past the region's end
// is overwritten by the next region. Most regions fit one vector of eight, so their varying
// lengths seldom cost a branch there.
template <class Lanes>
__attribute__((always_inline)) inline void SpreadInLanes(const std::uint32_t* regionEnd, std::uint32_t count,
                                                         const double* cosine, const double* sine,
                                                         const double* angle, double* binCosine, double* binSine,
                                                         double* binAngle) {
    constexpr std::uint32_t kWidth = sizeof(Lanes) / sizeof(double);
    std::uint32_t from = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const Lanes c = Lanes{} + cosine[i], s = Lanes{} + sine[i], a = Lanes{} + angle[i];
        const std::uint32_t to = regionEnd[i];
        for (std::uint32_t k = from; k < to; k += kWidth) {
            std::memcpy(binCosine + k, &c, sizeof c);
            std::memcpy(binSine + k, &s, sizeof s);
            std::memcpy(binAngle + k, &a, sizeof a);
        }
        from = to;
    }
}

typedef double Lanes4 __attribute__((vector_size(32)));
typedef double Lanes8 __attribute__((vector_size(64)));

SV_AVX2 void SpreadOverRegionsAvx2(const std::uint32_t* regionEnd, std::uint32_t count, const double* cosine,
                                   const double* sine, const double* angle, double* binCosine, double* binSine,
                                   double* binAngle) {
    SpreadInLanes<Lanes4>(regionEnd, count, cosine, sine, angle, binCosine, binSine, binAngle);
}

SV_AVX512 void SpreadOverRegionsAvx512(const std::uint32_t* regionEnd, std::uint32_t count, const double* cosine,
                                       const double* sine, const double* angle, double* binCosine, double* binSine,
                                       double* binAngle) {
    SpreadInLanes<Lanes8>(regionEnd, count, cosine, sine, angle, binCosine, binSine, binAngle);
}

// Four stereo frames at a time: the left samples gathered into the low half, the right ones
// into the high half, each converted (exactly) and windowed.
SV_AVX2 std::uint32_t WindowStereoAvx2(const std::int32_t* x, const double* window, std::uint32_t n, double* re,
                                       double* im) {
    const __m256i apart = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    std::uint32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        const __m256i v = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + 2 * static_cast<std::size_t>(k))), apart);
        const __m256d w = _mm256_loadu_pd(window + k);
        _mm256_storeu_pd(re + k, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(v)), w));
        _mm256_storeu_pd(im + k, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1)), w));
    }
    return k;
}

template <bool kTurnA, bool kTurnB>
SV_AVX2 std::uint32_t TurnAndJoinPairAvx2(const TurnedHalf& a, const TurnedHalf& b, std::uint32_t n, double* re,
                                          double* im) {
    std::uint32_t k = 1;
    for (; k + 4 <= n / 2; k += 4) {
        __m256d ar = _mm256_loadu_pd(a.re + k), ai = _mm256_loadu_pd(a.im + k);
        __m256d br = _mm256_loadu_pd(b.re + k), bi = _mm256_loadu_pd(b.im + k);
        if (kTurnA) {
            const __m256d c = _mm256_loadu_pd(a.cosine + k), s = _mm256_loadu_pd(a.sine + k);
            const __m256d r = _mm256_sub_pd(_mm256_mul_pd(ar, c), _mm256_mul_pd(ai, s));
            ai = _mm256_add_pd(_mm256_mul_pd(ar, s), _mm256_mul_pd(ai, c));
            ar = r;
        }
        if (kTurnB) {
            const __m256d c = _mm256_loadu_pd(b.cosine + k), s = _mm256_loadu_pd(b.sine + k);
            const __m256d r = _mm256_sub_pd(_mm256_mul_pd(br, c), _mm256_mul_pd(bi, s));
            bi = _mm256_add_pd(_mm256_mul_pd(br, s), _mm256_mul_pd(bi, c));
            br = r;
        }
        _mm256_storeu_pd(re + k, _mm256_sub_pd(ar, bi));
        _mm256_storeu_pd(im + k, _mm256_add_pd(ai, br));
        StoreReversed(re + n - k - 3, _mm256_add_pd(ar, bi));
        StoreReversed(im + n - k - 3, _mm256_sub_pd(br, ai));
    }
    return k;
}

#endif

}  // namespace

double WrapPhase(double a) { return a - kTwoPi * std::floor(a / kTwoPi + 0.5); }

std::uint32_t FindSpectralPeaks(const double* pw, std::uint32_t half, std::uint32_t* peaks) {
    std::uint32_t count = 0;
    const std::uint32_t head = half < 2 ? half : 2;
    for (std::uint32_t k = 0; k < head; ++k)
        if (IsPeak(pw, half, k)) peaks[count++] = k;
    const std::uint32_t bulkEnd = half >= 4 ? half - 2 : 2;
#ifdef SV_STRETCH_AVX2
    if (HasAvx512())
        count = BulkPeaksAvx512(pw, bulkEnd, peaks, count);
    else if (HasAvx2())
        count = BulkPeaksAvx2(pw, bulkEnd, peaks, count);
    else
#endif
        count = BulkPeaks(pw, 2, bulkEnd, peaks, count);
    for (std::uint32_t k = bulkEnd > head ? bulkEnd : head; k < half; ++k)
        if (IsPeak(pw, half, k)) peaks[count++] = k;
    return count;
}

void RegionEnds(const double* pw, const std::uint32_t* peaks, std::uint32_t count, std::uint32_t* regionEnd) {
#ifdef SV_STRETCH_AVX2
    if (HasAvx512()) {
        RegionEndsAvx512(pw, peaks, count, regionEnd);
        return;
    }
#endif
    for (std::uint32_t i = 0; i + 1 < count; ++i) regionEnd[i] = LowestBetween(pw, peaks[i] + 1, peaks[i + 1]);
}

void PeakRates(const double* bin, const double* change, std::uint32_t n, double hopIn, double frameSize,
               double* rate) {
    std::uint32_t i = 0;
#ifdef SV_STRETCH_AVX2
    if (HasAvx2()) i = PeakRatesAvx2(bin, change, n, hopIn, frameSize, rate);
#endif
    for (; i < n; ++i) {
        const double e = -kTwoPi * bin[i] * hopIn / frameSize;
        rate[i] = (e + WrapPhase(change[i] - e)) / hopIn;
    }
}

void PeakTurns(const double* lastTheta, const double* rate, const double* change, std::uint32_t n, double hop,
               double* theta) {
    std::uint32_t i = 0;
#ifdef SV_STRETCH_AVX2
    if (HasAvx2()) i = PeakTurnsAvx2(lastTheta, rate, change, n, hop, theta);
#endif
    for (; i < n; ++i) theta[i] = WrapPhase(lastTheta[i] + rate[i] * hop - change[i]);
}

void WindowPair(const std::int32_t* frames, std::uint32_t step, std::uint32_t ch, const double* window,
                std::uint32_t n, double* re, double* im) {
    const std::int32_t* x = frames + ch;
    std::uint32_t k = 0;
#ifdef SV_STRETCH_AVX2
    if (step == 2 && HasAvx2()) k = WindowStereoAvx2(x, window, n, re, im);
#endif
    for (; k < n; ++k) {
        re[k] = x[static_cast<std::size_t>(k) * step] * window[k];
        im[k] = x[static_cast<std::size_t>(k) * step + 1] * window[k];
    }
}

void SplitPair(const double* re, const double* im, std::uint32_t n, double* aRe, double* aIm, double* bRe,
               double* bIm) {
    aRe[0] = 0.5 * (re[0] + re[0]);
    aIm[0] = 0.5 * (im[0] - im[0]);
    bRe[0] = 0.5 * (im[0] + im[0]);
    bIm[0] = 0.5 * (re[0] - re[0]);
    std::uint32_t k = 1;
#ifdef SV_STRETCH_AVX2
    if (HasAvx2()) k = SplitPairAvx2(re, im, n, aRe, aIm, bRe, bIm);
#endif
    for (; k < n / 2; ++k) {
        aRe[k] = 0.5 * (re[k] + re[n - k]);
        aIm[k] = 0.5 * (im[k] - im[n - k]);
        bRe[k] = 0.5 * (im[k] + im[n - k]);
        bIm[k] = 0.5 * (re[n - k] - re[k]);
    }
}

void SpreadOverRegions(const std::uint32_t* regionEnd, std::uint32_t count, const double* cosine, const double* sine,
                       const double* angle, double* binCosine, double* binSine, double* binAngle) {
#ifdef SV_STRETCH_AVX2
    if (HasAvx512()) {
        SpreadOverRegionsAvx512(regionEnd, count, cosine, sine, angle, binCosine, binSine, binAngle);
        return;
    }
    if (HasAvx2()) {
        SpreadOverRegionsAvx2(regionEnd, count, cosine, sine, angle, binCosine, binSine, binAngle);
        return;
    }
#endif
    std::uint32_t from = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        for (std::uint32_t k = from; k < regionEnd[i]; ++k) {
            binCosine[k] = cosine[i];
            binSine[k] = sine[i];
            binAngle[k] = angle[i];
        }
        from = regionEnd[i];
    }
}

namespace {

template <bool kTurnA, bool kTurnB>
void TurnAndJoin(const TurnedHalf& a, const TurnedHalf& b, std::uint32_t n, double* re, double* im) {
    // Bin k of both halves, turned; at k = 0 only the first two sums have a place.
    auto join = [&](std::uint32_t k) {
        double ar = a.re[k], ai = a.im[k], br = b.re[k], bi = b.im[k];
        if (kTurnA) {
            const double r = ar * a.cosine[k] - ai * a.sine[k];
            ai = ar * a.sine[k] + ai * a.cosine[k];
            ar = r;
        }
        if (kTurnB) {
            const double r = br * b.cosine[k] - bi * b.sine[k];
            bi = br * b.sine[k] + bi * b.cosine[k];
            br = r;
        }
        re[k] = ar - bi;
        im[k] = ai + br;
        if (k == 0) return;
        re[n - k] = ar + bi;
        im[n - k] = br - ai;
    };
    join(0);
    re[n / 2] = 0.0;
    im[n / 2] = 0.0;
    std::uint32_t k = 1;
#ifdef SV_STRETCH_AVX2
    if (HasAvx2()) k = TurnAndJoinPairAvx2<kTurnA, kTurnB>(a, b, n, re, im);
#endif
    for (; k < n / 2; ++k) join(k);
}

}  // namespace

void TurnAndJoinPair(const TurnedHalf& a, const TurnedHalf& b, std::uint32_t n, double* re, double* im) {
    if (a.cosine && b.cosine)
        TurnAndJoin<true, true>(a, b, n, re, im);
    else if (a.cosine)
        TurnAndJoin<true, false>(a, b, n, re, im);
    else if (b.cosine)
        TurnAndJoin<false, true>(a, b, n, re, im);
    else
        TurnAndJoin<false, false>(a, b, n, re, im);
}

SV_CLONES void SquaredMagnitudes(const double* re, const double* im, std::uint32_t n, double* power) {
    for (std::uint32_t k = 0; k < n; ++k) power[k] = re[k] * re[k] + im[k] * im[k];
}

SV_CLONES void AddWindowed(double* ola, const double* grain, const double* window, double scale, std::uint32_t n) {
    for (std::uint32_t k = 0; k < n; ++k) ola[k] += grain[k] * window[k] * scale;
}

}  // namespace sv
