#pragma once
// Small helpers that build sounds through the real block writer and read them back.
#include "core/AudioData.h"
#include "core/BlockStore.h"

#include <cstdint>
#include <vector>

namespace sv::test {

// Writes samples (interleaved) into a new block and returns the sound over it.
LAudioData MakeSound(BlockStore& store, const std::vector<std::int32_t>& samples, std::uint8_t channels = 1,
                     std::int32_t rate = 44100);
// A mono ramp 0, 16, 32, ... of n frames: frame k holds k * 16.
LAudioData MakeRamp(BlockStore& store, std::int32_t frames);
// Reads frames [from, from + n) of sound through an LBlockReader.
std::vector<std::int32_t> ReadFrames(const LAudioData& sound, std::int32_t from, std::int32_t n);

}  // namespace sv::test
