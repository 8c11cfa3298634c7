#pragma once
// The channel converters: filters that change the channel count of their input. Mono to
// stereo copies each sample to both channels; to mono keeps the first (left) sample of each
// frame. They keep their own input buffer, so the caller's buffer holds the output layout.
#include "effects/Filter.h"

#include <vector>

namespace sv {

class LMonoToStereoFilter : public LFilter {
public:
    explicit LMonoToStereoFilter(Ref<LAudioReader> input);
    void Read(std::int32_t* dst, std::int32_t frames) override;

private:
    std::vector<std::int32_t> buffer_;
};

class LStereoToMonoFilter : public LFilter {
public:
    explicit LStereoToMonoFilter(Ref<LAudioReader> input);
    void Read(std::int32_t* dst, std::int32_t frames) override;

private:
    std::vector<std::int32_t> buffer_;
};

// The input itself when it already has the wanted count (1 or 2), otherwise a converter on it.
Ref<LAudioReader> ConvertChannels(Ref<LAudioReader> input, std::uint8_t wanted);

}  // namespace sv
