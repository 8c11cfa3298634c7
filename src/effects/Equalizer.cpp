#include "effects/Equalizer.h"

#include "effects/EqualizerFilter.h"

namespace sv {

EqualizerTaps LEqualizerEffect::TapsAt(std::int32_t rate) const { return CosineTaps(MakeGainTable(curve_, rate)); }

Ref<LAudioReader> LEqualizerEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input) return input;
    const EqualizerTaps taps = TapsAt(input->sampleRate);
    if (IsUnityFilter(taps)) return input;
    return MakeRef<LEqualizerFilter>(input, taps);
}

}  // namespace sv
