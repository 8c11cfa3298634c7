#pragma once
// A filter that reads its input one window ahead of what it outputs, so a gain can start moving
// before the loud (or quiet) window arrives: the compressor, the gate and automatic gain control.
// Each window read is handed to Analyse() as the look-ahead; when the output window is used up
// the look-ahead takes its place, the next window is read and analysed, and BeginWindow() sets
// the ramps for the window about to be output. Render() then produces the output frames.
#include "effects/Filter.h"

#include <vector>

namespace sv {

class LLookAheadFilter : public LFilter {
public:
    LLookAheadFilter(Ref<LAudioReader> input, std::int32_t windowFrames);

    void Read(std::int32_t* dst, std::int32_t frames) override;
    // The output position, one window behind the input's.
    std::int32_t Position() const override { return position_; }
    void Seek(std::int32_t position) override;
    std::int32_t Window() const { return window_; }

protected:
    // window holds Window() interleaved frames just read; first is true for the window read at
    // the start (or after a seek), which is output first.
    virtual void Analyse(const std::int32_t* window, bool first) = 0;
    // The window analysed before the latest one is now being output.
    virtual void BeginWindow() = 0;
    // Writes frames output frames from in (the output window at offset, same layout) to out.
    virtual void Render(const std::int32_t* in, std::int32_t offset, std::int32_t* out, std::int32_t frames) = 0;

private:
    void Start();
    void Advance();

    std::int32_t window_;
    std::vector<std::int32_t> out_, next_;
    std::int32_t used_ = 0;
    bool started_ = false;
    std::int32_t position_ = 0;
};

// rate * ms / 1000 frames, at least lo and at most hi (rate 44,100 when 0 or less).
std::int32_t WindowFrames(std::int32_t rate, double ms, std::int32_t lo, std::int32_t hi);

}  // namespace sv
