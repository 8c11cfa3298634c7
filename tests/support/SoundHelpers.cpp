#include "support/SoundHelpers.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"

#include <algorithm>

namespace sv::test {

LAudioData MakeSound(BlockStore& store, const std::vector<std::int32_t>& samples, std::uint8_t channels,
                     std::int32_t rate) {
    LAudioData sound(rate, channels);
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, rate, channels);
        std::size_t frames = samples.size() / channels;
        for (std::size_t at = 0; at < frames; at += kMaxFramesPerCall) {
            std::size_t n = std::min<std::size_t>(kMaxFramesPerCall, frames - at);
            w->Write(samples.data() + at * channels, static_cast<std::int32_t>(n));
        }
    }
    return sound;
}

LAudioData MakeRamp(BlockStore& store, std::int32_t frames) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames));
    for (std::int32_t k = 0; k < frames; ++k) s[static_cast<std::size_t>(k)] = k * 16;
    return MakeSound(store, s);
}

std::vector<std::int32_t> ReadFrames(const LAudioData& sound, std::int32_t from, std::int32_t n) {
    Ref<LBlockReader> r = LBlockReader::Create(sound);
    r->Seek(from);
    std::vector<std::int32_t> out(static_cast<std::size_t>(n) * r->channels);
    std::int32_t done = 0;
    while (done < n) {
        std::int32_t take = std::min(kMaxFramesPerCall, n - done);
        r->Read(out.data() + static_cast<std::size_t>(done) * r->channels, take);
        done += take;
    }
    return out;
}

}  // namespace sv::test
