#include "effects/NoiseSpectra.h"

#include "core/ProgressTask.h"

#include <algorithm>
#include <cmath>

namespace sv {

std::uint32_t NoiseOrder(std::int32_t rate) {
    return std::clamp<std::uint32_t>(SpectralTransform::OrderForLength((rate > 0 ? rate : 44100) / 32), 6, 14);
}

NoiseSpectra::NoiseSpectra(std::uint32_t order) : fft_(order) {
    const std::uint32_t n = fft_.Size();
    window_.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) window_[i] = 0.5 - 0.5 * std::cos(2 * M_PI * i / n);
    re_.resize(n);
    im_.resize(n);
}

void NoiseSpectra::Analyse(const double* a, const double* b) {
    const std::uint32_t n = Size();
    for (std::uint32_t i = 0; i < n; ++i) {
        re_[i] = a[i] * window_[i];
        im_[i] = b ? b[i] * window_[i] : 0.0;
    }
    fft_.Analysis(re_.data(), im_.data());
}

void NoiseSpectra::Powers(double* powerA, double* powerB) const {
    const std::uint32_t n = Size();
    for (std::uint32_t k = 0; k < Bins(); ++k) {
        const std::uint32_t m = (n - k) & (n - 1);
        const double xr = re_[k], xi = im_[k], mr = re_[m], mi = im_[m];
        const double ar = 0.5 * (xr + mr), ai = 0.5 * (xi - mi);
        const double br = 0.5 * (xi + mi), bi = -0.5 * (xr - mr);
        powerA[k] = ar * ar + ai * ai;
        if (powerB) powerB[k] = br * br + bi * bi;
    }
}

void NoiseSpectra::Synthesise(const double* gainA, const double* gainB, double* outA, double* outB) {
    const std::uint32_t n = Size();
    for (std::uint32_t k = 0; k <= n / 2; ++k) {
        const std::uint32_t m = (n - k) & (n - 1);
        const double xr = re_[k], xi = im_[k], mr = re_[m], mi = im_[m];
        const double ga = gainA[k], gb = gainB ? gainB[k] : 0.0;
        const double ar = 0.5 * (xr + mr) * ga, ai = 0.5 * (xi - mi) * ga;
        const double br = 0.5 * (xi + mi) * gb, bi = -0.5 * (xr - mr) * gb;
        re_[k] = ar - bi;
        im_[k] = ai + br;
        re_[m] = ar + bi;
        im_[m] = br - ai;
    }
    fft_.Synthesis(re_.data(), im_.data());
    for (std::uint32_t i = 0; i < n; ++i) {
        if (outA) outA[i] = re_[i] * window_[i];
        if (outB) outB[i] = im_[i] * window_[i];
    }
}

bool ForEachPowerFrame(LAudioReader& reader, std::int32_t start, std::int32_t frames, std::uint32_t order,
                       std::uint32_t hop, LProgressTask* task, double progressFrom, double progressTo,
                       const std::function<void(int channel, const double* power)>& visit) {
    NoiseSpectra spectra(order);
    const std::uint32_t n = spectra.Size();
    const int ch = reader.channels;
    hop = std::clamp<std::uint32_t>(hop, 1, n);
    std::vector<std::vector<double>> frame(static_cast<std::size_t>(ch), std::vector<double>(n, 0.0));
    std::vector<std::int32_t> block(static_cast<std::size_t>(hop) * ch);
    std::vector<double> pa(spectra.Bins()), pb(spectra.Bins());
    reader.Seek(start);
    // The first frame is whole; later ones move on by hop. A stretch shorter than one frame
    // is analysed once, padded with silence.
    std::int64_t filled = 0;
    const std::int64_t total = std::max<std::int64_t>(frames, 1);
    for (std::int64_t at = 0; at < total || filled < n;) {
        const std::uint32_t want = filled < n ? static_cast<std::uint32_t>(std::min<std::int64_t>(hop, n - filled)) : hop;
        const auto take = static_cast<std::int32_t>(std::clamp<std::int64_t>(total - at, 0, want));
        if (take > 0) reader.Read(block.data(), take);
        std::fill(block.begin() + static_cast<std::ptrdiff_t>(take) * ch, block.end(), 0);
        for (int c = 0; c < ch; ++c) {
            std::vector<double>& f = frame[static_cast<std::size_t>(c)];
            std::move(f.begin() + want, f.end(), f.begin());
            for (std::uint32_t i = 0; i < want; ++i) f[n - want + i] = block[static_cast<std::size_t>(i) * ch + c];
        }
        at += want;
        filled += want;
        if (filled < n) continue;
        for (int c = 0; c < ch; c += 2) {
            const bool pair = c + 1 < ch;
            spectra.Analyse(frame[static_cast<std::size_t>(c)].data(), pair ? frame[static_cast<std::size_t>(c) + 1].data() : nullptr);
            spectra.Powers(pa.data(), pair ? pb.data() : nullptr);
            visit(c, pa.data());
            if (pair) visit(c + 1, pb.data());
        }
        if (at >= total) break;
        if (task) {
            task->SetProgress(progressFrom + (progressTo - progressFrom) * static_cast<double>(at) / total);
            if (task->Pump()) return false;
        }
    }
    return true;
}

}  // namespace sv
