#pragma once
// The readers work on paths: each fuzz input is written to a private temporary file first.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

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

}  // namespace sv::fuzz
