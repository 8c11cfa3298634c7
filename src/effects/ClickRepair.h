#pragma once
// Click and pop repair.
//
// Detection: music is locally well predicted by an autoregressive model (order 24, fitted by
// the autocorrelation method over about 0.4 s around the samples examined); a click is not. A
// sample is suspect when both its forward prediction residual (from the samples before it)
// and its backward residual (from the samples after it) exceed K robust deviations of the
// residual (1.4826 x its median absolute value); requiring both keeps the residual's echo of a
// click, which trails the click forwards and leads it backwards, out of the marked stretch.
// Suspect samples closer than the order (24 samples) join into one click (inside a long click
// the residuals dip where the click predicts itself); its fading ends are followed outwards at
// half the threshold (the backward residual after it, the forward one before it, each free of
// the click's echo there), and it is widened by 2 samples each side;
// a click longer than the maximum length is left alone (it is more likely a sharp attack).
// K runs from 13 ("moins de claquements", sensitivity 0) to 3 (100); 8 at the default 50.
//
// Repair: the samples of a click are replaced by least-squares autoregressive interpolation:
// with a model fitted by the covariance method on up to 2,048 samples each side of the click
// (the click left out), of order 24 or twice the click's length and 8 (at most 96), the
// missing samples are those that minimise the summed squared prediction error over the click
// and the order's worth of samples after it, a banded linear system solved by Cholesky.
//
// The maximum click length is counted in frames (the stored default, 450, is about 10 ms at
// 44.1 kHz, the length of the longest pops on a record).
#include "effects/DocumentTask.h"
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <vector>

namespace sv {

constexpr int kClickOrder = 24;

struct ClickRegion {
    std::int32_t start = 0, end = 0;  // [start, end) in the samples examined
};

// a[1..order] of x[n] + sum a[i] x[n - i] = residual, by the autocorrelation method over the
// given stretches together (each its own sum, so gaps between them do not count); a[0] = 1.
std::vector<double> FitAutoregression(const std::vector<std::pair<const double*, std::size_t>>& stretches, int order);

// The same model by the covariance method (least squares over each stretch, without the
// autocorrelation method's implied zeros beyond its ends): sharper, for interpolation over
// longer gaps, at p^2 operations per sample.
std::vector<double> FitCovariance(const std::vector<std::pair<const double*, std::size_t>>& stretches, int order);

// The threshold multiplier K for a sensitivity of 0..100 percent.
double ClickThreshold(int sensitivityPercent);

// Clicks of x[0..len) that start in [from, to), each at most maxLength samples long.
std::vector<ClickRegion> DetectClicks(const double* x, std::int32_t len, std::int32_t from, std::int32_t to,
                                      const std::vector<double>& a, double k, std::int32_t maxLength);

// Replaces x[start..end) by the interpolation above, the model fitted on x around it (x must
// hold enough samples either side: at most 2,048 are used, at least the order's worth).
void InterpolateClick(double* x, std::int32_t len, std::int32_t start, std::int32_t end, int order = kClickOrder);

// The automatic repair (7009) as a filter: the sound is examined in pieces of 16,384 frames
// with enough context either side for the models; repairs stay in the filter's buffer, so a
// click that runs over the end of one piece is not found again half-mended in the next.
class LClickRepairFilter : public LFilter {
public:
    LClickRepairFilter(Ref<LAudioReader> input, int sensitivityPercent, int maxLength);
    void Read(std::int32_t* dst, std::int32_t frames) override;
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;
    // The clicks repaired so far, counted per channel.
    std::int64_t Repaired() const { return repaired_; }

private:
    void Restart();
    void ProcessNext();
    void Fill(std::int64_t upTo);

    double k_;
    std::int32_t maxLength_;
    std::int64_t margin_;
    std::vector<std::int32_t> buffer_;
    std::vector<double> x_;
    std::int64_t bufferStart_ = 0, bufferEnd_ = 0, readAt_ = 0, processedEnd_ = 0;
    std::int32_t position_ = 0;
    bool started_ = false;
    std::int64_t repaired_ = 0;
};

class LClickRepairEffect final : public LEffectDescriptor {
public:
    LClickRepairEffect(int sensitivityPercent, int maxLength) : sensitivity_(sensitivityPercent), maxLength_(maxLength) {}
    std::string GetName() const override { return "Réparation Automatique des Claquements/Cliquetis"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;

private:
    int sensitivity_;
    int maxLength_;
};

// The repair of the selected stretch itself (7010).
class LManualClickRepairTask : public LDocumentTask {
public:
    LManualClickRepairTask(LAudioDocument& doc, BlockStore& store)
        : LDocumentTask("Clic Manuel/Réparation de Claquement", doc, store) {}

protected:
    int Work() override;
};

}  // namespace sv
