#pragma once
// DC offset correction: a first pass measures the mean of each channel over the selection, a
// second subtracts it from every sample of that channel (saturating at the int32 range).
#include "effects/DocumentTask.h"

#include <vector>

namespace sv {

class LDcOffsetTask : public LDocumentTask {
public:
    LDcOffsetTask(LAudioDocument& doc, BlockStore& store)
        : LDocumentTask("Correction de Décalage CC", doc, store) {}

    // The means of the last run, one per channel.
    const std::vector<std::int32_t>& Means() const { return means_; }

protected:
    int Work() override;

private:
    std::vector<std::int32_t> means_;
};

// sum / count rounded to the nearest integer, halves away from zero; count > 0.
std::int32_t RoundedMean(std::int64_t sum, std::int64_t count);

}  // namespace sv
