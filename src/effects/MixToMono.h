#pragma once
// LMixToMonoFilter: one channel holding the mean of all its input's channels, for a sound of
// more channels than the stereo converters handle on its way into a one-channel format.
#include "effects/Filter.h"

#include <vector>

namespace sv {

class LMixToMonoFilter : public LFilter {
public:
    explicit LMixToMonoFilter(Ref<LAudioReader> input);
    void Read(std::int32_t* dst, std::int32_t frames) override;

private:
    std::vector<std::int32_t> buffer_;
};

}  // namespace sv
