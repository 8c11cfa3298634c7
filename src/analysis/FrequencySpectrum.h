#pragma once
// The spectrum at a document's cursor: one 4,096-point transform per channel of the 4,096
// frames from the cursor, Hamming-windowed, as 2,048 dB values (bin k stands for
// k * rate / 4096 Hz).
#include "core/AudioData.h"
#include "effects/AlignedVector.h"
#include "effects/SpectralTransform.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sv {

constexpr std::uint32_t kSpectrumOrder = 12;
constexpr std::uint32_t kSpectrumPoints = 1u << kSpectrumOrder;
constexpr std::uint32_t kSpectrumBins = kSpectrumPoints / 2;

struct FrequencySpectrum {
    std::int32_t sampleRate = 44100;
    std::uint8_t channels = 1;  // 1 or 2
    std::int32_t position = 0;  // the frame the analysed block starts at
    std::array<std::vector<std::int8_t>, 2> db;  // per channel, kSpectrumBins values
};

// Owns the transform, the window and the buffers, so that a refresh allocates nothing.
// One analyser serves one thread.
class SpectrumAnalyzer {
public:
    SpectrumAnalyzer();
    // Reads sound from position (silence past its end); a sound of more than two channels
    // shows its first two.
    FrequencySpectrum Analyze(const LAudioData& sound, std::int32_t position);

private:
    SpectralTransform transform_;
    std::vector<double> window_;
    std::vector<std::int32_t> block_;
    AlignedVector<double> re_, im_;
};

}  // namespace sv
