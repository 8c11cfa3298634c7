#include "analysis/FrequencySpectrum.h"

#include "analysis/AnalysisScale.h"
#include "core/BlockReader.h"

#include <algorithm>
#include <cmath>

namespace sv {

SpectrumAnalyzer::SpectrumAnalyzer()
    : transform_(kSpectrumOrder), window_(HammingWindow(kSpectrumPoints)), re_(kSpectrumPoints), im_(kSpectrumPoints) {}

FrequencySpectrum SpectrumAnalyzer::Analyze(const LAudioData& sound, std::int32_t position) {
    FrequencySpectrum out;
    out.sampleRate = sound.sampleRate;
    out.channels = sound.channels >= 2 ? 2 : 1;
    out.position = position;
    const std::uint32_t stride = std::max<std::uint32_t>(sound.channels, 1);
    block_.assign(static_cast<std::size_t>(kSpectrumPoints) * stride, 0);
    Ref<LBlockReader> reader = LBlockReader::Create(sound);
    reader->Seek(position);
    reader->Read(block_.data(), static_cast<std::int32_t>(kSpectrumPoints));
    for (std::uint32_t c = 0; c < out.channels; ++c) {
        WindowBlock(block_.data(), stride, c, window_.data(), kSpectrumPoints, re_.data(), im_.data());
        transform_.Analysis(re_.data(), im_.data());
        std::vector<std::int8_t>& db = out.db[c];
        db.resize(kSpectrumBins);
        for (std::uint32_t k = 0; k < kSpectrumBins; ++k)
            db[k] = static_cast<std::int8_t>(SpectrumDb(std::sqrt(re_[k] * re_[k] + im_[k] * im_[k])));
    }
    return out;
}

}  // namespace sv
