#pragma once
// A curve: up to 64 (position, level) byte pairs in ascending position order; level 128 leaves
// the sound unchanged. The envelope runs its positions across the selection (255 = its end),
// the equalizer over frequency (position p is p * 78.125 Hz).
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

struct LCurvePoint {
    std::uint8_t position = 0;
    std::uint8_t level = 128;
    bool operator==(const LCurvePoint& o) const { return position == o.position && level == o.level; }
};

using LCurve = std::vector<LCurvePoint>;

constexpr std::size_t kMaxCurvePoints = 64;
constexpr std::uint8_t kUnityLevel = 128;

// (0, 128), (255, 128).
LCurve FlatCurve();

// Levels shown as percentages: trunc(percent / 200 * 256), clamped to a byte (so 100% is 128
// and 199% the largest that fits); and back, as a whole percentage.
std::uint8_t PercentToLevel(double percent);
int LevelToPercent(std::uint8_t level);

// The text form a dialog field carries: "position:level" pairs separated by spaces.
std::string CurveToText(const LCurve& curve);
// Reads that form with the file's rules (at most 64 points, positions never decreasing);
// numbers outside 0 to 255 are clamped, pieces that are not pairs are skipped.
LCurve CurveFromText(const std::string& text);

// Keeps at most 64 points and raises each position to at least the one before it.
void NormalizeCurve(LCurve& curve);

}  // namespace sv
