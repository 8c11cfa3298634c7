#pragma once
// The equalizer's band tools: curves built from a band kind and its stored parameters. Curve
// positions are linear in frequency (position p is 20,000 * p / 255 Hz), which is how the
// filter reads them; the logarithmic view only warps the drawing.
#include "effects/Curve.h"

#include <string>

namespace sv {

class Settings;

enum class BandKind { Drawn = 0, BandPass, BandStop, HighPass, LowPass, Notch, BoostCut, Harmonic };
constexpr int kBandKinds = 8;

constexpr double kEqualizerTopHz = 20000.0;

// r = freq / 20,000 clamped to 0..1; position trunc(255 r).
std::uint8_t FrequencyPosition(double freq);
// Where a position is drawn across 0..1 of the editor's width, and back: r = p / 255 in the
// linear view; ln(1 + 15 r) / ln 16 in the logarithmic one.
double PositionToDisplay(double position, bool logarithmic);
double DisplayToPosition(double x, bool logarithmic);
// The frequency of a position: 20,000 * p / 255.
double PositionFrequency(double position);

struct BandParams {
    int start = 8000, end = 12000, amp = 1000, slope = 1000;  // the band kinds
    int freq = 4000;                                          // high- and low-pass
    int count = 5;                                            // harmonic notches
};

// The settings group and the stored parameters of a kind (defaults when absent).
const char* BandGroup(BandKind kind);
BandParams ReadBandParams(const Settings& settings, BandKind kind);
void WriteBandParams(Settings& settings, BandKind kind, const BandParams& p);

// The curve of a kind with the given parameters; the flat curve for Drawn.
LCurve BandCurve(BandKind kind, BandParams p);

// The preset list's names, index by index.
const char* BandKindName(BandKind kind);

}  // namespace sv
