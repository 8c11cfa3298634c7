#pragma once
// A curve: up to 64 (position, level) byte pairs in ascending position order; level 128 leaves
// the sound unchanged. The envelope runs its positions across the selection (255 = its end).
#include <cstdint>
#include <vector>

namespace sv {

struct LCurvePoint {
    std::uint8_t position = 0;
    std::uint8_t level = 128;
};

using LCurve = std::vector<LCurvePoint>;

constexpr std::size_t kMaxCurvePoints = 64;
constexpr std::uint8_t kUnityLevel = 128;

}  // namespace sv
