#include "BenchWorkspace.h"

#include "BenchAudio.h"

#include "core/AudioDocument.h"
#include "core/BlockWriter.h"

#include <algorithm>
#include <fstream>
#include <vector>

namespace sv::bench {

void BenchWorkspace::OpenStereoMaterial(const std::string& wavPath, std::int32_t rate, std::int32_t frames,
                                        const std::function<void(std::int32_t, std::int16_t*)>& material) {
    LAudioData sound(rate, 2);
    std::ofstream wav;
    if (!wavPath.empty()) {
        wav.open(wavPath, std::ios::binary);
        wav << WavHeader(1, 2, static_cast<std::uint32_t>(rate), 16, static_cast<std::uint32_t>(frames));
    }
    {
        Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, rate, 2);
        std::vector<std::int32_t> block(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
        std::vector<std::int16_t> pcm(block.size());
        for (std::int32_t at = 0; at < frames; at += kMaxFramesPerCall) {
            const std::int32_t n = std::min(kMaxFramesPerCall, frames - at);
            for (std::int32_t i = 0; i < n; ++i) material(at + i, &pcm[2 * static_cast<std::size_t>(i)]);
            for (std::size_t k = 0; k < static_cast<std::size_t>(n) * 2; ++k) block[k] = pcm[k] * 16;
            w->Write(block.data(), n);
            if (wav.is_open()) wav.write(reinterpret_cast<const char*>(pcm.data()), static_cast<std::streamsize>(n) * 4);
        }
    }
    Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "bench.wav");
    ws.AddDocument(doc);
    ws.SetActive(doc.get());
    doc->SelectAll();
}

}  // namespace sv::bench
