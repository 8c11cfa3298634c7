#pragma once
// Sun AU files: a big-endian header (".snd", data offset, data size, encoding, rate,
// channels), then the samples from the data offset. Read: mu-law, A-law, 8-, 16-, 24- and
// 32-bit linear; written: 16-bit linear behind a 24-byte header.
#include "core/AudioReader.h"
#include "core/AudioWriter.h"

#include <cstdint>
#include <string>

namespace sv {

constexpr std::size_t kAuHeaderBytes = 24;

// An LErrorReader with 4 (cannot open), 3 (not an AU file, or a header that cannot be true) or
// 5 (an encoding not read here) on failure.
Ref<LAudioReader> OpenAuReader(const std::string& path);
Ref<LAudioWriter> CreateAuWriter(const std::string& path, std::int32_t rate, std::uint8_t channels);

}  // namespace sv
