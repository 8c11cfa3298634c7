#pragma once
// The spectrogram of a stretch of sound: S slices of B = N/2 magnitudes, N the smallest power
// of two of at least rate/30 (order 5 to 16), slices spread over the stretch, stereo
// magnitudes the mean of the two channels'. Also its palette, brightness, grid and readout,
// which the window only paints.
#include "core/AudioData.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

class LProgressTask;

// The cells may take at most this much memory: long selections get fewer, wider-spaced
// slices instead of more memory (32 MiB is 16,384 slices of 1,024 bins).
constexpr std::size_t kMaxSpectrogramCells = std::size_t{16} << 20;

struct SpectrogramData {
    std::int32_t start = 0;
    std::int32_t length = 0;
    std::int32_t sampleRate = 44100;
    std::uint32_t order = 11;
    std::uint32_t slices = 0;
    std::uint32_t bins = 0;
    std::vector<std::uint16_t> cells;  // slice-major: cells[slice * bins + bin]

    std::uint16_t Cell(std::uint32_t slice, std::uint32_t bin) const {
        return cells[static_cast<std::size_t>(slice) * bins + bin];
    }
    // The first frame of slice i: start + i * length / slices, in 64 bits.
    std::int64_t SliceStart(std::uint32_t slice) const;
};

std::uint32_t SpectrogramOrder(std::int32_t sampleRate);
// (L / B) * 4 slices, at least 1, fewer when the cells would pass kMaxSpectrogramCells.
std::uint32_t SpectrogramSlices(std::int64_t length, std::uint32_t bins);

// Computes the spectrogram of [start, start + length) of sound under a running task; 0 done,
// 1 cancelled.
int ComputeSpectrogram(LProgressTask& task, const LAudioData& sound, std::int32_t start, std::int32_t length,
                       SpectrogramData& out);

// The 256 colours, 0xRRGGBB, black through blue to white.
const std::array<std::uint32_t, 256>& SpectrogramPalette();
constexpr std::uint32_t kSecondGridColour = 0xB8860B;  // one vertical line per second
constexpr std::uint32_t kHertzGridColour = 0x708090;   // one horizontal line per 1000 Hz

// The gain g of the brightness setting "TFFTVScroll" (0..100).
int SpectrogramGain(int vscroll);
// Colour index of a magnitude: min((m * g * 96) >> 16, 255).
std::uint8_t SpectrogramColourIndex(std::uint16_t magnitude, int gain);

// Grid positions in cells: slice positions (fractional) of each whole second after the start,
// and bin positions of each 1000 Hz step below half the rate (none at 2000 Hz or less).
std::vector<double> SecondGridSlices(const SpectrogramData& data);
std::vector<double> HertzGridBins(const SpectrogramData& data);

// "h:mm:ss.t", with a leading "-" for negative times.
std::string SpectrogramTimeText(std::int64_t ms);
// "Durée: …    Fréquence: … Hz    Volume:… dB" for a cell.
std::string SpectrogramStatus(const SpectrogramData& data, std::uint32_t slice, std::uint32_t bin);

// The cell a pixel of a width x height full view shows (y = 0 at the top, bin 0 at the bottom).
struct SpectrogramCell {
    std::uint32_t slice = 0;
    std::uint32_t bin = 0;
};
SpectrogramCell FullViewCell(const SpectrogramData& data, int x, int y, int width, int height);

}  // namespace sv
