#pragma once
// The readers work on paths: each fuzz input is written to a private temporary file first.
#include "core/AudioReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace sv::fuzz {

inline std::string& InputPath() {
    static std::string path;
    return path;
}

inline std::string WriteInput(const std::uint8_t* data, std::size_t size, const char* extension) {
    std::string& path = InputPath();
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonvela_fuzz_" + std::to_string(getpid()) + extension;
        std::atexit([] { std::remove(InputPath().c_str()); });
    }
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

// Reads across the start, the first blocks and the middle: where a reader's bounds checks and
// seek arithmetic are most likely to slip.
inline void ReadAround(LAudioReader& r, std::int32_t frames) {
    std::vector<std::int32_t> buf(static_cast<std::size_t>(frames) * r.channels);
    r.Seek(-10);
    for (int i = 0; i < 4; ++i) r.Read(buf.data(), frames);
    r.Seek(r.Length() / 2);
    r.Read(buf.data(), frames);
}

// Damaged bytes may only be reported as corrupt, unopenable or of a missing codec.
inline bool IsFileError(int code) {
    return code == kReaderCorrupt || code == kReaderCannotOpen || code == kReaderCodecMissing;
}

}  // namespace sv::fuzz
