#pragma once
// Shared by the recorder tests: a writer that keeps what it is given in memory, the recorder's
// DC filter written out independently, test signals and a listener that records its calls.
#include "audio/WaveRecorder.h"
#include "core/AudioWriter.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace sv::test {

class MemoryWriter : public LAudioWriter {
public:
    MemoryWriter(std::int32_t rate, std::uint8_t ch, std::int64_t failAfterFrames = -1) : failAfter_(failAfterFrames) {
        sampleRate = rate;
        channels = ch;
    }
    ~MemoryWriter() override { Finish(); }
    void Write(const std::int32_t* src, std::int32_t frames) override {
        if (failAfter_ >= 0 && framesWritten + frames > failAfter_) {
            Fail("disque plein");
            return;
        }
        samples.resize(static_cast<std::size_t>(framesWritten) * channels);
        samples.insert(samples.end(), src, src + static_cast<std::size_t>(frames) * channels);
        framesWritten += frames;
    }
    void Truncate(std::int32_t frame) override {
        framesWritten = std::max(0, frame);
        samples.resize(static_cast<std::size_t>(framesWritten) * channels);
    }
    std::vector<std::int32_t> samples;

protected:
    bool DoFinish() override { return !error; }

private:
    std::int64_t failAfter_;
};

// The recorder's DC removal over a whole 16-bit input: y = x - (acc >> 12), acc += y * k.
inline std::vector<std::int32_t> DcFiltered(const std::vector<std::int16_t>& input, int channels, std::int32_t rate) {
    const std::int64_t k = 192000 / rate + 1;
    std::vector<std::int64_t> acc(static_cast<std::size_t>(channels), 0);
    std::vector<std::int32_t> out(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        std::int64_t& a = acc[i % channels];
        const std::int64_t y = static_cast<std::int64_t>(input[i]) * 16 - (a >> 12);
        a += y * k;
        out[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(y, -0x7FFF0, 0x7FFF0));
    }
    return out;
}

// Frames alternating between +amplitude and -amplitude (no DC), or silence.
inline void AppendLoud(std::vector<std::int16_t>& s, std::int32_t frames, int channels, std::int16_t amplitude = 16000) {
    for (std::int32_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) s.push_back(static_cast<std::int16_t>(f % 2 ? -amplitude : amplitude));
}
inline void AppendSilence(std::vector<std::int16_t>& s, std::int32_t frames, int channels) {
    s.insert(s.end(), static_cast<std::size_t>(frames) * channels, 0);
}

// Frames [a, b) of interleaved samples.
inline std::vector<std::int32_t> Slice(const std::vector<std::int32_t>& s, int channels, std::int64_t a, std::int64_t b) {
    return std::vector<std::int32_t>(s.begin() + a * channels, s.begin() + b * channels);
}

struct RecorderEvents : LRecorderListener {
    std::vector<std::string> calls;
    std::vector<std::int32_t> positions;
    std::vector<std::vector<std::int8_t>> levels;
    std::string failure;
    void Writing(std::intptr_t) override { calls.push_back("writing"); }
    void Waiting(std::intptr_t) override { calls.push_back("waiting"); }
    void Stopped(std::intptr_t) override { calls.push_back("stopped"); }
    void Position(std::int32_t ms, std::intptr_t) override { positions.push_back(ms); }
    void Levels(int channels, const std::int8_t* l, std::intptr_t) override { levels.emplace_back(l, l + channels); }
    void Failed(const std::string& why, std::intptr_t) override {
        calls.push_back("failed");
        failure = why;
    }
};

}  // namespace sv::test
