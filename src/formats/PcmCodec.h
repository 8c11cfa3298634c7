#pragma once
// PCM containers of 8 to 32 bits as a codec (the PCM sub-format of WAVE_FORMAT_EXTENSIBLE).
// Wider samples keep their top 16 bits.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreatePcmCodec(const WAVEFORMATEX& format);

}  // namespace sv
