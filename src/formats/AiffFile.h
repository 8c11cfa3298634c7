#pragma once
// Apple AIFF and AIFF-C files: big-endian chunks after "FORM" size "AIFF"/"AIFC". Read: PCM of
// 1 to 32 bits ("NONE", "twos", little-endian "sowt", unsigned 8-bit "raw "), mu-law and
// A-law; written: 16-bit AIFF behind a 54-byte header. COMM and SSND are found in any order,
// odd-sized chunks are followed by their pad byte, and every size is clamped to the file.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"

#include <cstdint>
#include <string>

namespace sv {

constexpr std::size_t kAiffHeaderBytes = 54;

// An LErrorReader with 4 (cannot open), 3 (not AIFF, a missing or short COMM, no SSND, a
// rate or channel count that cannot be true) or 5 (a sample format not read here).
Ref<LAudioReader> OpenAiffReader(const std::string& path);
Ref<LAudioWriter> CreateAiffWriter(const std::string& path, std::int32_t rate, std::uint8_t channels);

// The 80-bit IEEE extended sample rate. Encoding takes rates from 1; decoding rounds to the
// nearest integer and is false for zero, negative values, values below 0.5 and from 2^31.
void RateToExtended(std::int32_t rate, std::uint8_t out[10]);
bool ExtendedToRate(const std::uint8_t in[10], std::int32_t& rate);

}  // namespace sv
