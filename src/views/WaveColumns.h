#pragma once
// The column cache behind a waveform control: one top and one bottom peak byte per pixel
// column, the mapping between frames and columns for the range on show, and the two ways of
// filling columns: from the samples (close zoom) or from the blocks' peak files (far zoom,
// more than 256 frames per column), which never touches a sample.
#include "core/AudioData.h"
#include "core/AudioReader.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace sv {

constexpr int kMaxColumns = 2048;
constexpr int kSampleShift = 11;
constexpr int kZoomedSampleShift = 8;

// Frames [start, start + length) spread over width columns. The scale is max(width, 8) / length
// columns per frame; it is applied in integers so that a column's first frame always maps
// back to that column.
struct WaveGeometry {
    std::int32_t start = 0;
    std::int32_t length = 0;
    int width = 0;

    std::int64_t ScaleWidth() const { return width < 8 ? 8 : width; }
    // Truncated towards minus infinity, so frames before the start fall left of column 0.
    std::int64_t FrameToColumn(std::int64_t frame) const;
    // The first frame whose column is col.
    std::int64_t ColumnToFrame(std::int64_t col) const;
    // More than 256 frames per column: the peak files are read instead of samples.
    bool UsesPeakFiles() const { return static_cast<std::int64_t>(length) > 256LL * width; }
};

// How a view's pixels follow a new request. A move of the start by less than a screen at the
// same scale moves the pixels by the same column shift as the drawing thread moves its bytes,
// so only the exposed columns are painted again.
struct ViewRepaint {
    enum Kind { Nothing, Scroll, Everything } kind = Nothing;
    int shift = 0;  // pixels to the right for Scroll
};
ViewRepaint RepaintForRequest(const WaveGeometry& old, const WaveGeometry& now);

// What the columns show of the sound: modes 1 and 2 of a stereo sound give the left channel's
// peak in the top byte and the right channel's in the bottom byte; otherwise (and for every
// mono sound) the top byte is the positive peak and the bottom one the negative peak over all
// channels.
struct ColumnStyle {
    int channels = 1;
    int mode = 0;
    bool verticalZoom = false;
    bool SplitChannels() const { return channels == 2 && (mode == 1 || mode == 2); }
};

class ColumnCache {
public:
    struct Update {
        int x0 = 0;
        int x1 = 0;        // columns [x0, x1) must be computed
        int shift = 0;     // columns the kept bytes moved by (positive: towards the start)
        bool full = true;  // every column is new
    };

    // Moves to a new view. A change of length (or of width, or the first use) recomputes
    // everything; a move of the start by less than a screen keeps the columns still on show,
    // moved, and asks only for the exposed ones plus one column of overlap.
    Update SetView(std::int32_t start, std::int32_t length, int width);
    void Invalidate() { valid_ = false; }

    const WaveGeometry& Geometry() const { return geometry_; }
    std::array<std::uint8_t, kMaxColumns> top{};
    std::array<std::uint8_t, kMaxColumns> bottom{};

private:
    WaveGeometry geometry_;
    bool valid_ = false;
};

// Both fill top[0 .. x1 - x0) and bottom[0 .. x1 - x0) with columns [x0, x1) of geometry.
// They return false, leaving the rest untouched, as soon as stop becomes true.
bool ComputeColumnsFromSamples(LAudioReader& reader, const ColumnStyle& style, const WaveGeometry& geometry,
                               int x0, int x1, std::uint8_t* top, std::uint8_t* bottom,
                               const std::atomic<bool>* stop = nullptr);
bool ComputeColumnsFromPeaks(const LAudioData& sound, const ColumnStyle& style, const WaveGeometry& geometry,
                             int x0, int x1, std::uint8_t* top, std::uint8_t* bottom,
                             const std::atomic<bool>* stop = nullptr);

}  // namespace sv
