#pragma once
// Vocal reduction: what is common to both channels (usually the voice, panned to the centre)
// cancels in left - right. The difference is one channel; the descriptor copies it back to both
// channels of the stereo document, so the block writer gets the frames it expects. A mono
// input passes unchanged.
#include "effects/EffectDescriptor.h"
#include "effects/Filter.h"

#include <vector>

namespace sv {

constexpr std::int32_t kVocalReductionFullScale = 2097152;

// Stereo in, one channel (left - right, saturated) out.
class LVocalReductionFilter : public LFilter {
public:
    explicit LVocalReductionFilter(Ref<LAudioReader> input);
    void Read(std::int32_t* dst, std::int32_t frames) override;

private:
    std::vector<std::int32_t> buffer_;
};

class LVocalReductionEffect final : public LEffectDescriptor {
public:
    std::string GetName() const override { return "Reduce Vocals"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override;
};

}  // namespace sv
