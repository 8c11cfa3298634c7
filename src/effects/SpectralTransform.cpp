#include "effects/SpectralTransform.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sv {

namespace {
constexpr double kTwoPi = 6.283185307179586476925286766559;
}

std::uint32_t SpectralTransform::OrderForLength(std::int64_t x) {
    const std::int64_t d = x - x / 4;
    if (d <= 8) return 3;
    std::uint32_t m = 4;
    while (m < kMaxOrder && (std::int64_t{1} << m) < d) ++m;
    return m;
}

SpectralTransform::SpectralTransform(std::uint32_t order)
    : order_(std::clamp<std::uint32_t>(order, 1, kMaxOrder)), size_(1u << order_) {
    bitReversal_.resize(size_);
    cos_.resize(size_);
    sin_.resize(size_);
    for (std::uint32_t i = 0; i < size_; ++i) {
        std::uint32_t r = 0;
        for (std::uint32_t b = 0; b < order_; ++b) r |= ((i >> b) & 1u) << (order_ - 1 - b);
        bitReversal_[i] = r;
        const double a = kTwoPi * i / size_;
        cos_[i] = std::cos(a);
        sin_[i] = std::sin(a);
    }
    // The radix-4 passes read their twiddles in order of use, so the loops run in vector lanes.
    for (std::uint32_t q = size_ / 4, stages = order_; stages >= 2; q /= 4, stages -= 2) {
        const std::size_t stride = size_ / (4 * q);
        for (std::uint32_t m = 1; m <= 3; ++m) {
            for (std::uint32_t k = 0; k < q; ++k) passTwiddles_.push_back(cos_[m * k * stride]);
            for (std::uint32_t k = 0; k < q; ++k) passTwiddles_.push_back(sin_[m * k * stride]);
        }
    }
}

// Decimation in frequency: natural order in, bit-reversed order out. Two radix-2 stages are
// done at a time (radix 4, half the passes over the data); an odd order ends with one radix-2
// stage. Twiddles come from the cosine and sine tables (sine negated for the synthesis).
// tw holds the pass's twiddles contiguously: cos and sin of k, 2k and 3k steps, q of each.
template <bool kNegateSine>
static void Radix4Pass(double* re, double* im, std::uint32_t size, std::uint32_t q, const double* tw) {
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
            // (x1 - x3) turned by +i (analysis) or -i (synthesis).
            const double jr = kNegateSine ? d13i : -d13i;
            const double ji = kNegateSine ? -d13r : d13r;
            r0[k] = s02r + s13r;
            i0[k] = s02i + s13i;
            const double t1r = s02r - s13r, t1i = s02i - s13i;
            const double t2r = d02r + jr, t2i = d02i + ji;
            const double t3r = d02r - jr, t3i = d02i - ji;
            const double c1 = c1t[k], c2 = c2t[k], c3 = c3t[k];
            const double s1 = kNegateSine ? -s1t[k] : s1t[k];
            const double s2 = kNegateSine ? -s2t[k] : s2t[k];
            const double s3 = kNegateSine ? -s3t[k] : s3t[k];
            r1[k] = t1r * c2 - t1i * s2;
            i1[k] = t1r * s2 + t1i * c2;
            r2[k] = t2r * c1 - t2i * s1;
            i2[k] = t2r * s1 + t2i * c1;
            r3[k] = t3r * c3 - t3i * s3;
            i3[k] = t3r * s3 + t3i * c3;
        }
    }
}

template <bool kNegateSine>
static void DifButterflies(double* re, double* im, std::uint32_t size, std::uint32_t order, const double* tw) {
    std::uint32_t stages = order;
    for (std::uint32_t q = size / 4; stages >= 2; q /= 4, stages -= 2) {
        Radix4Pass<kNegateSine>(re, im, size, q, tw);
        tw += 6 * static_cast<std::size_t>(q);
    }
    if (stages == 1) {
        for (std::uint32_t j = 0; j < size; j += 2) {
            const double dr = re[j] - re[j + 1], di = im[j] - im[j + 1];
            re[j] += re[j + 1];
            im[j] += im[j + 1];
            re[j + 1] = dr;
            im[j + 1] = di;
        }
    }
}

void SpectralTransform::Butterflies(double* re, double* im, bool negateSine) const {
    if (negateSine)
        DifButterflies<true>(re, im, size_, order_, passTwiddles_.data());
    else
        DifButterflies<false>(re, im, size_, order_, passTwiddles_.data());
}

void SpectralTransform::Reorder(double* re, double* im) const {
    for (std::uint32_t i = 0; i < size_; ++i) {
        const std::uint32_t j = bitReversal_[i];
        if (j > i) {
            std::swap(re[i], re[j]);
            std::swap(im[i], im[j]);
        }
    }
}

void SpectralTransform::Analysis(double* re, double* im) const {
    Butterflies(re, im, false);
    Reorder(re, im);
    const double scale = 1.0 / size_;
    for (std::uint32_t i = 0; i < size_; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}

void SpectralTransform::Synthesis(double* re, double* im) const {
    Butterflies(re, im, true);
    Reorder(re, im);
}

std::vector<double> HammingWindow(std::uint32_t length) {
    std::vector<double> w(length);
    for (std::uint32_t n = 0; n < length; ++n) w[n] = 0.54 - 0.46 * std::cos(kTwoPi * n / length);
    return w;
}

void WindowBlock(const std::int32_t* block, std::uint32_t channels, std::uint32_t channel,
                 const double* window, std::uint32_t count, double* re, double* im) {
    const std::size_t step = channels == 0 ? 1 : channels;
    const std::int32_t* x = block + channel;
    for (std::uint32_t n = 0; n < count; ++n) {
        re[n] = x[n * step] * window[n];
        im[n] = 0.0;
    }
}

}  // namespace sv
