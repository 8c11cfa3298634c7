#pragma once
// "equalizer.dat" and "envelope.dat": one byte N, the number of points, then N (position, level)
// byte pairs; nothing else. Read with the curve rules: at most 64 pairs, positions never
// decreasing; a missing, short or empty file (N = 0) gives the flat curve, written back at once.
#include "effects/Curve.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv {

// <product data folder>/equalizer.dat and envelope.dat.
std::string EqualizerCurvePath();
std::string EnvelopeCurvePath();

// The curve in the bytes of a file; empty when they hold no point (N = 0, or nothing at all).
// Pairs the file promises but lacks are not made up.
LCurve ParseCurveBytes(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> CurveBytes(const LCurve& curve);

// The file's curve; the flat curve (written back) when it is missing, unreadable or empty.
LCurve ReadCurveFile(const std::string& path);
// Replaces the file through a temporary one, so a failed write leaves the old file whole.
bool WriteCurveFile(const std::string& path, const LCurve& curve);
// "Aplanir": writes N = 0 and reads the file back, which gives the flat curve.
LCurve FlattenCurveFile(const std::string& path);

}  // namespace sv
