#pragma once
// AMR saving goes through a file: the sound is written as an 8000 Hz mono 16-bit WAV in the
// temporary folder, which the "amrenc" component then encodes into the target.
#include "core/AudioWriter.h"
#include "formats/EncoderSettings.h"

#include <string>

namespace sv {

class Host;
class LProgressTask;
class Settings;

// 0 when wavPath (8000 Hz mono) was encoded into outPath; 1 cancelled, 2 failed (the WAV of
// another rate or channel count, the component missing, the program failing). On anything
// but 0 outPath is removed; *why says what failed.
int EncodeAmrFile(LProgressTask* task, Host* host, const Settings* settings, const std::string& wavPath,
                  const std::string& outPath, std::string* why = nullptr);

// The AMR save writer: takes 8000 Hz mono, writes the temporary WAV and encodes it on Finish.
Ref<LAudioWriter> CreateAmrFileWriter(const std::string& target, const Settings* settings, LProgressTask* task);

}  // namespace sv
