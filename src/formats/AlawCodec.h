#pragma once
// G.711 A-law (format tag 6): one byte per sample.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateAlawCodec(const WAVEFORMATEX& format);
WAVEFORMATEX MakeAlawFormat(std::uint32_t rate, std::uint16_t channels);
std::int16_t AlawToLinear(std::uint8_t a);
std::uint8_t LinearToAlaw(std::int16_t pcm);

}  // namespace sv
