#include "effects/NoiseReduction.h"

#include "effects/RoundSample.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace sv {

namespace {

// Hann squared, overlapped four times, sums to 1.5.
constexpr double kOverlapGain = 1.0 / 1.5;

// After 24 hops the smoothed power owes less than 10^-7 of itself to where it started.
constexpr std::int64_t kRunInHops = 24;

constexpr double kHistogramLowDb = -60.0;
constexpr double kHistogramStepDb = 0.5;
constexpr int kHistogramBuckets = 440;

std::shared_ptr<NoisePrint> EmptyPrint(const LAudioReader& reader) {
    auto print = std::make_shared<NoisePrint>();
    print->rate = reader.sampleRate;
    print->channels = reader.channels;
    print->order = NoiseOrder(reader.sampleRate);
    print->power.assign(static_cast<std::size_t>(print->Bins()) * reader.channels, 0.0);
    return print;
}

}  // namespace

LNoiseReductionFilter::LNoiseReductionFilter(Ref<LAudioReader> input, std::shared_ptr<const NoisePrint> print,
                                             const NoiseReductionSettings& s)
    : LFilter(std::move(input)), print_(std::move(print)), s_(s), spectra_(print_->order),
      n_(spectra_.Size()), hop_(spectra_.Size() / 4), floor_(std::pow(10.0, s.floorDb / 20)) {
    const std::size_t ch = channels;
    frame_.assign(ch, std::vector<double>(n_, 0.0));
    acc_.assign(ch, std::vector<double>(n_, 0.0));
    smoothed_.assign(ch, std::vector<double>(spectra_.Bins(), 0.0));
    for (int i = 0; i < 2; ++i) {
        power_[i].assign(spectra_.Bins(), 0.0);
        gain_[i].assign(spectra_.Bins(), 0.0);
        out_[i].assign(n_, 0.0);
    }
    raw_.assign(spectra_.Bins(), 0.0);
    block_.assign(static_cast<std::size_t>(hop_) * ch, 0);
    ready_.assign(static_cast<std::size_t>(hop_) * ch, 0);
    if (input_) position_ = input_->Position();
}

void LNoiseReductionFilter::Seek(std::int32_t position) {
    position_ = position;
    started_ = false;
}

void LNoiseReductionFilter::Restart() {
    started_ = true;
    for (auto& f : frame_) std::fill(f.begin(), f.end(), 0.0);
    for (auto& a : acc_) std::fill(a.begin(), a.end(), 0.0);
    for (auto& sm : smoothed_) std::fill(sm.begin(), sm.end(), -1.0);
    // Frames sit on a grid of hops counted from frame 0, and the smoothing across time is
    // run in over earlier frames first, so a stretch comes out the same whether it is read
    // from the start or after a seek. The frames that overlap the first output frame reach
    // back N samples.
    const std::int64_t hop = hop_;
    const std::int64_t early = std::int64_t{position_} - n_ - kRunInHops * hop;
    const std::int64_t start = (early >= 0 ? early / hop : -((-early + hop - 1) / hop)) * hop;
    zeros_ = start < 0 ? static_cast<std::int32_t>(-start) : 0;
    input_->Seek(static_cast<std::int32_t>(std::max<std::int64_t>(start, 0)));
    fed_ = static_cast<std::int32_t>(start);
    readyAt_ = readyFrames_ = 0;
}

void LNoiseReductionFilter::Gains(int channel, const double* power, double* gain) {
    const double* noise = print_->Channel(channel);
    std::vector<double>& sm = smoothed_[static_cast<std::size_t>(channel)];
    const std::uint32_t bins = spectra_.Bins();
    const double a = s_.overSubtraction, f2 = floor_ * floor_, w = s_.timeSmoothing;
    for (std::uint32_t k = 0; k < bins; ++k) {
        const double p = sm[k] < 0 ? power[k] : w * sm[k] + (1 - w) * power[k];
        sm[k] = p;
        raw_[k] = p > 0 ? std::sqrt(std::clamp(1 - a * noise[k] / p, f2, 1.0)) : floor_;
    }
    gain[0] = 0.75 * raw_[0] + 0.25 * raw_[1];
    for (std::uint32_t k = 1; k + 1 < bins; ++k) gain[k] = 0.25 * raw_[k - 1] + 0.5 * raw_[k] + 0.25 * raw_[k + 1];
    gain[bins - 1] = 0.75 * raw_[bins - 1] + 0.25 * raw_[bins - 2];
}

void LNoiseReductionFilter::Step() {
    const int ch = channels;
    const std::int32_t hop = static_cast<std::int32_t>(hop_);
    const std::int32_t silent = std::min(zeros_, hop);
    std::fill(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(silent) * ch, 0);
    if (silent < hop) input_->Read(block_.data() + static_cast<std::size_t>(silent) * ch, hop - silent);
    zeros_ -= silent;
    fed_ += hop;
    for (int c = 0; c < ch; ++c) {
        std::vector<double>& f = frame_[static_cast<std::size_t>(c)];
        std::move(f.begin() + hop, f.end(), f.begin());
        for (std::int32_t i = 0; i < hop; ++i) f[n_ - hop_ + static_cast<std::uint32_t>(i)] = block_[static_cast<std::size_t>(i) * ch + c];
    }
    for (int c = 0; c < ch; c += 2) {
        const bool pair = c + 1 < ch;
        spectra_.Analyse(frame_[static_cast<std::size_t>(c)].data(), pair ? frame_[static_cast<std::size_t>(c) + 1].data() : nullptr);
        spectra_.Powers(power_[0].data(), pair ? power_[1].data() : nullptr);
        Gains(c, power_[0].data(), gain_[0].data());
        if (pair) Gains(c + 1, power_[1].data(), gain_[1].data());
        spectra_.Synthesise(gain_[0].data(), pair ? gain_[1].data() : nullptr, out_[0].data(), pair ? out_[1].data() : nullptr);
        for (int p = 0; p < (pair ? 2 : 1); ++p) {
            std::vector<double>& acc = acc_[static_cast<std::size_t>(c + p)];
            const std::vector<double>& o = out_[p];
            for (std::uint32_t i = 0; i < n_; ++i) acc[i] += o[i] * kOverlapGain;
        }
    }
    for (int c = 0; c < ch; ++c) {
        std::vector<double>& acc = acc_[static_cast<std::size_t>(c)];
        for (std::int32_t i = 0; i < hop; ++i) ready_[static_cast<std::size_t>(i) * ch + c] = RoundToSample(acc[static_cast<std::size_t>(i)]);
        std::move(acc.begin() + hop, acc.end(), acc.begin());
        std::fill(acc.end() - hop, acc.end(), 0.0);
    }
    readyPosition_ = fed_ - static_cast<std::int32_t>(n_);
    readyAt_ = 0;
    readyFrames_ = hop;
}

void LNoiseReductionFilter::Read(std::int32_t* dst, std::int32_t frames) {
    if (!input_ || channels == 0) return;
    if (!started_) Restart();
    const std::size_t ch = channels;
    while (frames > 0) {
        if (readyAt_ >= readyFrames_) Step();
        const std::int32_t behind = position_ - (readyPosition_ + readyAt_);
        if (behind > 0) {
            readyAt_ = std::min(readyFrames_, readyAt_ + behind);
            continue;
        }
        const std::int32_t n = std::min(frames, readyFrames_ - readyAt_);
        std::copy_n(ready_.data() + static_cast<std::size_t>(readyAt_) * ch, static_cast<std::size_t>(n) * ch, dst);
        readyAt_ += n;
        position_ += n;
        dst += static_cast<std::size_t>(n) * ch;
        frames -= n;
    }
}

Ref<LAudioReader> LNoiseReductionEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input || input->errorCode != kReaderOk || !print_ || !PrintFits(*print_, input->sampleRate, input->channels))
        return input;
    return MakeRef<LNoiseReductionFilter>(input, print_);
}

std::shared_ptr<NoisePrint> CaptureNoisePrint(LAudioReader& reader, std::int32_t start, std::int32_t frames,
                                              LProgressTask* task, double from, double to) {
    std::shared_ptr<NoisePrint> print = EmptyPrint(reader);
    const std::uint32_t bins = print->Bins();
    std::vector<std::int64_t> count(reader.channels, 0);
    const bool done = ForEachPowerFrame(reader, start, frames, print->order, (1u << print->order) / 4, task, from, to,
                                        [&](int c, const double* power) {
                                            double* sum = print->power.data() + static_cast<std::size_t>(c) * bins;
                                            for (std::uint32_t k = 0; k < bins; ++k) sum[k] += power[k];
                                            ++count[static_cast<std::size_t>(c)];
                                        });
    if (!done) return nullptr;
    for (int c = 0; c < reader.channels; ++c) {
        const double n = static_cast<double>(std::max<std::int64_t>(count[static_cast<std::size_t>(c)], 1));
        double* sum = print->power.data() + static_cast<std::size_t>(c) * bins;
        for (std::uint32_t k = 0; k < bins; ++k) sum[k] /= n;
    }
    return print;
}

std::shared_ptr<NoisePrint> EstimateNoisePrint(LAudioReader& reader, std::int32_t start, std::int32_t frames,
                                               int silencePercent, LProgressTask* task, double from, double to) {
    std::shared_ptr<NoisePrint> print = EmptyPrint(reader);
    const std::uint32_t bins = print->Bins();
    std::vector<std::uint32_t> histogram(static_cast<std::size_t>(bins) * reader.channels * kHistogramBuckets, 0);
    std::vector<std::int64_t> count(reader.channels, 0);
    const bool done = ForEachPowerFrame(
        reader, start, frames, print->order, (1u << print->order) / 2, task, from, to, [&](int c, const double* power) {
            std::uint32_t* h = histogram.data() + static_cast<std::size_t>(c) * bins * kHistogramBuckets;
            for (std::uint32_t k = 0; k < bins; ++k, h += kHistogramBuckets) {
                const double db = power[k] > 0 ? 10 * std::log10(power[k]) : kHistogramLowDb;
                const int b = static_cast<int>(std::clamp((db - kHistogramLowDb) / kHistogramStepDb, 0.0,
                                                          static_cast<double>(kHistogramBuckets - 1)));
                ++h[b];
            }
            ++count[static_cast<std::size_t>(c)];
        });
    if (!done) return nullptr;
    const double q = std::clamp(silencePercent, 1, 100) / 200.0;
    for (int c = 0; c < reader.channels; ++c) {
        const std::uint32_t* h = histogram.data() + static_cast<std::size_t>(c) * bins * kHistogramBuckets;
        const double wanted = q * static_cast<double>(count[static_cast<std::size_t>(c)]);
        for (std::uint32_t k = 0; k < bins; ++k, h += kHistogramBuckets) {
            double seen = 0;
            int b = 0;
            for (; b < kHistogramBuckets - 1; ++b) {
                if (seen + h[b] >= wanted) break;
                seen += h[b];
            }
            // Within the bucket, as if its frames were spread evenly across it.
            const double within = h[b] ? (wanted - seen) / h[b] : 0.5;
            const double db = kHistogramLowDb + (b + within) * kHistogramStepDb;
            print->power[static_cast<std::size_t>(c) * bins + k] = std::pow(10.0, db / 10) / -std::log1p(-q);
        }
    }
    return print;
}

int LNoiseCaptureTask::Work() {
    SetText(0, "Veuillez patienter...");
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    const std::int32_t start = doc_.selectionStart, end = doc_.selectionEnd;
    std::shared_ptr<NoisePrint> print = CaptureNoisePrint(*reader, start, std::max(end - start, 1), this);
    if (!print) return kTaskCancelled;
    print_ = std::move(print);
    return kTaskDone;
}

int LAutoNoiseReductionTask::Work() {
    const std::int32_t start = doc_.selectionStart, end = doc_.selectionEnd;
    if (end <= start) return kTaskDone;
    SetText(0, "Veuillez patienter...");
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    std::shared_ptr<NoisePrint> print = EstimateNoisePrint(*reader, start, end - start, percent_, this);
    if (!print) return kTaskCancelled;
    Ref<LAudioReader> chain = MakeRef<LNoiseReductionFilter>(reader, std::move(print));
    reader = nullptr;
    chain->Seek(start);
    return ReplaceWithChain(std::move(chain), end - start, start, end);
}

}  // namespace sv
