#pragma once
// The media decoder of the files no reader of our own serves (".wma", video files, anything
// unknown): the ffmpeg program, run hidden, writes the first audio stream as a 16-bit PCM WAV.
#include <string>

namespace sv {

class LProgressTask;

// The program started; "ffmpeg" found in PATH.
extern const char* const kMediaDecoderProgram;

// Decodes source into wavPath under task, polling it for Cancel (which ends the program and
// removes wavPath): 0 done, 1 cancelled, 2 failed (the program missing or the decode failed;
// nothing is shown, the caller tells why).
int DecodeWithMediaDecoder(LProgressTask& task, const std::string& source, const std::string& wavPath);

}  // namespace sv
