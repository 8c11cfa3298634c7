#pragma once
// Helpers for the format tests: byte-level WAV building, whole-file I/O, reading a reader to
// its end, and running the outside tools (sox, ffmpeg, ffprobe).
#include "core/AudioReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sv::test {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);

void AppendFourCc(Bytes& b, const char* id);
void AppendLe16(Bytes& b, std::uint32_t v);
void AppendLe32(Bytes& b, std::uint32_t v);
// A chunk with its pad byte when odd.
void AppendChunk(Bytes& b, const char* id, const Bytes& body);
std::uint32_t Le32At(const Bytes& b, std::size_t at);

// The 16 or 18 (+ extra) bytes of a fmt body.
Bytes FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
              bool withCbSize = true, std::uint16_t blockAlign = 0);
// "RIFF" size "WAVE" then the chunks given (already framed).
Bytes RiffWave(const Bytes& chunks);

// Reads the reader from its position to Length() in pieces of 8192 frames.
std::vector<std::int32_t> ReadAll(LAudioReader& reader);

bool ToolExists(const std::string& name);
// Runs a shell command line; its exit status.
int RunCommand(const std::string& command);
// Runs a command and returns its standard output.
std::string CommandOutput(const std::string& command);
// Little-endian signed 32-bit samples of a raw file.
std::vector<std::int32_t> ReadRawS32(const std::string& path);
// Quoted for the shell.
std::string Sh(const std::string& s);

}  // namespace sv::test
