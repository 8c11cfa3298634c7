#pragma once
// Where the spectrum graph puts things: the frequency axis is logarithmically warped over the
// visible bin range (a position t from 0 to 1 shows bin (e^(t ln 16) - 1) / 15 * range + first),
// the level axis is linear in dB over a visible range. The window scrolls and zooms by
// changing these ranges; it only paints what this maps.
#include <cstdint>
#include <vector>

namespace sv {

class SpectrumGeometry {
public:
    SpectrumGeometry(int width, int height) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    // The visible bins [first, first + range), within 0..2048.
    double FirstBin() const { return firstBin_; }
    double BinRange() const { return binRange_; }
    // The visible levels, top and bottom, in dB.
    int TopDb() const { return topDb_; }
    int BottomDb() const { return bottomDb_; }

    // Bin shown at x (0 .. width-1), capped at 2047.
    double BinAt(int x) const;
    // x of a bin (inverse of BinAt), may lie outside the graph.
    double XOfBin(double bin) const;
    int DbAt(int y) const;
    double YOfDb(double db) const;

    // Zoom the frequency axis by factor (2 = twice as close) around the bin under x.
    void ZoomFrequency(double factor, int x);
    // Scroll by a fraction of the visible range; positive moves toward high bins / loud levels.
    void ScrollFrequency(double fraction);
    void ScrollLevel(int db);
    void ResetView();

    // Frequencies (Hz) worth a labelled tick over the visible range at this sample rate.
    std::vector<int> FrequencyTicks(std::int32_t sampleRate) const;
    // Levels (dB) worth a labelled tick: every 10 or 20 dB.
    std::vector<int> LevelTicks() const;

private:
    void Clamp();

    int width_;
    int height_;
    double firstBin_ = 0.0;
    double binRange_ = 2048.0;
    int topDb_ = 0;
    int bottomDb_ = -127;
};

}  // namespace sv
