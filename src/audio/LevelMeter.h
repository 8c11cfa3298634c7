#pragma once
// The level byte of a channel: a signed dB value over a stretch of frames, -127 for silence.
// Shared by the player and the recorder; integer arithmetic up to the final logarithm.
#include <cstdint>

namespace sv {

constexpr std::int8_t kSilentLevel = -127;

// frames frames of interleaved samples with channels channels; channel picks one of them.
std::int8_t ChannelLevel(const std::int32_t* samples, std::int32_t frames, int channels, int channel);

}  // namespace sv
