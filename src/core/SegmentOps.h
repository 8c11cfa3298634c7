#pragma once
// The operations every edit is built from. They rearrange segment lists only: no samples are
// read or written, and their cost grows with the number of segments, never with the length.
// Ranges are [a, b) in frames; ranges partly or wholly outside the sound are clamped, padded
// with silence or ignored as each operation says, and none of them fails.
#include "core/AudioData.h"

#include <cstdint>

namespace sv {

void DeleteRange(LAudioData& sound, std::int32_t a, std::int32_t b);
void Crop(LAudioData& sound, std::int32_t a, std::int32_t b);
void TrimStart(LAudioData& sound, std::int32_t n);
void TrimEnd(LAudioData& sound, std::int32_t n);
// dest becomes frames [a, b) of src, exactly b - a frames long (padded with silence).
void CopyRange(LAudioData& dest, const LAudioData& src, std::int32_t a, std::int32_t b);
void CutRange(LAudioData& dest, LAudioData& src, std::int32_t a, std::int32_t b);
void Insert(LAudioData& dest, std::int32_t pos, const LAudioData& src);
void InsertSilence(LAudioData& sound, std::int32_t pos, std::int32_t n);
void ReplaceRange(LAudioData& sound, std::int32_t a, std::int32_t b, const LAudioData& src);
// Frames [a, b) follow themselves count more times.
void Repeat(LAudioData& sound, std::int32_t a, std::int32_t b, std::int32_t count);
// Multiplies the gain of frames [a, b) by percent / 100, saturating at the largest gain.
void ScaleRange(LAudioData& sound, std::int32_t a, std::int32_t b, std::int32_t percent);

}  // namespace sv
