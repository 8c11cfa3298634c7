#pragma once
// IEEE floating point samples of 32 or 64 bits (format tag 3, or the float sub-format of
// WAVE_FORMAT_EXTENSIBLE). Full scale is 1.0 = 32768; louder samples are clipped to 16 bits.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateFloatCodec(const WAVEFORMATEX& format);
WAVEFORMATEX MakeFloatFormat(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits);

}  // namespace sv
