#pragma once
// The level scale both analysis windows share: a transform magnitude m in decibels relative to
// full scale, where m is read as m / (65536 * sqrt 2).
#include <cstdint>

namespace sv {

// Rounded to nearest (half away from zero), -127 for m <= 0, clamped to -127..127: the
// spectrum's values.
int SpectrumDb(double magnitude);
// The spectrogram's status reading: -128 for m <= 0, otherwise rounded and not clamped.
int SpectrogramDb(double magnitude);

}  // namespace sv
