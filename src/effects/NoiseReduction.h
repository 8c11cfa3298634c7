#pragma once
// Noise reduction by spectral subtraction.
//
// The sound is cut into Hann-windowed frames of N samples (2,048 at 44.1 kHz) every N/4 and
// put back by overlap-add with the same window. In each frame every bin's power P is compared
// with the noise print's power D for that bin. P is first smoothed across time (half the new
// frame, half the smoothed value of the frame before), so that the random peaks of the noise
// rarely stand above the estimate on their own and ring as "musical noise". The bin's gain is
// sqrt(max(1 - a D / P, f^2)): over-subtraction a = 3 takes away more than the mean noise, so
// that the smoothed power of noise alone seldom passes, and the floor f (-24 dB) keeps a quiet,
// even remainder of noise instead of holes.
// The gains are then smoothed across neighbouring bins (1/4, 1/2, 1/4).
//
// The noise print comes from a captured stretch of noise (the mean power of every bin over
// that stretch), or, for the automatic variant, from the selection itself: with q the share of
// silence in the audio, the quietest q of the frames are taken to be noise alone, so the
// (q / 2)-quantile of each bin's power over the selection is the median of that noise, and the
// exponential law of a noise bin's power gives its mean as quantile / -ln(1 - q / 2). The
// quantiles come from per-bin histograms in half-decibel steps, so memory stays flat whatever
// the selection's length.
#include "effects/DocumentTask.h"
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"
#include "effects/NoisePrint.h"
#include "effects/NoiseSpectra.h"

#include <memory>
#include <vector>

namespace sv {

struct NoiseReductionSettings {
    double overSubtraction = 3.0;
    double floorDb = -24.0;
    double timeSmoothing = 0.5;  // weight of the previous frame's smoothed power
};

class LNoiseReductionFilter : public LFilter {
public:
    LNoiseReductionFilter(Ref<LAudioReader> input, std::shared_ptr<const NoisePrint> print,
                          const NoiseReductionSettings& s = {});
    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;

private:
    void Restart();
    void Step();
    void Gains(int channel, const double* power, double* gain);

    std::shared_ptr<const NoisePrint> print_;
    NoiseReductionSettings s_;
    NoiseSpectra spectra_;
    std::uint32_t n_, hop_;
    double floor_;
    std::vector<std::vector<double>> frame_, acc_, smoothed_;
    std::vector<double> power_[2], gain_[2], raw_, out_[2];
    std::vector<std::int32_t> block_, ready_;
    std::int32_t readyAt_ = 0, readyFrames_ = 0, readyPosition_ = 0;
    std::int32_t position_ = 0, zeros_ = 0, fed_ = 0;
    bool started_ = false;
};

class LNoiseReductionEffect final : public LEffectDescriptor {
public:
    explicit LNoiseReductionEffect(std::shared_ptr<const NoisePrint> print) : print_(std::move(print)) {}
    std::string GetName() const override { return "Réduction du Bruit"; }
    // The input itself when the print does not fit it.
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

private:
    std::shared_ptr<const NoisePrint> print_;
};

// The print of frames frames of reader from start: the mean power of every bin. Null when the
// task was cancelled.
std::shared_ptr<NoisePrint> CaptureNoisePrint(LAudioReader& reader, std::int32_t start, std::int32_t frames,
                                              LProgressTask* task = nullptr, double from = 0, double to = 1);
// The print the automatic variant estimates from the selection with silencePercent (1..100).
std::shared_ptr<NoisePrint> EstimateNoisePrint(LAudioReader& reader, std::int32_t start, std::int32_t frames,
                                               int silencePercent, LProgressTask* task = nullptr, double from = 0,
                                               double to = 1);

// Captures the print of the document's selection into *print (the capture command's task).
class LNoiseCaptureTask : public LProgressTask {
public:
    LNoiseCaptureTask(LAudioDocument& doc, std::shared_ptr<const NoisePrint>& print)
        : LProgressTask("Réduction du Bruit"), doc_(doc), print_(print) {}

protected:
    int Work() override;

private:
    LAudioDocument& doc_;
    std::shared_ptr<const NoisePrint>& print_;
};

// The automatic variant: estimates the print from the selection, then reduces the selection.
class LAutoNoiseReductionTask : public LDocumentTask {
public:
    LAutoNoiseReductionTask(LAudioDocument& doc, BlockStore& store, int silencePercent)
        : LDocumentTask("Réduction Spectrale Automatique des Bruits", doc, store), percent_(silencePercent) {}

protected:
    int Work() override;

private:
    int percent_;
};

}  // namespace sv
