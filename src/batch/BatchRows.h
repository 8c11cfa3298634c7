#pragma once
// The twenty commands a batch can run, by the row index a script stores: their names, the
// settings bytes each keeps, the defaults read from the settings store when those bytes are
// missing, the limits of the matching dialogs and the text the command list shows.
#include "effects/Curve.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sv {

class Settings;

constexpr std::uint32_t kBatchRowCount = 20;

enum BatchRow : std::uint32_t {
    kRowAutoTrim = 0, kRowSilenceStart, kRowSilenceEnd, kRowAmplify, kRowNormalize, kRowLowCut,
    kRowEqualizer, kRowEcho, kRowReverb, kRowEnvelope, kRowAutoGain, kRowNoiseGate, kRowSpeedPitch,
    kRowSpeed, kRowPitch, kRowCompressor, kRowSampleRate, kRowChannels, kRowStereoPan, kRowVocal,
};

// One command of a batch list: the row and the settings bytes stored with it (possibly none).
struct LBatchEntry {
    std::uint32_t row = 0;
    std::vector<std::uint8_t> settings;
    bool operator==(const LBatchEntry& o) const { return row == o.row && settings == o.settings; }
};

// A row's parameters as numbers: up to three integers (in the order of the settings bytes) and,
// for the equalizer and the envelope, the curve.
struct BatchParams {
    int a = 0, b = 0, c = 0;
    LCurve curve;
};

// The list's name of row ("Echo"); empty outside 0 to 19.
std::string BatchRowName(std::uint32_t row);
// How many settings bytes row needs before they are used (0 for the rows without settings).
std::size_t BatchSettingsSize(std::uint32_t row);

// The entry's parameters: decoded from its bytes when it holds enough, else the defaults of
// the settings store. Not range-checked.
BatchParams ResolveBatchParams(const LBatchEntry& entry, const Settings& settings);
// The bytes of params in row's layout.
std::vector<std::uint8_t> EncodeBatchParams(std::uint32_t row, const BatchParams& params);

// The refusal text of the row's dialog when params are outside its limits; nothing when they
// are acceptable. A curve with more than 64 points is refused too.
std::optional<std::string> CheckBatchParams(std::uint32_t row, const BatchParams& params);
// The same for the entry's own bytes, when it holds enough of them to be used.
std::optional<std::string> CheckBatchEntryBytes(const LBatchEntry& entry);

// The text beside the command in the list ("Durée de l'Echo (ms) = 800, ..."); empty for the
// rows without settings.
std::string BatchEntryText(const LBatchEntry& entry, const Settings& settings);

// The compressor ratio's label by row ("2:1"); "?" outside 0 to 6.
std::string BatchRatioLabel(int row);

}  // namespace sv
