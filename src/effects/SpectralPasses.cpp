#include "effects/SpectralPasses.h"

#include "effects/CpuFeatures.h"

#include <cstddef>
#include <initializer_list>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define SV_SPECTRAL_AVX2 1
#endif

namespace sv {

namespace {

// One radix-4 pass over every span of 4q points. The sine is negated for the synthesis and
// (x1 - x3) turned by +i for the analysis, -i for the synthesis.
template <bool kNegateSine, bool kScale>
void Radix4Pass(double* re, double* im, std::uint32_t size, std::uint32_t q, const double* tw, double scale) {
    const double* __restrict c1t = tw;
    const double* __restrict s1t = tw + q;
    const double* __restrict c2t = tw + 2 * q;
    const double* __restrict s2t = tw + 3 * q;
    const double* __restrict c3t = tw + 4 * q;
    const double* __restrict s3t = tw + 5 * q;
    for (std::uint32_t start = 0; start < size; start += 4 * q) {
        double* __restrict r0 = re + start;
        double* __restrict i0 = im + start;
        double* __restrict r1 = r0 + q;
        double* __restrict i1 = i0 + q;
        double* __restrict r2 = r1 + q;
        double* __restrict i2 = i1 + q;
        double* __restrict r3 = r2 + q;
        double* __restrict i3 = i2 + q;
        for (std::uint32_t k = 0; k < q; ++k) {
            const double s02r = r0[k] + r2[k], s02i = i0[k] + i2[k];
            const double d02r = r0[k] - r2[k], d02i = i0[k] - i2[k];
            const double s13r = r1[k] + r3[k], s13i = i1[k] + i3[k];
            const double d13r = r1[k] - r3[k], d13i = i1[k] - i3[k];
            const double jr = kNegateSine ? d13i : -d13i;
            const double ji = kNegateSine ? -d13r : d13r;
            const double t0r = s02r + s13r, t0i = s02i + s13i;
            const double t1r = s02r - s13r, t1i = s02i - s13i;
            const double t2r = d02r + jr, t2i = d02i + ji;
            const double t3r = d02r - jr, t3i = d02i - ji;
            const double c1 = c1t[k], c2 = c2t[k], c3 = c3t[k];
            const double s1 = kNegateSine ? -s1t[k] : s1t[k];
            const double s2 = kNegateSine ? -s2t[k] : s2t[k];
            const double s3 = kNegateSine ? -s3t[k] : s3t[k];
            const double u1r = t1r * c2 - t1i * s2, u1i = t1r * s2 + t1i * c2;
            const double u2r = t2r * c1 - t2i * s1, u2i = t2r * s1 + t2i * c1;
            const double u3r = t3r * c3 - t3i * s3, u3i = t3r * s3 + t3i * c3;
            r0[k] = kScale ? t0r * scale : t0r;
            i0[k] = kScale ? t0i * scale : t0i;
            r1[k] = kScale ? u1r * scale : u1r;
            i1[k] = kScale ? u1i * scale : u1i;
            r2[k] = kScale ? u2r * scale : u2r;
            i2[k] = kScale ? u2i * scale : u2i;
            r3[k] = kScale ? u3r * scale : u3r;
            i3[k] = kScale ? u3i * scale : u3i;
        }
    }
}

template <bool kScale>
void Radix2Pass(double* re, double* im, std::uint32_t from, std::uint32_t size, double scale) {
    for (std::uint32_t j = from; j < size; j += 2) {
        const double sr = re[j] + re[j + 1], si = im[j] + im[j + 1];
        const double dr = re[j] - re[j + 1], di = im[j] - im[j + 1];
        re[j] = kScale ? sr * scale : sr;
        im[j] = kScale ? si * scale : si;
        re[j + 1] = kScale ? dr * scale : dr;
        im[j + 1] = kScale ? di * scale : di;
    }
}

template <bool kNegateSine>
void PortablePasses(const SpectralPassPlan& p) {
    const double* tw = p.twiddles;
    std::uint32_t stages = p.order;
    const bool scale = p.scale != 1.0;
    for (std::uint32_t q = p.size / 4; stages >= 2; q /= 4, stages -= 2) {
        if (stages == 2 && scale)
            Radix4Pass<kNegateSine, true>(p.re, p.im, p.size, q, tw, p.scale);
        else
            Radix4Pass<kNegateSine, false>(p.re, p.im, p.size, q, tw, 1.0);
        tw += 6 * static_cast<std::size_t>(q);
    }
    if (stages == 1) {
        if (scale)
            Radix2Pass<true>(p.re, p.im, 0, p.size, p.scale);
        else
            Radix2Pass<false>(p.re, p.im, 0, p.size, 1.0);
    }
}

#ifdef SV_SPECTRAL_AVX2

#define SV_AVX2 __attribute__((target("avx2")))

struct Lanes {
    __m256d r0, i0, r1, i1, r2, i2, r3, i3;
};

// The butterfly of Radix4Pass on four k at once, twiddles in lanes.
template <bool kNegateSine, bool kScale>
SV_AVX2 inline void Butterfly4(Lanes& x, __m256d c1, __m256d s1, __m256d c2, __m256d s2, __m256d c3, __m256d s3,
                               __m256d scale) {
    const __m256d sign = _mm256_set1_pd(-0.0);
    const __m256d s02r = _mm256_add_pd(x.r0, x.r2), s02i = _mm256_add_pd(x.i0, x.i2);
    const __m256d d02r = _mm256_sub_pd(x.r0, x.r2), d02i = _mm256_sub_pd(x.i0, x.i2);
    const __m256d s13r = _mm256_add_pd(x.r1, x.r3), s13i = _mm256_add_pd(x.i1, x.i3);
    const __m256d d13r = _mm256_sub_pd(x.r1, x.r3), d13i = _mm256_sub_pd(x.i1, x.i3);
    const __m256d jr = kNegateSine ? d13i : _mm256_xor_pd(d13i, sign);
    const __m256d ji = kNegateSine ? _mm256_xor_pd(d13r, sign) : d13r;
    if (kNegateSine) {
        s1 = _mm256_xor_pd(s1, sign);
        s2 = _mm256_xor_pd(s2, sign);
        s3 = _mm256_xor_pd(s3, sign);
    }
    const __m256d t0r = _mm256_add_pd(s02r, s13r), t0i = _mm256_add_pd(s02i, s13i);
    const __m256d t1r = _mm256_sub_pd(s02r, s13r), t1i = _mm256_sub_pd(s02i, s13i);
    const __m256d t2r = _mm256_add_pd(d02r, jr), t2i = _mm256_add_pd(d02i, ji);
    const __m256d t3r = _mm256_sub_pd(d02r, jr), t3i = _mm256_sub_pd(d02i, ji);
    auto turn = [](__m256d tr, __m256d ti, __m256d c, __m256d s, __m256d& outR, __m256d& outI) SV_AVX2 {
        outR = _mm256_sub_pd(_mm256_mul_pd(tr, c), _mm256_mul_pd(ti, s));
        outI = _mm256_add_pd(_mm256_mul_pd(tr, s), _mm256_mul_pd(ti, c));
    };
    x.r0 = t0r;
    x.i0 = t0i;
    turn(t1r, t1i, c2, s2, x.r1, x.i1);
    turn(t2r, t2i, c1, s1, x.r2, x.i2);
    turn(t3r, t3i, c3, s3, x.r3, x.i3);
    if (kScale) {
        x.r0 = _mm256_mul_pd(x.r0, scale);
        x.i0 = _mm256_mul_pd(x.i0, scale);
        x.r1 = _mm256_mul_pd(x.r1, scale);
        x.i1 = _mm256_mul_pd(x.i1, scale);
        x.r2 = _mm256_mul_pd(x.r2, scale);
        x.i2 = _mm256_mul_pd(x.i2, scale);
        x.r3 = _mm256_mul_pd(x.r3, scale);
        x.i3 = _mm256_mul_pd(x.i3, scale);
    }
}

// q a multiple of 4: k runs in the lanes.
template <bool kNegateSine, bool kScale>
SV_AVX2 void Radix4PassAvx2(double* re, double* im, std::uint32_t size, std::uint32_t q, const double* tw,
                            double scaleValue) {
    const __m256d scale = _mm256_set1_pd(scaleValue);
    for (std::uint32_t start = 0; start < size; start += 4 * q) {
        double* r = re + start;
        double* i = im + start;
        for (std::uint32_t k = 0; k < q; k += 4) {
            Lanes x{_mm256_loadu_pd(r + k),         _mm256_loadu_pd(i + k),         _mm256_loadu_pd(r + q + k),
                    _mm256_loadu_pd(i + q + k),     _mm256_loadu_pd(r + 2 * q + k), _mm256_loadu_pd(i + 2 * q + k),
                    _mm256_loadu_pd(r + 3 * q + k), _mm256_loadu_pd(i + 3 * q + k)};
            Butterfly4<kNegateSine, kScale>(x, _mm256_loadu_pd(tw + k), _mm256_loadu_pd(tw + q + k),
                                            _mm256_loadu_pd(tw + 2 * q + k), _mm256_loadu_pd(tw + 3 * q + k),
                                            _mm256_loadu_pd(tw + 4 * q + k), _mm256_loadu_pd(tw + 5 * q + k), scale);
            _mm256_storeu_pd(r + k, x.r0);
            _mm256_storeu_pd(i + k, x.i0);
            _mm256_storeu_pd(r + q + k, x.r1);
            _mm256_storeu_pd(i + q + k, x.i1);
            _mm256_storeu_pd(r + 2 * q + k, x.r2);
            _mm256_storeu_pd(i + 2 * q + k, x.i2);
            _mm256_storeu_pd(r + 3 * q + k, x.r3);
            _mm256_storeu_pd(i + 3 * q + k, x.i3);
        }
    }
}

SV_AVX2 inline void Transpose(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
    const __m256d t0 = _mm256_unpacklo_pd(a, b), t1 = _mm256_unpackhi_pd(a, b);
    const __m256d t2 = _mm256_unpacklo_pd(c, d), t3 = _mm256_unpackhi_pd(c, d);
    a = _mm256_permute2f128_pd(t0, t2, 0x20);
    b = _mm256_permute2f128_pd(t1, t3, 0x20);
    c = _mm256_permute2f128_pd(t0, t2, 0x31);
    d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// The pass of span 8 (q = 2, the last radix-4 pass of an odd order): two spans at a time,
// k = 0, 1 of each in the lanes. size is a multiple of 16.
template <bool kNegateSine, bool kScale>
SV_AVX2 void Span8PassAvx2(double* re, double* im, std::uint32_t size, const double* tw, double scaleValue) {
    const __m256d scale = _mm256_set1_pd(scaleValue);
#define SV_PAIR_OF(t) _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(t))
    const __m256d c1 = SV_PAIR_OF(tw), s1 = SV_PAIR_OF(tw + 2), c2 = SV_PAIR_OF(tw + 4);
    const __m256d s2 = SV_PAIR_OF(tw + 6), c3 = SV_PAIR_OF(tw + 8), s3 = SV_PAIR_OF(tw + 10);
#undef SV_PAIR_OF
    for (std::uint32_t start = 0; start < size; start += 16) {
        double* r = re + start;
        double* i = im + start;
        // Rows x0..x3 of span a are a[0..1], a[2..3], a[4..5], a[6..7]; span b follows at 8.
        const __m256d ra = _mm256_loadu_pd(r), rb = _mm256_loadu_pd(r + 4);
        const __m256d rc = _mm256_loadu_pd(r + 8), rd = _mm256_loadu_pd(r + 12);
        const __m256d ia = _mm256_loadu_pd(i), ib = _mm256_loadu_pd(i + 4);
        const __m256d ic = _mm256_loadu_pd(i + 8), id = _mm256_loadu_pd(i + 12);
        Lanes x{_mm256_permute2f128_pd(ra, rc, 0x20), _mm256_permute2f128_pd(ia, ic, 0x20),
                _mm256_permute2f128_pd(ra, rc, 0x31), _mm256_permute2f128_pd(ia, ic, 0x31),
                _mm256_permute2f128_pd(rb, rd, 0x20), _mm256_permute2f128_pd(ib, id, 0x20),
                _mm256_permute2f128_pd(rb, rd, 0x31), _mm256_permute2f128_pd(ib, id, 0x31)};
        Butterfly4<kNegateSine, kScale>(x, c1, s1, c2, s2, c3, s3, scale);
        _mm256_storeu_pd(r, _mm256_permute2f128_pd(x.r0, x.r1, 0x20));
        _mm256_storeu_pd(r + 4, _mm256_permute2f128_pd(x.r2, x.r3, 0x20));
        _mm256_storeu_pd(r + 8, _mm256_permute2f128_pd(x.r0, x.r1, 0x31));
        _mm256_storeu_pd(r + 12, _mm256_permute2f128_pd(x.r2, x.r3, 0x31));
        _mm256_storeu_pd(i, _mm256_permute2f128_pd(x.i0, x.i1, 0x20));
        _mm256_storeu_pd(i + 4, _mm256_permute2f128_pd(x.i2, x.i3, 0x20));
        _mm256_storeu_pd(i + 8, _mm256_permute2f128_pd(x.i0, x.i1, 0x31));
        _mm256_storeu_pd(i + 12, _mm256_permute2f128_pd(x.i2, x.i3, 0x31));
    }
}

// The radix-2 stage of an odd order, four pairs at a time; size is a multiple of 8.
template <bool kScale>
SV_AVX2 void Radix2PassAvx2(double* re, double* im, std::uint32_t size, double scaleValue) {
    const __m256d scale = _mm256_set1_pd(scaleValue);
    for (double* data : {re, im}) {
        for (std::uint32_t j = 0; j < size; j += 8) {
            const __m256d a = _mm256_loadu_pd(data + j), b = _mm256_loadu_pd(data + j + 4);
            const __m256d even = _mm256_unpacklo_pd(a, b), odd = _mm256_unpackhi_pd(a, b);
            __m256d sum = _mm256_add_pd(even, odd), diff = _mm256_sub_pd(even, odd);
            if (kScale) {
                sum = _mm256_mul_pd(sum, scale);
                diff = _mm256_mul_pd(diff, scale);
            }
            _mm256_storeu_pd(data + j, _mm256_unpacklo_pd(sum, diff));
            _mm256_storeu_pd(data + j + 4, _mm256_unpackhi_pd(sum, diff));
        }
    }
}

#define SV_AVX512 __attribute__((target("avx512f,avx512dq")))

// Eight k at once in 512-bit lanes (q a multiple of 8), the same operations as Radix4Pass.
typedef double Lane8 __attribute__((vector_size(64), aligned(8), may_alias));

struct Lanes8 {
    Lane8 r0, i0, r1, i1, r2, i2, r3, i3;
};

SV_AVX512 inline Lane8 Splat(double v) { return Lane8{v, v, v, v, v, v, v, v}; }

// The butterfly of Radix4Pass on eight spans or eight k at once, twiddles in lanes.
template <bool kNegateSine, bool kScale>
SV_AVX512 inline void Butterfly8(Lanes8& x, Lane8 c1, Lane8 s1, Lane8 c2, Lane8 s2, Lane8 c3, Lane8 s3,
                                 Lane8 scale) {
    const Lane8 s02r = x.r0 + x.r2, s02i = x.i0 + x.i2;
    const Lane8 d02r = x.r0 - x.r2, d02i = x.i0 - x.i2;
    const Lane8 s13r = x.r1 + x.r3, s13i = x.i1 + x.i3;
    const Lane8 d13r = x.r1 - x.r3, d13i = x.i1 - x.i3;
    const Lane8 jr = kNegateSine ? d13i : -d13i;
    const Lane8 ji = kNegateSine ? -d13r : d13r;
    const Lane8 t0r = s02r + s13r, t0i = s02i + s13i;
    const Lane8 t1r = s02r - s13r, t1i = s02i - s13i;
    const Lane8 t2r = d02r + jr, t2i = d02i + ji;
    const Lane8 t3r = d02r - jr, t3i = d02i - ji;
    if (kNegateSine) s1 = -s1, s2 = -s2, s3 = -s3;
    const Lane8 u1r = t1r * c2 - t1i * s2, u1i = t1r * s2 + t1i * c2;
    const Lane8 u2r = t2r * c1 - t2i * s1, u2i = t2r * s1 + t2i * c1;
    const Lane8 u3r = t3r * c3 - t3i * s3, u3i = t3r * s3 + t3i * c3;
    x.r0 = kScale ? t0r * scale : t0r;
    x.i0 = kScale ? t0i * scale : t0i;
    x.r1 = kScale ? u1r * scale : u1r;
    x.i1 = kScale ? u1i * scale : u1i;
    x.r2 = kScale ? u2r * scale : u2r;
    x.i2 = kScale ? u2i * scale : u2i;
    x.r3 = kScale ? u3r * scale : u3r;
    x.i3 = kScale ? u3i * scale : u3i;
}

template <bool kNegateSine, bool kScale>
SV_AVX512 void Radix4PassAvx512(double* re, double* im, std::uint32_t size, std::uint32_t q, const double* tw,
                                double scaleValue) {
#define at(p) (*reinterpret_cast<const Lane8*>(p))
#define put(p, v) (*reinterpret_cast<Lane8*>(p) = (v))
    const Lane8 scale = Splat(scaleValue);
    // One pointer per array and the distances q, 2q, 3q: few enough registers that the loop
    // keeps its addresses out of memory. The twiddles (laneTwiddles) are one stream.
    const std::ptrdiff_t q1 = q, q2 = 2 * static_cast<std::ptrdiff_t>(q), q3 = 3 * static_cast<std::ptrdiff_t>(q);
    for (std::uint32_t start = 0; start < size; start += 4 * q) {
        double* r = re + start;
        double* i = im + start;
        const double* t = tw;
        for (double* end = r + q; r < end; r += 8, i += 8, t += 48) {
            Lanes8 x{at(r), at(i), at(r + q1), at(i + q1), at(r + q2), at(i + q2), at(r + q3), at(i + q3)};
            Butterfly8<kNegateSine, kScale>(x, at(t), at(t + 8), at(t + 16), at(t + 24), at(t + 32), at(t + 40),
                                            scale);
            put(r, x.r0);
            put(i, x.i0);
            put(r + q1, x.r1);
            put(i + q1, x.i1);
            put(r + q2, x.r2);
            put(i + q2, x.i2);
            put(r + q3, x.r3);
            put(i + q3, x.i3);
        }
    }
#undef at
#undef put
}

// _mm512_shuffle_f64x2 in the masked form: GCC 12 builds the unmasked forms of this and of
// the unpacks from an undefined register it then warns about.
template <int kLanes>
SV_AVX512 inline Lane8 Quarters(Lane8 a, Lane8 b) {
    return _mm512_mask_shuffle_f64x2(a, 0xFF, a, b, kLanes);
}

// Halves of two vectors: the lower four lanes of a then of b, or the upper four of each.
SV_AVX512 inline Lane8 LowerHalves(Lane8 a, Lane8 b) { return Quarters<0x44>(a, b); }
SV_AVX512 inline Lane8 UpperHalves(Lane8 a, Lane8 b) { return Quarters<0xEE>(a, b); }

// The pass of span 16 (q = 4): two spans at a time, k = 0..3 of the first in the lower lanes
// and of the second in the upper ones. size is a multiple of 32.
template <bool kNegateSine, bool kScale>
SV_AVX512 void Span16PassAvx512(double* re, double* im, std::uint32_t size, const double* tw, double scaleValue) {
    const Lane8 scale = Splat(scaleValue);
    auto twice = [tw](int m) SV_AVX512 {
        const double* t = tw + 4 * m;
        return Lane8{t[0], t[1], t[2], t[3], t[0], t[1], t[2], t[3]};
    };
    const Lane8 c1 = twice(0), s1 = twice(1), c2 = twice(2), s2 = twice(3), c3 = twice(4), s3 = twice(5);
    for (std::uint32_t start = 0; start < size; start += 32) {
        double* r = re + start;
        double* i = im + start;
        // Rows x0..x3 of the first span are r[0..3], r[4..7], r[8..11], r[12..15].
        const Lane8 ra = _mm512_loadu_pd(r), rb = _mm512_loadu_pd(r + 8);
        const Lane8 rc = _mm512_loadu_pd(r + 16), rd = _mm512_loadu_pd(r + 24);
        const Lane8 ia = _mm512_loadu_pd(i), ib = _mm512_loadu_pd(i + 8);
        const Lane8 ic = _mm512_loadu_pd(i + 16), id = _mm512_loadu_pd(i + 24);
        Lanes8 x{LowerHalves(ra, rc), LowerHalves(ia, ic), UpperHalves(ra, rc), UpperHalves(ia, ic),
                 LowerHalves(rb, rd), LowerHalves(ib, id), UpperHalves(rb, rd), UpperHalves(ib, id)};
        Butterfly8<kNegateSine, kScale>(x, c1, s1, c2, s2, c3, s3, scale);
        _mm512_storeu_pd(r, LowerHalves(x.r0, x.r1));
        _mm512_storeu_pd(r + 8, LowerHalves(x.r2, x.r3));
        _mm512_storeu_pd(r + 16, UpperHalves(x.r0, x.r1));
        _mm512_storeu_pd(r + 24, UpperHalves(x.r2, x.r3));
        _mm512_storeu_pd(i, LowerHalves(x.i0, x.i1));
        _mm512_storeu_pd(i + 8, LowerHalves(x.i2, x.i3));
        _mm512_storeu_pd(i + 16, UpperHalves(x.i0, x.i1));
        _mm512_storeu_pd(i + 24, UpperHalves(x.i2, x.i3));
    }
}

// Rows v[0..7] of eight points become columns: v[c] lane L = old v[L] lane c.
SV_AVX512 inline void Transpose8(Lane8 v[8]) {
    Lane8 t[8], u[8];
    for (int k = 0; k < 8; k += 2) {
        t[k] = _mm512_mask_unpacklo_pd(v[k], 0xFF, v[k], v[k + 1]);  // columns 0, 2, 4, 6 of rows k, k + 1
        t[k + 1] = _mm512_mask_unpackhi_pd(v[k], 0xFF, v[k], v[k + 1]);  // columns 1, 3, 5, 7
    }
    for (int k = 0; k < 8; k += 4) {
        for (int odd = 0; odd < 2; ++odd) {
            u[k + odd] = Quarters<0x88>(t[k + odd], t[k + 2 + odd]);      // columns 0/1 and 4/5
            u[k + 2 + odd] = Quarters<0xDD>(t[k + odd], t[k + 2 + odd]);  // columns 2/3 and 6/7
        }
    }
    for (int c = 0; c < 4; ++c) {
        v[c] = Quarters<0x88>(u[c], u[c + 4]);
        v[c + 4] = Quarters<0xDD>(u[c], u[c + 4]);
    }
}

// Three-bit reversal.
constexpr int kReverse3[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Tile b of 8 x 8 points of one array: rows a = 0..7 of eight points, index a * 2^(order-3) +
// 8b + c. After loading, v[c] holds point c of every row, row rev(L) in lane L, which is the
// order the points take in the reversed tile's rows.
SV_AVX512 inline void LoadWideTile(const double* data, std::size_t rowStride, std::uint32_t b, Lane8 v[8]) {
    const double* at = data + 8 * static_cast<std::size_t>(b);
    for (int lane = 0; lane < 8; ++lane) v[lane] = _mm512_loadu_pd(at + kReverse3[lane] * rowStride);
    Transpose8(v);
}

// Point c of every row goes to row rev(c) of tile b.
SV_AVX512 inline void StoreWideTile(double* data, std::size_t rowStride, std::uint32_t b, const Lane8 v[8]) {
    double* at = data + 8 * static_cast<std::size_t>(b);
    for (int c = 0; c < 8; ++c) _mm512_storeu_pd(at + kReverse3[c] * rowStride, v[c]);
}

// LastPassInNaturalOrderAvx2 in tiles of 8 x 8 points: each tile holds sixteen spans of four
// points, eight in the lanes of points 0..3 and eight in those of points 4..7.
template <bool kNegateSine, bool kScale>
SV_AVX512 void LastPassInNaturalOrderAvx512(double* re, double* im, std::uint32_t order, const TilePairs& widePairs,
                                            const double* tw, double scaleValue) {
    const std::size_t rowStride = std::size_t{1} << (order - 3);
    const Lane8 scale = Splat(scaleValue);
    const Lane8 c1 = Splat(tw[0]), s1 = Splat(tw[1]), c2 = Splat(tw[2]);
    const Lane8 s2 = Splat(tw[3]), c3 = Splat(tw[4]), s3 = Splat(tw[5]);
    auto butterflies = [&](std::uint32_t b, Lane8 r[8], Lane8 i[8]) SV_AVX512 {
        LoadWideTile(re, rowStride, b, r);
        LoadWideTile(im, rowStride, b, i);
        for (int c = 0; c < 8; c += 4) {
            Lanes8 x{r[c], i[c], r[c + 1], i[c + 1], r[c + 2], i[c + 2], r[c + 3], i[c + 3]};
            Butterfly8<kNegateSine, kScale>(x, c1, s1, c2, s2, c3, s3, scale);
            r[c] = x.r0, r[c + 1] = x.r1, r[c + 2] = x.r2, r[c + 3] = x.r3;
            i[c] = x.i0, i[c + 1] = x.i1, i[c + 2] = x.i2, i[c + 3] = x.i3;
        }
    };
    for (const auto& [b, rb] : widePairs) {
        Lane8 xr[8], xi[8], yr[8], yi[8];
        butterflies(b, xr, xi);
        if (b != rb) {
            butterflies(rb, yr, yi);
            StoreWideTile(re, rowStride, b, yr);
            StoreWideTile(im, rowStride, b, yi);
        }
        StoreWideTile(re, rowStride, rb, xr);
        StoreWideTile(im, rowStride, rb, xi);
    }
}

// LastRadix2InNaturalOrderAvx2 in tiles of 8 x 8 points.
template <bool kScale>
SV_AVX512 void LastRadix2InNaturalOrderAvx512(double* re, double* im, std::uint32_t order,
                                              const TilePairs& widePairs, double scaleValue) {
    const std::size_t rowStride = std::size_t{1} << (order - 3);
    const Lane8 scale = Splat(scaleValue);
    auto butterflies = [&](double* data, std::uint32_t b, Lane8 v[8]) SV_AVX512 {
        LoadWideTile(data, rowStride, b, v);
        for (int c = 0; c < 8; c += 2) {
            const Lane8 sum = v[c] + v[c + 1], diff = v[c] - v[c + 1];
            v[c] = kScale ? sum * scale : sum;
            v[c + 1] = kScale ? diff * scale : diff;
        }
    };
    for (double* data : {re, im}) {
        for (const auto& [b, rb] : widePairs) {
            Lane8 x[8], y[8];
            butterflies(data, b, x);
            if (b != rb) {
                butterflies(data, rb, y);
                StoreWideTile(data, rowStride, b, y);
            }
            StoreWideTile(data, rowStride, rb, x);
        }
    }
}

bool HasAvx512() { return Avx512Usable(); }

// One radix-4 pass of span 4q over [re, re + size), in the widest lanes q allows.
template <bool kNegateSine, bool kScale>
SV_AVX2 void Avx2Pass(double* re, double* im, std::uint32_t size, std::uint32_t q, const double* tw,
                      const double* laneTw, double scale) {
    if (q % 8 == 0 && laneTw && HasAvx512())
        Radix4PassAvx512<kNegateSine, kScale>(re, im, size, q, laneTw, scale);
    else if (q == 4 && size % 32 == 0 && HasAvx512())
        Span16PassAvx512<kNegateSine, kScale>(re, im, size, tw, scale);
    else if (q % 4 == 0)
        Radix4PassAvx2<kNegateSine, kScale>(re, im, size, q, tw, scale);
    else if (q == 2 && size % 16 == 0)
        Span8PassAvx2<kNegateSine, kScale>(re, im, size, tw, scale);
    else
        Radix4Pass<kNegateSine, kScale>(re, im, size, q, tw, scale);
}

// Tile (b, c) of one array: rows a = 0..3 of four points each, transposed and put in the
// order rev(a) along a row, rows in the order rev(c).
SV_AVX2 inline void LoadTile(const double* data, std::size_t rowStride, std::uint32_t b, __m256d t[4]) {
    const double* at = data + 4 * static_cast<std::size_t>(b);
    t[0] = _mm256_loadu_pd(at);
    t[1] = _mm256_loadu_pd(at + rowStride);
    t[2] = _mm256_loadu_pd(at + 2 * rowStride);
    t[3] = _mm256_loadu_pd(at + 3 * rowStride);
    Transpose(t[0], t[1], t[2], t[3]);
}

SV_AVX2 inline void StoreTile(double* data, std::size_t rowStride, std::uint32_t b, const __m256d t[4]) {
    double* at = data + 4 * static_cast<std::size_t>(b);
    // Lanes a = 0, 1, 2, 3 go to rev(a) = 0, 2, 1, 3; row c to rev(c).
    _mm256_storeu_pd(at, _mm256_permute4x64_pd(t[0], 0xD8));
    _mm256_storeu_pd(at + 2 * rowStride, _mm256_permute4x64_pd(t[1], 0xD8));
    _mm256_storeu_pd(at + rowStride, _mm256_permute4x64_pd(t[2], 0xD8));
    _mm256_storeu_pd(at + 3 * rowStride, _mm256_permute4x64_pd(t[3], 0xD8));
}

// The last pass of an even order (q = 1) fused with the bit reversal: tile b holds four spans
// of four points (rows a), which LoadTile turns so that the spans run in the lanes; the
// butterfly's outputs are then rows of the reversed tile, stored by StoreTile at rev(b). A
// tile and its partner are both loaded before either is stored.
template <bool kNegateSine, bool kScale>
SV_AVX2 void LastPassInNaturalOrderAvx2(double* re, double* im, std::uint32_t order, const TilePairs& tilePairs,
                                        const double* tw, double scaleValue) {
    const std::size_t rowStride = std::size_t{1} << (order - 2);
    const __m256d scale = _mm256_set1_pd(scaleValue);
    const __m256d c1 = _mm256_set1_pd(tw[0]), s1 = _mm256_set1_pd(tw[1]);
    const __m256d c2 = _mm256_set1_pd(tw[2]), s2 = _mm256_set1_pd(tw[3]);
    const __m256d c3 = _mm256_set1_pd(tw[4]), s3 = _mm256_set1_pd(tw[5]);
    auto butterfly = [&](std::uint32_t b, __m256d r[4], __m256d i[4]) SV_AVX2 {
        LoadTile(re, rowStride, b, r);
        LoadTile(im, rowStride, b, i);
        Lanes x{r[0], i[0], r[1], i[1], r[2], i[2], r[3], i[3]};
        Butterfly4<kNegateSine, kScale>(x, c1, s1, c2, s2, c3, s3, scale);
        r[0] = x.r0, r[1] = x.r1, r[2] = x.r2, r[3] = x.r3;
        i[0] = x.i0, i[1] = x.i1, i[2] = x.i2, i[3] = x.i3;
    };
    for (const auto& [b, rb] : tilePairs) {
        __m256d xr[4], xi[4], yr[4], yi[4];
        butterfly(b, xr, xi);
        if (b != rb) {
            butterfly(rb, yr, yi);
            StoreTile(re, rowStride, b, yr);
            StoreTile(im, rowStride, b, yi);
        }
        StoreTile(re, rowStride, rb, xr);
        StoreTile(im, rowStride, rb, xi);
    }
}

// The radix-2 stage of an odd order fused with the bit reversal in the same way: the pairs
// are points 0, 1 and 2, 3 of each row of a tile, so after LoadTile they are whole lanes.
template <bool kScale>
SV_AVX2 void LastRadix2InNaturalOrderAvx2(double* re, double* im, std::uint32_t order, const TilePairs& tilePairs,
                                          double scaleValue) {
    const std::size_t rowStride = std::size_t{1} << (order - 2);
    const __m256d scale = _mm256_set1_pd(scaleValue);
    auto butterflies = [&](double* data, std::uint32_t b, __m256d t[4]) SV_AVX2 {
        LoadTile(data, rowStride, b, t);
        for (int c = 0; c < 4; c += 2) {
            __m256d sum = _mm256_add_pd(t[c], t[c + 1]), diff = _mm256_sub_pd(t[c], t[c + 1]);
            if (kScale) {
                sum = _mm256_mul_pd(sum, scale);
                diff = _mm256_mul_pd(diff, scale);
            }
            t[c] = sum;
            t[c + 1] = diff;
        }
    };
    for (double* data : {re, im}) {
        for (const auto& [b, rb] : tilePairs) {
            __m256d x[4], y[4];
            butterflies(data, b, x);
            if (b != rb) {
                butterflies(data, rb, y);
                StoreTile(data, rowStride, b, y);
            }
            StoreTile(data, rowStride, rb, x);
        }
    }
}

// Points whose data (16 KB) stay in the first-level cache while several passes run over them.
constexpr std::uint32_t kCacheBlock = 1024;

// Passes whose spans exceed a cache block run over the whole array; then each block in turn
// takes all the smaller passes (they never reach outside their span), so its data are read
// from the slower caches once instead of once per pass.
template <bool kNegateSine, bool kScale>
SV_AVX2 bool Avx2Passes(const SpectralPassPlan& p) {
    // The last pass (radix 4 at q = 1 for an even order, radix 2 for an odd one) can leave its
    // results in natural order.
    const bool fuse = p.tilePairs && p.order >= 4;
    const bool even = p.order % 2 == 0;
    const std::uint32_t lowestQ = fuse && even ? 4 : 1;
    const double* tw = p.twiddles;
    auto lanes = [&p](const double* t) { return p.laneTwiddles ? p.laneTwiddles + (t - p.twiddles) : nullptr; };
    std::uint32_t stages = p.order;
    std::uint32_t q = p.size / 4;
    for (; stages >= 2 && q >= lowestQ && (4 * q > kCacheBlock || p.size <= kCacheBlock); q /= 4, stages -= 2) {
        if (stages == 2)
            Avx2Pass<kNegateSine, kScale>(p.re, p.im, p.size, q, tw, lanes(tw), p.scale);
        else
            Avx2Pass<kNegateSine, false>(p.re, p.im, p.size, q, tw, lanes(tw), 1.0);
        tw += 6 * static_cast<std::size_t>(q);
    }
    const bool blocked = stages >= 2 && q >= lowestQ;
    if (blocked || (stages == 1 && !fuse)) {
        const std::uint32_t block = blocked ? 4 * q : p.size;
        const double* blockTw = tw;
        for (std::uint32_t start = 0; start < p.size; start += block) {
            double* re = p.re + start;
            double* im = p.im + start;
            blockTw = tw;
            std::uint32_t left = stages;
            for (std::uint32_t bq = q; left >= 2 && bq >= lowestQ; bq /= 4, left -= 2) {
                if (left == 2)
                    Avx2Pass<kNegateSine, kScale>(re, im, block, bq, blockTw, lanes(blockTw), p.scale);
                else
                    Avx2Pass<kNegateSine, false>(re, im, block, bq, blockTw, lanes(blockTw), 1.0);
                blockTw += 6 * static_cast<std::size_t>(bq);
            }
            if (left == 1 && !fuse) {
                if (block % 8 == 0)
                    Radix2PassAvx2<kScale>(re, im, block, p.scale);
                else
                    Radix2Pass<kScale>(re, im, 0, block, p.scale);
            }
        }
        tw = blockTw;
    }
    if (!fuse) return false;
    const bool wide = p.widePairs && HasAvx512();
    if (even && wide)
        LastPassInNaturalOrderAvx512<kNegateSine, kScale>(p.re, p.im, p.order, *p.widePairs, tw, p.scale);
    else if (even)
        LastPassInNaturalOrderAvx2<kNegateSine, kScale>(p.re, p.im, p.order, *p.tilePairs, tw, p.scale);
    else if (wide)
        LastRadix2InNaturalOrderAvx512<kScale>(p.re, p.im, p.order, *p.widePairs, p.scale);
    else
        LastRadix2InNaturalOrderAvx2<kScale>(p.re, p.im, p.order, *p.tilePairs, p.scale);
    return true;
}

SV_AVX2 void ReverseBitsAvx2(double* re, double* im, std::uint32_t order, const TilePairs& tilePairs) {
    const std::size_t rowStride = std::size_t{1} << (order - 2);
    for (double* data : {re, im}) {
        for (const auto& [b, rb] : tilePairs) {
            __m256d x[4], y[4];
            LoadTile(data, rowStride, b, x);
            if (b == rb) {
                StoreTile(data, rowStride, b, x);
            } else {
                LoadTile(data, rowStride, rb, y);
                StoreTile(data, rowStride, rb, x);
                StoreTile(data, rowStride, b, y);
            }
        }
    }
}

bool HasAvx2() { return Avx2Usable(); }

#endif

}  // namespace

bool ReverseBitsInTiles(double* re, double* im, std::uint32_t order, const TilePairs& tilePairs) {
#ifdef SV_SPECTRAL_AVX2
    if (order >= 4 && HasAvx2()) {
        ReverseBitsAvx2(re, im, order, tilePairs);
        return true;
    }
#else
    (void)re, (void)im, (void)order, (void)tilePairs;
#endif
    return false;
}

bool RunSpectralPasses(const SpectralPassPlan& plan) {
#ifdef SV_SPECTRAL_AVX2
    if (HasAvx2()) {
        const bool scale = plan.scale != 1.0;
        if (plan.negateSine) return scale ? Avx2Passes<true, true>(plan) : Avx2Passes<true, false>(plan);
        return scale ? Avx2Passes<false, true>(plan) : Avx2Passes<false, false>(plan);
    }
#endif
    if (plan.negateSine)
        PortablePasses<true>(plan);
    else
        PortablePasses<false>(plan);
    return false;
}

}  // namespace sv
