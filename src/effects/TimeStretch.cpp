#include "effects/TimeStretch.h"

#include "effects/ExactTrig.h"
#include "effects/StretchKernels.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <sched.h>
#include <system_error>

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
// Room for the frames between the stages: eight of a stereo stretch at 44,100 Hz.
constexpr std::size_t kGrainBudget = std::size_t{2} << 20;

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

// The cores this process may run on (a taskset or cpuset may allow fewer than the machine has).
unsigned UsableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
    return std::thread::hardware_concurrency();
}

std::int32_t ClampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

Ref<LAudioReader> LTimeStretch::Create(Ref<LAudioReader> input, double factor, StretchThreads threads) {
    if (!input) input = MakeRef<LErrorReader>(kReaderCannotOpen);
    if (!(factor > 0.0) || factor == 1.0) return input;
    return Ref<LAudioReader>(new LTimeStretch(std::move(input), std::min(factor, kMaxFactor), threads));
}

LTimeStretch::LTimeStretch(Ref<LAudioReader> input, double factor, StretchThreads threads)
    : LFilter(std::move(input)) {
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
    // The channels go in pairs: an odd last channel has an empty partner.
    const std::size_t paired = (channels + 1u) & ~1u;
    analysis_.resize(channels);
    for (AnalysisChannel& c : analysis_) {
        c.lastRe.assign(half, 0.0);
        c.lastIm.assign(half, 0.0);
    }
    synthesis_.resize(channels);
    for (SynthesisChannel& c : synthesis_) {
        c.rate.assign(half, 0.0);
        c.theta.assign(half + kSpreadPadding, 0.0);
        c.cosine.assign(half + kSpreadPadding, 0.0);
        c.sine.assign(half + kSpreadPadding, 0.0);
        c.overlap.assign(size_, 0.0);
    }
    aRe_.assign(size_, 0.0);
    aIm_.assign(size_, 0.0);
    power_.assign(half, 0.0);
    sRe_.assign(size_, 0.0);
    sIm_.assign(size_, 0.0);
    turnBin_.assign(half, 0.0);
    turnRate_.assign(half, 0.0);
    lastTheta_.assign(half, 0.0);
    regionTheta_.assign(half, 0.0);
    regionCos_.assign(half, 0.0);
    regionSin_.assign(half, 0.0);
    threaded_ = threads == StretchThreads::Auto && UsableCores() >= 2;
    // Frames in flight take room in proportion to the channels: many channels or long frames
    // make do with fewer of them.
    const std::size_t grainBytes = paired * half * (5 * sizeof(double) + 2 * sizeof(std::uint32_t));
    grains_.resize(threaded_ ? std::clamp<std::size_t>(kGrainBudget / grainBytes, 2, kGrainsAhead) : 1);
    for (Grain& g : grains_) {
        g.channel.resize(paired);
        for (ChannelFrame& f : g.channel) {
            f.re.assign(half, 0.0);
            f.im.assign(half, 0.0);
            f.peaks.assign(half, 0);
            f.regionEnd.assign(half, 0);
            f.cr.assign(half, 0.0);
            f.ci.assign(half, 0.0);
            f.change.assign(half, 0.0);
        }
        g.out.assign(static_cast<std::size_t>(hop_) * channels, 0);
    }
    const std::int64_t perChannel = kMaxBufferSamples / std::max<std::uint8_t>(channels, 1);
    bufCapacity_ = std::max<std::int64_t>(std::min<std::int64_t>(kBufferSeconds * rate, perChannel),
                                          size_ + kMaxFramesPerCall);
    buffer_.assign(static_cast<std::size_t>(bufCapacity_) * channels, 0);
    Restart(0);
}

LTimeStretch::~LTimeStretch() {
    if (!worker_.joinable()) return;
    stop_.store(true);
    analysed_.Wake();
    worker_.join();
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
    // The worker finishes what it holds; its output is dropped.
    if (worker_.joinable()) synthesised_.WaitAbove(analysed_.Load() - 1, stop_);
    consumed_ = analysed_.Load();
    restartGrain_ = consumed_;
    position_ = outputPosition;
    const std::int64_t halfSize = size_ / 2;
    // The first frame whose output span reaches outputPosition.
    restartFrame_ = FloorDiv(outputPosition - halfSize, hop_) + 1;
    readyUsed_ = 0;
    bufStart_ = InputFrameFor(restartFrame_ * hop_) - halfSize;
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

// Analyses the next frame into g: both stages see a pair of channels as the real and the
// imaginary part of one transform, whose spectra separate by symmetry.
void LTimeStretch::Analyse(Grain& g) {
    const std::int64_t index = analysed_.Load();
    const std::int64_t frame = restartFrame_ + (index - restartGrain_);
    const std::int64_t halfSize = size_ / 2;
    const std::int64_t start = InputFrameFor(frame * hop_) - halfSize;
    EnsureInput(start);
    const std::int64_t hopIn = start - lastStart_;
    const std::int32_t* frames = buffer_.data() + (start - bufStart_) * channels;
    const std::uint32_t half = size_ / 2;
    g.first = index == restartGrain_;
    g.hopIn = hopIn;
    g.readyTime = frame * hop_ - halfSize;
    for (std::uint32_t ch = 0; ch < channels; ch += 2) {
        ChannelFrame& a = g.channel[ch];
        ChannelFrame& b = g.channel[ch + 1];
        const bool pair = ch + 1 < channels;
        if (pair) {
            WindowPair(frames, channels, ch, window_.data(), size_, aRe_.data(), aIm_.data());
        } else {
            WindowBlock(frames, channels, ch, window_.data(), size_, aRe_.data(), aIm_.data());
        }
        fft_->Analysis(aRe_.data(), aIm_.data());
        if (pair) {
            SplitPair(aRe_.data(), aIm_.data(), size_, a.re.data(), a.im.data(), b.re.data(), b.im.data());
        } else {
            std::copy(aRe_.begin(), aRe_.begin() + half, a.re.begin());
            std::copy(aIm_.begin(), aIm_.begin() + half, a.im.begin());
            std::fill(b.re.begin(), b.re.end(), 0.0);
            std::fill(b.im.begin(), b.im.end(), 0.0);
            b.count = 0;
        }
        AnalyseChannel(analysis_[ch], a, g.first);
        if (pair) AnalyseChannel(analysis_[ch + 1], b, g.first);
    }
    lastStart_ = start;
}

// Only the peaks of the magnitude spectrum move on by their own frequency; the bins around
// each peak turn with it and keep the phase offsets they had in the analysis. Bins moving
// independently drift apart and smear a steady tone (even a constant) into a weaker, phasey
// one. Each region's turn is an angle theta (output phase minus analysis phase), so only the
// peaks need an arctangent and a sine and cosine. This stage finds the peaks, their regions
// and their phase changes (a share of the arctangents); TurnChannel finds their frequencies
// and turns them.
void LTimeStretch::AnalyseChannel(AnalysisChannel& c, ChannelFrame& f, bool first) {
    const std::uint32_t half = size_ / 2;
    const double* xr = f.re.data();
    const double* xi = f.im.data();
    f.count = 0;
    if (first) {
        std::copy(xr, xr + half, c.lastRe.begin());
        std::copy(xi, xi + half, c.lastIm.begin());
        return;
    }
    double* pw = power_.data();
    SquaredMagnitudes(xr, xi, half, pw);
    // A peak stands above two bins on either side, the width of the window's main lobe, so
    // that noise does not split into a peak every other bin.
    const std::uint32_t count = FindSpectralPeaks(pw, half, f.peaks.data());
    // Without a peak nothing turns, and the next frame is measured against the one before.
    if (count == 0) return;
    f.count = count;
    const std::uint32_t* peaks = f.peaks.data();
    // Each region ends at the lowest bin before the next peak.
    RegionEnds(pw, peaks, count, f.regionEnd.data());
    f.regionEnd[count - 1] = half;

    // The constant part does not turn: a peak at bin 0 (only ever the first) keeps theta 0.
    const std::uint32_t skip = peaks[0] == 0 ? 1 : 0;
    const std::uint32_t n = count - skip;
    double* cr = f.cr.data();
    double* ci = f.ci.data();
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t p = peaks[skip + i];
        // Phase change of the peak since the last frame, from X * conj(last X).
        cr[i] = xr[p] * c.lastRe[p] + xi[p] * c.lastIm[p];
        ci[i] = xi[p] * c.lastRe[p] - xr[p] * c.lastIm[p];
    }
    f.split = threaded_ ? n * analysisShare_ / kShareSteps : n;
    double* change = f.change.data();
    Arctangents(ci, cr, f.split, change);
    std::copy(xr, xr + half, c.lastRe.begin());
    std::copy(xi, xi + half, c.lastIm.begin());
}

bool LTimeStretch::TurnChannel(SynthesisChannel& c, ChannelFrame& f, std::int64_t hopIn) {
    if (f.count == 0) return false;
    const std::uint32_t count = f.count;
    const std::uint32_t* peaks = f.peaks.data();
    const std::uint32_t skip = peaks[0] == 0 ? 1 : 0;
    const std::uint32_t n = count - skip;
    double* change = f.change.data();
    Arctangents(f.ci.data() + f.split, f.cr.data() + f.split, n - f.split, change + f.split);
    double* rate = turnRate_.data();
    // A frame taken at the same place as the last one tells nothing new about the frequency
    // (tiny factors); the last estimate carries on.
    if (hopIn > 0) {
        double* bin = turnBin_.data();
        for (std::uint32_t i = 0; i < n; ++i) bin[i] = peaks[skip + i];
        PeakRates(bin, change, n, static_cast<double>(hopIn), size_, rate);
        for (std::uint32_t i = 0; i < n; ++i) c.rate[peaks[skip + i]] = rate[i];
    } else {
        for (std::uint32_t i = 0; i < n; ++i) rate[i] = c.rate[peaks[skip + i]];
    }
    double* lastTheta = lastTheta_.data();
    double* theta = regionTheta_.data();
    for (std::uint32_t i = 0; i < n; ++i) lastTheta[i] = c.theta[peaks[skip + i]];
    if (skip) theta[0] = 0.0;
    PeakTurns(lastTheta, rate, change, n, hop_, theta + skip);
    double* cosine = regionCos_.data();
    double* sine = regionSin_.data();
    CosinesAndSines(theta, count, cosine, sine);
    // Each region's bins turn by its angle (when the pair is joined) and remember it.
    SpreadOverRegions(f.regionEnd.data(), count, cosine, sine, theta, c.cosine.data(), c.sine.data(), c.theta.data());
    return true;
}

// A channel's half spectrum with the turns TurnChannel worked out for it, if any.
TurnedHalf LTimeStretch::HalfOf(const ChannelFrame& f, const SynthesisChannel* turned) {
    if (!turned) return {f.re.data(), f.im.data(), nullptr, nullptr};
    return {f.re.data(), f.im.data(), turned->cosine.data(), turned->sine.data()};
}

void LTimeStretch::Synthesise(Grain& g) {
    const std::uint32_t half = size_ / 2;
    if (g.first) {
        for (SynthesisChannel& c : synthesis_) {
            for (std::uint32_t k = 0; k < half; ++k) c.rate[k] = -kTwoPi * k / size_;
            std::fill(c.theta.begin(), c.theta.end(), 0.0);
            std::fill(c.overlap.begin(), c.overlap.end(), 0.0);
        }
        overlapHead_ = 0;
    }
    for (std::uint32_t ch = 0; ch < channels; ch += 2) {
        const bool pair = ch + 1 < channels;
        ChannelFrame& a = g.channel[ch];
        ChannelFrame& b = g.channel[ch + 1];
        const bool turnA = TurnChannel(synthesis_[ch], a, g.hopIn);
        const bool turnB = pair && TurnChannel(synthesis_[ch + 1], b, g.hopIn);
        // Output = A + iB with A and B conjugate-symmetric; the Nyquist bin stays empty.
        TurnAndJoinPair(HalfOf(a, turnA ? &synthesis_[ch] : nullptr), HalfOf(b, turnB ? &synthesis_[ch + 1] : nullptr),
                        size_, sRe_.data(), sIm_.data());
        fft_->Synthesis(sRe_.data(), sIm_.data());
        OverlapAdd(synthesis_[ch], sRe_.data(), ch, g.out.data());
        if (pair) OverlapAdd(synthesis_[ch + 1], sIm_.data(), ch + 1, g.out.data());
    }
    overlapHead_ = (overlapHead_ + hop_) % size_;
}

// The sums run round a ring of N samples starting at overlapHead_, so finished samples leave
// without the others moving; each sample still takes its frames' terms in the same order.
void LTimeStretch::OverlapAdd(SynthesisChannel& c, const double* grain, std::uint32_t channel, std::int32_t* out) {
    double* ola = c.overlap.data();
    const std::uint32_t head = overlapHead_, tail = size_ - head;
    AddWindowed(ola + head, grain, window_.data(), outputScale_, tail);
    AddWindowed(ola, grain + tail, window_.data() + tail, outputScale_, head);
    double* done = ola + head;
    for (std::uint32_t n = 0; n < hop_; ++n) out[static_cast<std::size_t>(n) * channels + channel] = Saturate(done[n]);
    std::fill(done, done + hop_, 0.0);
}

void LTimeStretch::SynthesisLoop() {
    for (std::int64_t done = synthesised_.Load();; ++done) {
        if (analysed_.Load() <= done) synthesisWaits_.fetch_add(1, std::memory_order_relaxed);
        if (!analysed_.WaitAbove(done, stop_)) return;
        Synthesise(Slot(done));
        synthesised_.Publish(done + 1);
    }
}

// The reading thread keeps every free slot analysed, so the worker always has a frame to
// synthesise while this thread analyses the next.
const LTimeStretch::Grain& LTimeStretch::NextGrain() {
    if (!threaded_) {
        Grain& g = Slot(consumed_);
        if (analysed_.Load() == consumed_) {
            Analyse(g);
            analysed_.Publish(consumed_ + 1);
            Synthesise(g);
            synthesised_.Publish(consumed_ + 1);
        }
        return g;
    }
    if (!worker_.joinable()) {
        // Nothing is in flight yet, so a system out of threads simply gets the inline stretch.
        try {
            worker_ = std::thread([this] { SynthesisLoop(); });
        } catch (const std::system_error&) {
            threaded_ = false;
            return NextGrain();
        }
    }
    for (std::int64_t next = analysed_.Load(); next < consumed_ + static_cast<std::int64_t>(grains_.size()); ++next) {
        if (synthesisWaits_.exchange(0, std::memory_order_relaxed) > 0 && analysisShare_ > 0) --analysisShare_;
        Analyse(Slot(next));
        analysed_.Publish(next + 1);
    }
    if (synthesised_.Load() <= consumed_ && analysisShare_ < kShareSteps) ++analysisShare_;
    synthesised_.WaitAbove(consumed_, stop_);
    return Slot(consumed_);
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
        const Grain& g = NextGrain();
        const std::int64_t at = g.readyTime + readyUsed_;
        std::uint32_t n;
        if (at < position_) {
            n = static_cast<std::uint32_t>(std::min<std::int64_t>(hop_ - readyUsed_, position_ - at));
        } else {
            n = static_cast<std::uint32_t>(std::min<std::int64_t>(frames - done, hop_ - readyUsed_));
            std::memcpy(dst + static_cast<std::size_t>(done) * ch, g.out.data() + static_cast<std::size_t>(readyUsed_) * ch,
                        sizeof(std::int32_t) * static_cast<std::size_t>(n) * ch);
            done += static_cast<std::int32_t>(n);
            position_ += n;
        }
        readyUsed_ += n;
        if (readyUsed_ == hop_) {
            readyUsed_ = 0;
            ++consumed_;
        }
    }
}

}  // namespace sv
