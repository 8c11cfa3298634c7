#include "effects/SpectralTransform.h"

#include "effects/SpectralPasses.h"

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

SpectralTransform::SpectralTransform(std::uint32_t order) : SpectralTransform(order, WithoutHalf{}) {
    if (order_ >= 2) half_.reset(new SpectralTransform(order_ - 1, WithoutHalf{}));
}

SpectralTransform::SpectralTransform(std::uint32_t order, WithoutHalf)
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
        if (r > i) swaps_.emplace_back(i, r);
    }
    // The middle bits of a tile's points, paired with their reversal.
    auto pairMiddles = [](std::uint32_t middle, std::vector<std::pair<std::uint32_t, std::uint32_t>>& pairs) {
        for (std::uint32_t b = 0; b < (1u << middle); ++b) {
            std::uint32_t r = 0;
            for (std::uint32_t k = 0; k < middle; ++k) r |= ((b >> k) & 1u) << (middle - 1 - k);
            if (b <= r) pairs.emplace_back(b, r);
        }
    };
    if (order_ >= 4) pairMiddles(order_ - 4, tilePairs_);
    if (order_ >= 6) pairMiddles(order_ - 6, widePairs_);
    // The radix-4 passes read their twiddles in order of use, so the loops run in vector lanes.
    for (std::uint32_t q = size_ / 4, stages = order_; stages >= 2; q /= 4, stages -= 2) {
        const std::size_t stride = size_ / (4 * q);
        for (std::uint32_t m = 1; m <= 3; ++m) {
            for (std::uint32_t k = 0; k < q; ++k) passTwiddles_.push_back(cos_[m * k * stride]);
            for (std::uint32_t k = 0; k < q; ++k) passTwiddles_.push_back(sin_[m * k * stride]);
        }
    }
    // And again in groups of eight k for the widest lanes (see SpectralPassPlan).
    laneTwiddles_ = passTwiddles_;
    std::size_t offset = 0;
    for (std::uint32_t q = size_ / 4, stages = order_; stages >= 2; q /= 4, stages -= 2) {
        if (q % 8 == 0) {
            double* lanes = laneTwiddles_.data() + offset;
            for (std::uint32_t k = 0; k < q; k += 8) {
                for (std::uint32_t row = 0; row < 6; ++row) {
                    for (std::uint32_t lane = 0; lane < 8; ++lane)
                        *lanes++ = passTwiddles_[offset + row * q + k + lane];
                }
            }
        }
        offset += 6 * static_cast<std::size_t>(q);
    }
}

void SpectralTransform::Transform(double* re, double* im, bool negateSine, double scale) const {
    if (!RunSpectralPasses({re, im, size_, order_, passTwiddles_.data(), negateSine, scale, &tilePairs_,
                            order_ >= 6 ? &widePairs_ : nullptr, laneTwiddles_.data()}))
        Reorder(re, im);
}

void SpectralTransform::Reorder(double* re, double* im) const {
    if (ReverseBitsInTiles(re, im, order_, tilePairs_)) return;
    for (const auto& [i, j] : swaps_) {
        std::swap(re[i], re[j]);
        std::swap(im[i], im[j]);
    }
}

// The 1/N of the analysis is a power of two, exact wherever it is applied: the last pass
// applies it while it holds the values.
void SpectralTransform::Analysis(double* re, double* im) const {
    Transform(re, im, false, 1.0 / size_);
}

void SpectralTransform::Synthesis(double* re, double* im) const {
    Transform(re, im, true, 1.0);
}

// The N real samples as N/2 complex ones z[m] = x[2m] + i x[2m+1]; with Z the half-size
// analysis of z (scaled by 2/N) and j = N/2 - k, X[k] = (E + w^k O) / 4, where
// E = Z[k] + conj(Z[j]), O = (Z[k] - conj(Z[j])) / i and w = e^(2 pi i / N).
void SpectralTransform::RealAnalysis(const double* x, double* re, double* im) const {
    const std::uint32_t h = size_ / 2;
    if (!half_) {
        re[0] = (x[0] + x[1]) * 0.5;
        re[1] = (x[0] - x[1]) * 0.5;
        im[0] = im[1] = 0.0;
        return;
    }
    for (std::uint32_t m = 0; m < h; ++m) {
        re[m] = x[2 * m];
        im[m] = x[2 * m + 1];
    }
    half_->Analysis(re, im);
    const double a0 = re[0], b0 = im[0];
    re[0] = 0.5 * (a0 + b0);
    re[h] = 0.5 * (a0 - b0);
    im[0] = im[h] = 0.0;
    for (std::uint32_t k = 1; k <= h / 2; ++k) {
        const std::uint32_t j = h - k;
        const double a = re[k], b = im[k], c = re[j], d = im[j];
        const double er = a + c, ei = b - d;  // E[k]; E[j] is its conjugate
        const double or_ = b + d, oi = c - a;  // O[k]; O[j] is its conjugate
        const double cw = cos_[k], sw = sin_[k];
        const double tr = or_ * cw - oi * sw, ti = or_ * sw + oi * cw;  // w^k O[k]
        re[k] = 0.25 * (er + tr);
        im[k] = 0.25 * (ei + ti);
        // w^j conj(O[k]) = -conj(w^k O[k]), since w^j = -conj(w^k).
        if (j == k) break;
        re[j] = 0.25 * (er - tr);
        im[j] = 0.25 * (ti - ei);
    }
}

// The inverse of the split: Z[k] = E + i O with E = X[k] + conj(X[j]) and
// O = (X[k] - conj(X[j])) w^-k, whose half-size synthesis gives x[2m] + i x[2m+1].
void SpectralTransform::RealSynthesis(const double* re, const double* im, double* x) const {
    const std::uint32_t h = size_ / 2;
    if (!half_) {
        x[0] = re[0] + re[1];
        x[1] = re[0] - re[1];
        return;
    }
    thread_local std::vector<double> scratch;
    scratch.resize(size_);
    double* zr = scratch.data();
    double* zi = zr + h;
    for (std::uint32_t k = 0; k < h; ++k) {
        const std::uint32_t j = h - k;
        const double a = re[k], b = k == 0 ? 0.0 : im[k], c = re[j], d = k == 0 ? 0.0 : im[j];
        const double er = a + c, ei = b - d;
        const double dr = a - c, di = b + d;
        const double cw = cos_[k], sw = sin_[k];
        const double or_ = dr * cw + di * sw, oi = di * cw - dr * sw;
        zr[k] = er - oi;
        zi[k] = ei + or_;
    }
    half_->Synthesis(zr, zi);
    for (std::uint32_t m = 0; m < h; ++m) {
        x[2 * m] = zr[m];
        x[2 * m + 1] = zi[m];
    }
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
