#pragma once
// Normalise: the selection's peak magnitude is measured under a progress dialog, then the
// selection is amplified (through its segment gains) so that the peak reaches the wanted level.
#include "core/ProgressTask.h"

#include <cstdint>

namespace sv {

class LAudioData;

// Measures the largest of the largest sample and the negated smallest sample over all
// channels of frames [start, end) of sound, in blocks of 8,192 frames.
class LPeakScanTask : public LProgressTask {
public:
    LPeakScanTask(const LAudioData& sound, std::int32_t start, std::int32_t end)
        : LProgressTask("Normalisation"), sound_(sound), start_(start), end_(end) {}
    std::int64_t Peak() const { return peak_; }

protected:
    int Work() override;

private:
    const LAudioData& sound_;
    std::int32_t start_, end_;
    std::int64_t peak_ = 0;
};

// The scan itself, reporting through task (which may be running other work as well).
int ScanPeak(LProgressTask& task, const LAudioData& sound, std::int32_t start, std::int32_t end, std::int64_t& peak);

constexpr std::int32_t kMaxAmplifyPercent = 400;

// levelPercent * 524,272 / peak in integer arithmetic, capped at 400; 100 (no change) for a
// peak of 0.
std::int32_t NormalizeGain(std::int32_t levelPercent, std::int64_t peak);

}  // namespace sv
