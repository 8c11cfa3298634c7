#pragma once
// GSM 06.10 in its WAV form (format tag 0x31): 65-byte blocks holding two 160-sample frames,
// mono, through Debian's libgsm in WAV49 mode.
#include "formats/AudioCodec.h"
#include "formats/WaveFormat.h"

#include <memory>

namespace sv {

std::unique_ptr<AudioCodec> CreateGsmCodec(const WAVEFORMATEX& format);
WAVEFORMATEX MakeGsmFormat(std::uint32_t rate);

}  // namespace sv
