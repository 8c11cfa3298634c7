#pragma once
// The step both waveform widgets take when they are asked for a range: hand it to the drawing
// thread and move or repaint the pixels to match, so that a scroll paints only what it exposes.
#include "views/WaveColumns.h"

#include <cstdint>

class QWidget;

namespace sv {

class WaveDrawThread;

void RequestWaveRange(QWidget& view, WaveDrawThread& thread, WaveGeometry& requested, std::int32_t start,
                      std::int32_t length);

}  // namespace sv
