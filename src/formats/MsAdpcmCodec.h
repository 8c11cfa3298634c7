#pragma once
// Microsoft ADPCM (format tag 2): blocks with a per-channel header (predictor, delta, two
// samples), then 4-bit codes high nibble first, channels interleaved. The predictor
// coefficients come from the format's extra bytes (the standard seven when absent).
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateMsAdpcmCodec(const WAVEFORMATEX& format);
WAVEFORMATEX MakeMsAdpcmFormat(std::uint32_t rate, std::uint16_t channels);
int MsAdpcmFramesPerBlock(int blockAlign, int channels);

}  // namespace sv
