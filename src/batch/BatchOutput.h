#pragma once
// Where and how a batch saves: the "BatchConverter" settings, the formats it offers, and the
// output path of each file worked out before anything runs.
#include <string>
#include <vector>

namespace sv {

class Settings;

struct BatchOutputSettings {
    bool sameFormat = true;  // "SaveSameFileFormat": keep each file's own format
    int formatIndex = 0;     // "SaveFileFormat": index into BatchFormatExtensions()
    bool sameFolder = true;  // "SameOutputFolder": save beside the source
    std::string folder;      // "OutputFolder"
};

BatchOutputSettings ReadBatchOutputSettings(const Settings& settings);
void WriteBatchOutputSettings(Settings& settings, const BatchOutputSettings& out);

// The sound formats of the save table, in its order (".wav" first), with their dots; and the
// labels the wizard lists them under.
const std::vector<std::string>& BatchFormatExtensions();
const std::vector<std::string>& BatchFormatLabels();
// The index of an extension given with or without its dot ("mp3", ".MP3"); -1 when none.
int BatchFormatIndex(const std::string& extension);

// One file's plan: its output path, or why it cannot run.
struct BatchTarget {
    std::string source;
    std::string output;
    std::string refusal;
};

// The output of each source. Two sources that would write the same file are both refused, so
// that neither overwrites the other's result (a.wav and a.mp3 both to a.mp3).
std::vector<BatchTarget> PlanBatchOutputs(const std::vector<std::string>& sources, const BatchOutputSettings& out);

}  // namespace sv
