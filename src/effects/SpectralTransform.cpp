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
        if (r > i) swaps_.emplace_back(i, r);
    }
    if (order_ >= 4) {
        const std::uint32_t middle = order_ - 4;
        for (std::uint32_t b = 0; b < (1u << middle); ++b) {
            std::uint32_t r = 0;
            for (std::uint32_t k = 0; k < middle; ++k) r |= ((b >> k) & 1u) << (middle - 1 - k);
            if (b <= r) tilePairs_.emplace_back(b, r);
        }
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

void SpectralTransform::Butterflies(double* re, double* im, bool negateSine, double scale) const {
    RunSpectralPasses({re, im, size_, order_, passTwiddles_.data(), negateSine, scale});
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
    Butterflies(re, im, false, 1.0 / size_);
    Reorder(re, im);
}

void SpectralTransform::Synthesis(double* re, double* im) const {
    Butterflies(re, im, true, 1.0);
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
