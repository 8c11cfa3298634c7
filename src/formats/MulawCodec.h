#pragma once
// G.711 mu-law (format tag 7): one byte per sample.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateMulawCodec(const WAVEFORMATEX& format);
WAVEFORMATEX MakeMulawFormat(std::uint32_t rate, std::uint16_t channels);
std::int16_t MulawToLinear(std::uint8_t u);
std::uint8_t LinearToMulaw(std::int16_t pcm);

}  // namespace sv
