#pragma once
// The one-pole high-pass and low-pass stages (the AM radio and telephone effects chain them).
// Coefficient a = trunc(256 (1 - e^(-2 pi f / R))); one state s per channel, cleared at start
// and on seek. Per sample x:
//   high-pass: y = x - (s >> 8); s = s + a y; output y
//   low-pass:  s = s + a (x - (s >> 8)); output s >> 8
// The state is kept in 64 bits and the output saturated. Both report twice the input's
// full-scale value while it is at most 1,048,576.
#include "effects/Filter.h"

#include <vector>

namespace sv {

// a for cut-off freq at rate (44,100 when 0 or less), clamped to 0..256.
std::int32_t OnePoleCoefficient(double freq, std::int32_t rate);

class LOnePoleFilter : public LFilter {
public:
    enum class Kind { HighPass, LowPass };
    LOnePoleFilter(Ref<LAudioReader> input, Kind kind, double freq);
    std::int32_t Coefficient() const { return a_; }

protected:
    void Process(std::int32_t* dst, std::int32_t frames) override;
    void ResetState() override;

private:
    Kind kind_;
    std::int32_t a_;
    std::vector<std::int64_t> state_;
};

}  // namespace sv
