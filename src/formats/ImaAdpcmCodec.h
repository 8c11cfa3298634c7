#pragma once
// IMA ADPCM as WAV files store it (format tag 0x11): blocks of block align bytes, each
// starting with a 4-byte header per channel, then 4-byte groups of eight 4-bit codes per
// channel in turn, low nibble first.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateImaAdpcmCodec(const WAVEFORMATEX& format);
// The usual geometry: 256 bytes per channel per block up to 11025 Hz, doubled per doubling.
WAVEFORMATEX MakeImaAdpcmFormat(std::uint32_t rate, std::uint16_t channels);
// Frames in a block of blockAlign bytes; 0 when the block cannot hold a header and one group.
int ImaAdpcmFramesPerBlock(int blockAlign, int channels);

}  // namespace sv
