#pragma once
// The speech engine behind text to speech: espeak-ng, run as a child process. Its voices are
// listed from `espeak-ng --voices`; a voice speaks text that reaches the engine on standard
// input only (text that starts with "-" or holds shell syntax stays text), into a WAV file.
#include <string>
#include <vector>

namespace sv {

class LProgressTask;

struct SpeechVoice {
    std::string name;  // as the voice list shows it
    std::string id;    // what the engine's -v takes
};

// The engine's program, searched in PATH.
constexpr const char* kSpeechEngine = "espeak-ng";

// The lines of `espeak-ng --voices` as voices, in their order (header skipped, malformed lines
// ignored). Underscores in the engine's names stand for spaces.
std::vector<SpeechVoice> ParseVoiceList(const std::string& listing);
// The engine's own voices, French ones first (the interface is French), then the MBROLA
// voices whose diphone database is installed, each shown with " (MBROLA)". Empty when the
// engine is missing.
std::vector<SpeechVoice> ListSpeechVoices();

// Speaks text with voice into wavPath under a running task, polling it for cancel; 0 done,
// 1 cancelled (the engine ended), 2 failed (the reason through the task).
int SynthesizeSpeech(LProgressTask& task, const SpeechVoice& voice, const std::string& text,
                     const std::string& wavPath);

}  // namespace sv
