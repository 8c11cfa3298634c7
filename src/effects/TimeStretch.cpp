#include "effects/TimeStretch.h"

#include "effects/StretchKernels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace sv {

namespace {

__extension__ typedef __int128 Wide;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr std::int64_t kMillion = 1000000;
// The input buffer holds five seconds, capped (4 Mi samples) so that a strange rate or
// channel count cannot ask for gigabytes; it never holds less than a frame and a read.
constexpr std::int64_t kBufferSeconds = 5;
constexpr std::int64_t kMaxBufferSamples = std::int64_t{1} << 22;

std::int64_t FloorDiv(Wide a, Wide b) {
    Wide q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return static_cast<std::int64_t>(q);
}

std::int32_t Saturate(double v) {
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(std::lrint(v));
}

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Ref<LAudioReader> LTimeStretch::Create(Ref<LAudioReader> input, double factor) {
    if (!input) input = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (!(factor > 0.0) || factor == 1.0) return input;
    return Ref<LAudioReader>(new LTimeStretch(std::move(input), std::min(factor, kMaxFactor)));
}

LTimeStretch::LTimeStretch(Ref<LAudioReader> input, double factor) : LFilter(std::move(input)) {
    const std::int32_t rate = sampleRate > 0 ? sampleRate : 44100;
    const std::uint32_t order = std::min(SpectralTransform::OrderForLength(rate / 16), kMaxOrder);
    fft_ = std::make_unique<SpectralTransform>(order);
    size_ = fft_->Size();
    hop_ = std::max<std::uint32_t>(1, size_ / 16);
    advance_ = std::max<std::int64_t>(1, std::llround(factor * hop_ * kMillion));
    window_ = HammingWindow(size_);
    double energy = 0.0;
    for (double w : window_) energy += w * w;
    // Analysis and synthesis windows overlapping every hop_ frames sum to energy / hop_.
    outputScale_ = hop_ / energy;

    const std::size_t half = size_ / 2;
    state_.resize(channels);
    for (Channel& c : state_) {
        c.power.assign(half, 0.0);
        c.lastRe.assign(half, 0.0);
        c.lastIm.assign(half, 0.0);
        c.theta.assign(half, 0.0);
        c.rate.assign(half, 0.0);
        c.overlap.assign(size_, 0.0);
    }
    re_.assign(size_, 0.0);
    im_.assign(size_, 0.0);
    for (auto* v : {&aRe_, &aIm_, &bRe_, &bIm_, &binCos_, &binSin_, &peakBin_, &peakChange_, &peakRate_,
                    &peakLastTheta_, &peakTurn_})
        v->assign(half, 0.0);
    peaks_.assign(half, 0);
    regionEnd_.assign(half, 0);
    const std::int64_t perChannel = kMaxBufferSamples / std::max<std::uint8_t>(channels, 1);
    bufCapacity_ = std::max<std::int64_t>(std::min<std::int64_t>(kBufferSeconds * rate, perChannel),
                                          size_ + kMaxFramesPerCall);
    buffer_.assign(static_cast<std::size_t>(bufCapacity_) * channels, 0);
    ready_.assign(static_cast<std::size_t>(hop_) * channels, 0);
    Restart(0);
}

std::int64_t LTimeStretch::InputFrameFor(std::int64_t outputFrame) const {
    return FloorDiv(static_cast<Wide>(outputFrame) * advance_, static_cast<Wide>(hop_) * kMillion);
}

std::int64_t LTimeStretch::OutputFrameFor(std::int64_t inputFrame) const {
    const Wide num = static_cast<Wide>(inputFrame) * hop_ * kMillion;
    return -FloorDiv(-num, advance_);
}

std::int32_t LTimeStretch::Position() const { return ClampToInt32(position_); }

std::int32_t LTimeStretch::Length() const {
    return ClampToInt32(OutputFrameFor(std::max<std::int32_t>(0, input_->Length())));
}

void LTimeStretch::Seek(std::int32_t position) { Restart(position); }

void LTimeStretch::Restart(std::int64_t outputPosition) {
    position_ = outputPosition;
    const std::int64_t halfSize = size_ / 2;
    // The first frame whose output span reaches outputPosition.
    grain_ = FloorDiv(outputPosition - halfSize, hop_) + 1;
    firstGrain_ = true;
    for (Channel& c : state_) std::fill(c.overlap.begin(), c.overlap.end(), 0.0);
    readyUsed_ = hop_;
    bufStart_ = InputFrameFor(grain_ * hop_) - halfSize;
    bufFrames_ = 0;
    inputNext_ = bufStart_;
    input_->Seek(ClampToInt32(bufStart_));
}

void LTimeStretch::EnsureInput(std::int64_t start) {
    const std::int64_t end = bufStart_ + bufFrames_;
    if (start >= end) {
        bufStart_ = start;
        bufFrames_ = 0;
        if (inputNext_ != start) {
            input_->Seek(ClampToInt32(start));
            inputNext_ = start;
        }
    } else if (start + size_ > end && start > bufStart_) {
        const std::int64_t drop = start - bufStart_;
        std::memmove(buffer_.data(), buffer_.data() + drop * channels,
                     sizeof(std::int32_t) * static_cast<std::size_t>((bufFrames_ - drop) * channels));
        bufStart_ = start;
        bufFrames_ -= drop;
    }
    while (bufStart_ + bufFrames_ < start + size_) {
        const std::int32_t n = static_cast<std::int32_t>(
            std::min<std::int64_t>(kMaxFramesPerCall, bufCapacity_ - bufFrames_));
        input_->Read(buffer_.data() + bufFrames_ * channels, n);
        bufFrames_ += n;
        inputNext_ += n;
    }
}

// Only the peaks of the magnitude spectrum move on by their own frequency; the bins around
// each peak turn with it and keep the phase offsets they had in the analysis. Bins moving
// independently drift apart and smear a steady tone (even a constant) into a weaker, phasey
// one. Each region's turn is an angle theta (output phase minus analysis phase), so only the
// peaks need an arctangent and a sine and cosine.
void LTimeStretch::ProcessSpectrum(Channel& c, double* xr, double* xi, std::int64_t hopIn) {
    const std::uint32_t half = size_ / 2;
    if (firstGrain_) {
        std::copy(xr, xr + half, c.lastRe.begin());
        std::copy(xi, xi + half, c.lastIm.begin());
        std::fill(c.theta.begin(), c.theta.end(), 0.0);
        for (std::uint32_t k = 0; k < half; ++k) c.rate[k] = -kTwoPi * k / size_;
        return;
    }
    for (std::uint32_t k = 0; k < half; ++k) c.power[k] = xr[k] * xr[k] + xi[k] * xi[k];
    // A peak stands above two bins on either side, the width of the window's main lobe, so
    // that noise does not split into a peak every other bin.
    const std::uint32_t count = FindSpectralPeaks(c.power.data(), half, peaks_.data());
    if (count == 0) return;
    const std::uint32_t* peaks = peaks_.data();
    const double* pw = c.power.data();
    // Each region ends at the lowest bin before the next peak.
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        std::uint32_t to = peaks[i] + 1;
        for (std::uint32_t k = peaks[i] + 1; k < peaks[i + 1]; ++k)
            if (pw[k] < pw[to]) to = k;
        regionEnd_[i] = to;
    }
    regionEnd_[count - 1] = half;

    // The constant part does not turn: a peak at bin 0 (only ever the first) keeps theta 0.
    const std::uint32_t first = peaks[0] == 0 ? 1 : 0;
    const std::uint32_t n = count - first;
    double* bin = peakBin_.data();
    double* change = peakChange_.data();
    double* rate = peakRate_.data();
    double* lastTheta = peakLastTheta_.data();
    double* turn = peakTurn_.data();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t p = peaks[first + i];
        bin[i] = p;
        // Phase change of the peak since the last frame, from X * conj(last X).
        const double cr = xr[p] * c.lastRe[p] + xi[p] * c.lastIm[p];
        const double ci = xi[p] * c.lastRe[p] - xr[p] * c.lastIm[p];
        change[i] = std::atan2(ci, cr);
        lastTheta[i] = c.theta[p];
    }
    // A frame taken at the same place as the last one tells nothing new about the frequency
    // (tiny factors); the last estimate carries on.
    if (hopIn > 0) {
        PeakRates(bin, change, n, static_cast<double>(hopIn), size_, rate);
        for (std::uint32_t i = 0; i < n; ++i) c.rate[peaks[first + i]] = rate[i];
    } else {
        for (std::uint32_t i = 0; i < n; ++i) rate[i] = c.rate[peaks[first + i]];
    }
    PeakTurns(lastTheta, rate, change, n, hop_, turn);

    double* cs = binCos_.data();
    double* sn = binSin_.data();
    std::uint32_t from = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const double theta = i < first ? 0.0 : turn[i - first];
        const double cosine = std::cos(theta), sine = std::sin(theta);
        const std::uint32_t to = regionEnd_[i];
        for (std::uint32_t k = from; k < to; ++k) {
            cs[k] = cosine;
            sn[k] = sine;
            c.theta[k] = theta;
        }
        from = to;
    }
    TurnBins(xr, xi, cs, sn, half, c.lastRe.data(), c.lastIm.data());
}

void LTimeStretch::OverlapAdd(Channel& c, const double* grain, std::uint32_t channel) {
    double* ola = c.overlap.data();
    AddWindowed(ola, grain, window_.data(), outputScale_, size_);
    for (std::uint32_t n = 0; n < hop_; ++n) ready_[static_cast<std::size_t>(n) * channels + channel] = Saturate(ola[n]);
    std::memmove(ola, ola + hop_, sizeof(double) * (size_ - hop_));
    std::fill(ola + (size_ - hop_), ola + size_, 0.0);
}

// Channels go through the transforms two at a time, one as the real and one as the imaginary
// part: the spectra of two real signals separate by symmetry, and the output spectra, both
// conjugate-symmetric, combine back the same way.
void LTimeStretch::MakeGrain() {
    const std::int64_t halfSize = size_ / 2;
    const std::int64_t start = InputFrameFor(grain_ * hop_) - halfSize;
    EnsureInput(start);
    const std::int64_t hopIn = start - lastStart_;
    const std::int32_t* frames = buffer_.data() + (start - bufStart_) * channels;
    const std::uint32_t half = size_ / 2;

    for (std::uint32_t ch = 0; ch < channels; ch += 2) {
        const bool pair = ch + 1 < channels;
        if (pair) {
            WindowPair(frames, channels, ch, window_.data(), size_, re_.data(), im_.data());
        } else {
            WindowBlock(frames, channels, ch, window_.data(), size_, re_.data(), im_.data());
        }
        fft_->Analysis(re_.data(), im_.data());
        if (pair) {
            SplitPair(re_.data(), im_.data(), size_, aRe_.data(), aIm_.data(), bRe_.data(), bIm_.data());
        } else {
            std::copy(re_.begin(), re_.begin() + half, aRe_.begin());
            std::copy(im_.begin(), im_.begin() + half, aIm_.begin());
        }
        ProcessSpectrum(state_[ch], aRe_.data(), aIm_.data(), hopIn);
        if (pair) {
            ProcessSpectrum(state_[ch + 1], bRe_.data(), bIm_.data(), hopIn);
        } else {
            std::fill(bRe_.begin(), bRe_.end(), 0.0);
            std::fill(bIm_.begin(), bIm_.end(), 0.0);
        }
        // Output = A + iB with A and B conjugate-symmetric; the Nyquist bin stays empty.
        re_[0] = aRe_[0] - bIm_[0];
        im_[0] = aIm_[0] + bRe_[0];
        re_[half] = 0.0;
        im_[half] = 0.0;
        JoinPair(aRe_.data(), aIm_.data(), bRe_.data(), bIm_.data(), size_, re_.data(), im_.data());
        fft_->Synthesis(re_.data(), im_.data());
        OverlapAdd(state_[ch], re_.data(), ch);
        if (pair) OverlapAdd(state_[ch + 1], im_.data(), ch + 1);
    }
    readyTime_ = grain_ * hop_ - halfSize;
    readyUsed_ = 0;
    lastStart_ = start;
    firstGrain_ = false;
    ++grain_;
}

void LTimeStretch::Read(std::int32_t* dst, std::int32_t frames) {
    if (frames <= 0) return;
    const std::size_t ch = channels;
    if (errorCode != kReaderOk) {
        std::memset(dst, 0, sizeof(std::int32_t) * static_cast<std::size_t>(frames) * ch);
        position_ += frames;
        return;
    }
    std::int32_t done = 0;
    while (done < frames) {
        if (readyUsed_ >= hop_) {
            MakeGrain();
            continue;
        }
        const std::int64_t at = readyTime_ + readyUsed_;
        if (at < position_) {
            readyUsed_ += static_cast<std::uint32_t>(std::min<std::int64_t>(hop_ - readyUsed_, position_ - at));
            continue;
        }
        const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(frames - done, hop_ - readyUsed_));
        std::memcpy(dst + static_cast<std::size_t>(done) * ch, ready_.data() + static_cast<std::size_t>(readyUsed_) * ch,
                    sizeof(std::int32_t) * static_cast<std::size_t>(n) * ch);
        readyUsed_ += static_cast<std::uint32_t>(n);
        done += n;
        position_ += n;
    }
}

}  // namespace sv
