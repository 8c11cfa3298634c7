#pragma once
// The rate and channel conversion of the open and save paths: a reader wrapped so that it
// delivers another rate and channel count, and a sound rewritten that way into new blocks.
#include "core/AudioReader.h"

#include <cstdint>

namespace sv {

class BlockStore;
class LAudioData;
class LProgressTask;

// reader as rate Hz and channels: the channel converter first when channels drop, then the
// resampler (two stages below a quarter of the reader's rate), then the channel converter
// when the count still differs. Only 1 <-> 2 channels convert; other counts pass through. A
// reader in error, or one already in the target form, is handed back as it is.
Ref<LAudioReader> ConvertReader(Ref<LAudioReader> reader, std::int32_t rate, std::uint8_t channels);

// Replaces sound by its conversion to rate and channels, written into new blocks under task
// ("Converting rate or channels..."): 0 done (also when nothing needed converting), 1
// cancelled, 2 failed; sound is untouched unless the result is 0.
int ConvertSoundData(LProgressTask& task, BlockStore& store, LAudioData& sound, std::int32_t rate,
                     std::uint8_t channels);

}  // namespace sv
