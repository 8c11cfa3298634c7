#include "effects/ExactTrig.h"

#include "effects/CpuFeatures.h"

#include <cmath>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SV_EXACT_TRIG_AVX512 1
#endif

namespace sv {

namespace {

// One library call per value, the cosine and the sine apart: glibc's sincos takes longer than
// its cos and sin together (same bits), so the compiler is kept from joining them.
double LibraryCos(double angle) { return std::cos(angle); }
double LibrarySin(double angle) {
#if defined(__GNUC__) && defined(__x86_64__)
    __asm__("" : "+x"(angle));
#endif
    return std::sin(angle);
}

#ifdef SV_EXACT_TRIG_AVX512

#define SV_TRIG __attribute__((target("avx512f,avx512dq")))

typedef __m512d V;

// A value as the sum of two doubles, hi + lo.
struct Two {
    V hi, lo;
};

SV_TRIG inline V Splat(double v) { return _mm512_set1_pd(v); }

// The masked forms of these instructions, with every lane taken: GCC 12 builds the unmasked
// ones from an undefined register it then warns about.
constexpr __mmask8 kAll = 0xFF;
template <int kMode>
SV_TRIG inline V Rounded(V v) { return _mm512_mask_roundscale_pd(v, kAll, v, kMode | _MM_FROUND_NO_EXC); }
SV_TRIG inline V Exponent(V v) { return _mm512_mask_getexp_pd(v, kAll, v); }
SV_TRIG inline V Scaled(V v, V e) { return _mm512_mask_scalef_pd(v, kAll, v, e); }
SV_TRIG inline V Lower(V a, V b) { return _mm512_mask_min_pd(a, kAll, a, b); }
SV_TRIG inline V Higher(V a, V b) { return _mm512_mask_max_pd(a, kAll, a, b); }

// a + b exactly, whatever their sizes.
SV_TRIG inline Two TwoSum(V a, V b) {
    const V s = a + b;
    const V bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a + b exactly, where |a| >= |b|.
SV_TRIG inline Two FastTwoSum(V a, V b) {
    const V s = a + b;
    return {s, b - (s - a)};
}

// a * b exactly.
SV_TRIG inline Two TwoProduct(V a, V b) {
    const V p = a * b;
    return {p, _mm512_fmsub_pd(a, b, p)};
}

SV_TRIG inline V Negated(V v, __mmask8 where) { return _mm512_mask_xor_pd(v, where, v, Splat(-0.0)); }

// A sixteen-entry table, indexed by the low four bits of each lane of i.
struct Table16 {
    V first, second;
    SV_TRIG V At(__m512i i) const { return _mm512_permutex2var_pd(first, i, second); }
};

SV_TRIG inline Table16 TableOf(const double (&t)[16]) { return {_mm512_loadu_pd(t), _mm512_loadu_pd(t + 8)}; }

// Lanes where hi is the library's result: the exact value, within this code's own error of
// hi + lo, lies so far inside hi's rounding interval that the library's error (under 0.55
// units in the last place, against the 0.5 of a correct rounding) cannot reach the
// neighbouring double.
constexpr double kMargin = 0.05 + 0.01;  // the library's extra error, then this code's own
SV_TRIG inline __mmask8 Sure(Two v) {
    const V margin = Scaled(Splat(kMargin), Exponent(v.hi) - Splat(52.0));
    return _mm512_cmp_pd_mask(v.hi + (v.lo + margin), v.hi, _CMP_EQ_OQ) &
           _mm512_cmp_pd_mask(v.hi + (v.lo - margin), v.hi, _CMP_EQ_OQ);
}

// Near the zeros of sine and cosine away from 0, the library's own reduction of the angle
// leaves it more than its usual error (0.56 units at the double after pi/2, say), so results
// that small are its to give.
SV_TRIG inline __mmask8 Sizeable(V result) {
    return _mm512_cmp_pd_mask(_mm512_abs_pd(result), Splat(0x1p-20), _CMP_GE_OQ);
}

// sin and cos of j * pi / 32, each as hi + lo.
constexpr double kSinHi[16] = {
    0x0.0p+0, 0x1.917a6bc29b42cp-4, 0x1.8f8b83c69a60bp-3, 0x1.294062ed59f06p-2, 0x1.87de2a6aea963p-2,
    0x1.e2b5d3806f63bp-2, 0x1.1c73b39ae68c8p-1, 0x1.44cf325091dd6p-1, 0x1.6a09e667f3bcdp-1, 0x1.8bc806b151741p-1,
    0x1.a9b66290ea1a3p-1, 0x1.c38b2f180bdb1p-1, 0x1.d906bcf328d46p-1, 0x1.e9f4156c62ddap-1, 0x1.f6297cff75cb0p-1,
    0x1.fd88da3d12526p-1};
constexpr double kSinLo[16] = {
    0x0.0p+0, -0x1.e2718d26ed688p-60, -0x1.26d19b9ff8d82p-57, -0x1.5d28da2c4612dp-56, -0x1.72cedd3d5a610p-57,
    0x1.e0d891d3c6841p-58, 0x1.b25dd267f6600p-55, 0x1.8076a2cfdc6b3p-57, -0x1.bdd3413b26456p-55,
    -0x1.2c5e12ed1336dp-55, 0x1.9f630e8b6dac8p-60, -0x1.6e0b1757c8d07p-56, 0x1.457e610231ac2p-56,
    0x1.760b1e2e3f81ep-55, 0x1.562172a361fd3p-56, -0x1.87df6378811c7p-55};
constexpr double kCosHi[16] = {
    0x1.0000000000000p+0, 0x1.fd88da3d12526p-1, 0x1.f6297cff75cb0p-1, 0x1.e9f4156c62ddap-1, 0x1.d906bcf328d46p-1,
    0x1.c38b2f180bdb1p-1, 0x1.a9b66290ea1a3p-1, 0x1.8bc806b151741p-1, 0x1.6a09e667f3bcdp-1, 0x1.44cf325091dd6p-1,
    0x1.1c73b39ae68c8p-1, 0x1.e2b5d3806f63bp-2, 0x1.87de2a6aea963p-2, 0x1.294062ed59f06p-2, 0x1.8f8b83c69a60bp-3,
    0x1.917a6bc29b42cp-4};
constexpr double kCosLo[16] = {
    0x0.0p+0, -0x1.87df6378811c7p-55, 0x1.562172a361fd3p-56, 0x1.760b1e2e3f81ep-55, 0x1.457e610231ac2p-56,
    -0x1.6e0b1757c8d07p-56, 0x1.9f630e8b6dac8p-60, -0x1.2c5e12ed1336dp-55, -0x1.bdd3413b26456p-55,
    0x1.8076a2cfdc6b3p-57, 0x1.b25dd267f6600p-55, 0x1.e0d891d3c6841p-58, -0x1.72cedd3d5a610p-57,
    -0x1.5d28da2c4612dp-56, -0x1.26d19b9ff8d82p-57, -0x1.e2718d26ed688p-60};

// pi / 32 in three parts, and its inverse.
constexpr double kStep1 = 0x1.921fb54442d18p-4, kStep2 = 0x1.1a62633145c07p-58, kStep3 = -0x1.f1976b7ed8fbcp-114;
constexpr double kStepsPerRadian = 0x1.45f306dc9c883p+3;

// x = k pi / 32 + r, |r| <= pi / 64 (a little more where k rounds the other way), then
// sin and cos of (k mod 16) pi / 32 + r from the tables and short series in r, turned by the
// quadrant (k div 16) mod 4.
SV_TRIG void CosinesAndSinesAvx512(const double* angle, std::uint32_t n, double* cosine, double* sine) {
    const Table16 sinHi = TableOf(kSinHi), sinLo = TableOf(kSinLo);
    const Table16 cosHi = TableOf(kCosHi), cosLo = TableOf(kCosLo);
    std::uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const V x = _mm512_loadu_pd(angle + i);
        const V ax = _mm512_abs_pd(x);
        // Beyond a few turns the reduction below loses its exactness; tiny angles, where the
        // results are x and 1 or so, are left to the library with their signed zeros.
        const __mmask8 within =
            _mm512_cmp_pd_mask(ax, Splat(0x1p-26), _CMP_GE_OQ) & _mm512_cmp_pd_mask(ax, Splat(6.0), _CMP_LE_OQ);
        const V k = Rounded<_MM_FROUND_TO_NEAREST_INT>(x * Splat(kStepsPerRadian));
        // x - k * step1 is exact (|k| <= 62, and the difference needs no more bits than x has).
        const V r1 = _mm512_fnmadd_pd(k, Splat(kStep1), x);
        const Two p = TwoProduct(k, Splat(kStep2));
        const Two d = TwoSum(r1, -p.hi);
        const Two r = TwoSum(d.hi, (d.lo - p.lo) - k * Splat(kStep3));
        const V z = r.hi * r.hi;
        // sin r = r + sr, cos r = 1 + cr.
        V ps = Splat(-1.0 / 39916800);
        ps = ps * z + Splat(1.0 / 362880);
        ps = ps * z + Splat(-1.0 / 5040);
        ps = ps * z + Splat(1.0 / 120);
        ps = ps * z + Splat(-1.0 / 6);
        const V sr = r.hi * z * ps;
        V pc = Splat(1.0 / 479001600);
        pc = pc * z + Splat(-1.0 / 3628800);
        pc = pc * z + Splat(1.0 / 40320);
        pc = pc * z + Splat(-1.0 / 720);
        pc = pc * z + Splat(1.0 / 24);
        pc = pc * z + Splat(-0.5);
        const V cr = z * pc - r.hi * r.lo;
        const V rTail = r.lo + sr;

        const __m512i j = _mm512_cvtpd_epi64(k);
        const V sh = sinHi.At(j), sl = sinLo.At(j), ch = cosHi.At(j), cl = cosLo.At(j);
        // sin(a + r) = sin a cos r + cos a sin r
        const Two a = TwoProduct(ch, r.hi);
        const Two s = TwoSum(sh, a.hi);
        const Two sinA = FastTwoSum(s.hi, s.lo + a.lo + sl + sh * cr + ch * rTail + cl * r.hi);
        // cos(a + r) = cos a cos r - sin a sin r
        const Two b = TwoProduct(sh, r.hi);
        const Two c = TwoSum(ch, -b.hi);
        const Two cosA = FastTwoSum(c.hi, c.lo - b.lo + cl + ch * cr - sh * rTail - sl * r.hi);

        const __m512i quadrant = _mm512_mask_srai_epi64(j, kAll, j, 4);
        const __mmask8 odd = _mm512_test_epi64_mask(quadrant, _mm512_set1_epi64(1));
        const __mmask8 half = _mm512_test_epi64_mask(quadrant, _mm512_set1_epi64(2));
        const __mmask8 sinNegated = half, cosNegated = odd ^ half;
        const Two sinX{Negated(_mm512_mask_blend_pd(odd, sinA.hi, cosA.hi), sinNegated),
                       Negated(_mm512_mask_blend_pd(odd, sinA.lo, cosA.lo), sinNegated)};
        const Two cosX{Negated(_mm512_mask_blend_pd(odd, cosA.hi, sinA.hi), cosNegated),
                       Negated(_mm512_mask_blend_pd(odd, cosA.lo, sinA.lo), cosNegated)};
        _mm512_storeu_pd(cosine + i, cosX.hi);
        _mm512_storeu_pd(sine + i, sinX.hi);
        const unsigned cosLeft = static_cast<unsigned>(~(within & Sure(cosX) & Sizeable(cosX.hi))) & 0xFFu;
        const unsigned sinLeft = static_cast<unsigned>(~(within & Sure(sinX) & Sizeable(sinX.hi))) & 0xFFu;
        for (unsigned m = cosLeft; m; m &= m - 1) {
            const unsigned l = static_cast<unsigned>(__builtin_ctz(m));
            cosine[i + l] = LibraryCos(angle[i + l]);
        }
        for (unsigned m = sinLeft; m; m &= m - 1) {
            const unsigned l = static_cast<unsigned>(__builtin_ctz(m));
            sine[i + l] = LibrarySin(angle[i + l]);
        }
    }
    for (; i < n; ++i) {
        cosine[i] = LibraryCos(angle[i]);
        sine[i] = LibrarySin(angle[i]);
    }
}

// atan(c) for the tables' centres c = 0 and (j + 1/2) / 16.
constexpr double kCentre[16] = {0.0,        1.5 / 16,  2.5 / 16,  3.5 / 16,  4.5 / 16,  5.5 / 16,
                                6.5 / 16,   7.5 / 16,  8.5 / 16,  9.5 / 16,  10.5 / 16, 11.5 / 16,
                                12.5 / 16,  13.5 / 16, 14.5 / 16, 15.5 / 16};
constexpr double kAtanHi[16] = {
    0x0.0p+0, 0x1.7ee182602f10fp-4, 0x1.3d6eee8c6626cp-3, 0x1.b90d7529260a2p-3, 0x1.18bf5a30bf178p-2,
    0x1.530ad9951cd4ap-2, 0x1.8b24d394a1b25p-2, 0x1.c0db4c94ec9f0p-2, 0x1.f40dd0b541418p-2, 0x1.1255d9bfbd2a9p-1,
    0x1.2958e59308e31p-1, 0x1.3f13fb89e96f4p-1, 0x1.538f57b89061fp-1, 0x1.66d663923e087p-1, 0x1.78f6bbd5d315ep-1,
    0x1.89ff5ff57f1f8p-1};
constexpr double kAtanLo[16] = {
    0x0.0p+0, -0x1.cfb654c0c3d98p-58, 0x1.61a3b0ce9281bp-57, 0x1.17b10d2e0e5abp-61, 0x1.30ca4748b1bf9p-57,
    -0x1.2566480884082p-57, 0x1.b6d0ba3748fa8p-56, -0x1.cc1ce70934c34p-56, -0x1.a3992dc382a23p-57,
    -0x1.2bdaee1c0ee35p-58, -0x1.09e73b0c6c087p-56, 0x1.ecf8b492644f0p-56, -0x1.1bb74abda520cp-55,
    -0x1.6ea6febe8bbbap-56, 0x1.406a089803740p-55, -0x1.55b9a5e177a1bp-55};
constexpr double kHalfPiHi = 0x1.921fb54442d18p+0, kHalfPiLo = 0x1.1a62633145c07p-54;
constexpr double kPiHi = 0x1.921fb54442d18p+1, kPiLo = 0x1.1a62633145c07p-53;

// z = min(|x|, |y|) / max(|x|, |y|) in [0, 1]; atan z = atan c + atan t with c the centre of
// z's sixteenth and t = (z - c) / (1 + z c), |t| <= 1/16; then the octant.
SV_TRIG void ArctangentsAvx512(const double* y, const double* x, std::uint32_t n, double* angle) {
    const Table16 centre = TableOf(kCentre), atanHi = TableOf(kAtanHi), atanLo = TableOf(kAtanLo);
    std::uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const V vy = _mm512_loadu_pd(y + i), vx = _mm512_loadu_pd(x + i);
        const V ay = _mm512_abs_pd(vy), ax = _mm512_abs_pd(vx);
        // Zeros, infinities, NaNs and magnitudes whose ratio could leave the normal range.
        auto moderate = [](V v) SV_TRIG {
            const V e = Exponent(v);
            return _mm512_cmp_pd_mask(e, Splat(-400.0), _CMP_GE_OQ) & _mm512_cmp_pd_mask(e, Splat(400.0), _CMP_LE_OQ);
        };
        const __mmask8 within = moderate(ay) & moderate(ax);
        const __mmask8 steep = _mm512_cmp_pd_mask(ay, ax, _CMP_GT_OQ);
        const V num = Lower(ax, ay), den = Higher(ax, ay);
        const V zh = num / den;
        const V zl = _mm512_fnmadd_pd(zh, den, num) / den;
        const V sixteenth = Lower(Rounded<_MM_FROUND_TO_NEG_INF>(zh * Splat(16.0)), Splat(15.0));
        const __m512i j = _mm512_cvtpd_epi64(sixteenth);
        const V c = centre.At(j);
        const Two num2 = TwoSum(zh, -c);
        const V nh = num2.hi, nl = num2.lo + zl;
        const Two zc = TwoProduct(zh, c);
        const Two dd = FastTwoSum(Splat(1.0), zc.hi);
        const V dh = dd.hi, dl = dd.lo + zc.lo + zl * c;
        const V th = nh / dh;
        const V tl = ((_mm512_fnmadd_pd(th, dh, nh) + nl) - th * dl) / dh;
        const V u = th * th;
        V pa = Splat(1.0 / 17);
        pa = pa * u + Splat(-1.0 / 15);
        pa = pa * u + Splat(1.0 / 13);
        pa = pa * u + Splat(-1.0 / 11);
        pa = pa * u + Splat(1.0 / 9);
        pa = pa * u + Splat(-1.0 / 7);
        pa = pa * u + Splat(1.0 / 5);
        pa = pa * u + Splat(-1.0 / 3);
        const Two in = TwoSum(atanHi.At(j), th);
        const V inLow = in.lo + atanLo.At(j) + tl + th * u * pa;
        // Steep: pi/2 - atan z. Left half-plane: pi - that.
        const Two m = TwoSum(Splat(kHalfPiHi), -in.hi);
        V ah = _mm512_mask_blend_pd(steep, in.hi, m.hi);
        V al = _mm512_mask_blend_pd(steep, inLow, m.lo + Splat(kHalfPiLo) - inLow);
        const __mmask8 left = _mm512_cmp_pd_mask(vx, Splat(0.0), _CMP_LT_OQ);
        const Two p = TwoSum(Splat(kPiHi), -ah);
        al = _mm512_mask_blend_pd(left, al, p.lo + Splat(kPiLo) - al);
        ah = _mm512_mask_blend_pd(left, ah, p.hi);
        const __mmask8 below = _mm512_cmp_pd_mask(vy, Splat(0.0), _CMP_LT_OQ);
        const Two sum = FastTwoSum(ah, al);
        const Two result{Negated(sum.hi, below), Negated(sum.lo, below)};
        _mm512_storeu_pd(angle + i, result.hi);
        const unsigned left8 = static_cast<unsigned>(~(within & Sure(result))) & 0xFFu;
        for (unsigned mask = left8; mask; mask &= mask - 1) {
            const unsigned l = static_cast<unsigned>(__builtin_ctz(mask));
            angle[i + l] = std::atan2(y[i + l], x[i + l]);
        }
    }
    for (; i < n; ++i) angle[i] = std::atan2(y[i], x[i]);
}

#endif

}  // namespace

void CosinesAndSines(const double* angle, std::uint32_t n, double* cosine, double* sine) {
#ifdef SV_EXACT_TRIG_AVX512
    if (Avx512Usable()) return CosinesAndSinesAvx512(angle, n, cosine, sine);
#endif
    for (std::uint32_t i = 0; i < n; ++i) {
        cosine[i] = LibraryCos(angle[i]);
        sine[i] = LibrarySin(angle[i]);
    }
}

void Arctangents(const double* y, const double* x, std::uint32_t n, double* angle) {
#ifdef SV_EXACT_TRIG_AVX512
    if (Avx512Usable()) return ArctangentsAvx512(y, x, n, angle);
#endif
    for (std::uint32_t i = 0; i < n; ++i) angle[i] = std::atan2(y[i], x[i]);
}

}  // namespace sv
