#include "analysis/Spectrogram.h"

#include "analysis/AnalysisScale.h"
#include "core/BlockReader.h"
#include "core/ProgressTask.h"
#include "effects/AlignedVector.h"
#include "effects/SpectralTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sv {

std::int64_t SpectrogramData::SliceStart(std::uint32_t slice) const {
    if (slices == 0) return start;
    return start + static_cast<std::int64_t>(slice) * length / slices;
}

std::uint32_t SpectrogramOrder(std::int32_t sampleRate) {
    std::uint32_t order = 5;
    while (order < 16 && (std::int64_t{1} << order) * 30 < sampleRate) ++order;
    return order;
}

std::uint32_t SpectrogramSlices(std::int64_t length, std::uint32_t bins) {
    if (bins == 0) return 1;
    const std::int64_t wanted = std::max<std::int64_t>(length / bins * 4, 1);
    const std::int64_t cap = std::max<std::int64_t>(static_cast<std::int64_t>(kMaxSpectrogramCells / bins), 1);
    return static_cast<std::uint32_t>(std::min(wanted, cap));
}

namespace {

// Two real blocks share one complex transform: with z = a + i b, A[k] = (Z[k] + conj Z[N-k]) / 2
// and B[k] = (Z[k] - conj Z[N-k]) / 2i, so each magnitude costs half a transform.
void TwoRealMagnitudes(const SpectralTransform& transform, AlignedVector<double>& re, AlignedVector<double>& im,
                       std::uint32_t bins, double* magA, double* magB) {
    transform.Analysis(re.data(), im.data());
    const std::uint32_t n = transform.Size();
    for (std::uint32_t k = 0; k < bins; ++k) {
        const std::uint32_t j = (n - k) & (n - 1);
        const double ar = re[k] + re[j], ai = im[k] - im[j];
        const double br = im[k] + im[j], bi = re[j] - re[k];
        magA[k] = 0.5 * std::sqrt(ar * ar + ai * ai);
        magB[k] = 0.5 * std::sqrt(br * br + bi * bi);
    }
}

std::uint16_t CellOf(double m) { return static_cast<std::uint16_t>(m >= 65535.0 ? 65535 : static_cast<int>(m)); }

class SliceSource {
public:
    SliceSource(const LAudioData& sound, const SpectrogramData& out)
        : reader_(LBlockReader::Create(sound)), channels_(std::max<std::uint32_t>(sound.channels, 1)),
          n_(1u << out.order), block_(static_cast<std::size_t>(n_) * channels_) {}
    // Reads the N frames of a slice (silence past the end of the sound).
    const std::int32_t* Read(std::int64_t at) {
        reader_->Seek(static_cast<std::int32_t>(std::min<std::int64_t>(at, INT32_MAX)));
        for (std::uint32_t done = 0; done < n_;) {
            const std::uint32_t piece = std::min<std::uint32_t>(n_ - done, static_cast<std::uint32_t>(kMaxFramesPerCall));
            reader_->Read(block_.data() + static_cast<std::size_t>(done) * channels_, static_cast<std::int32_t>(piece));
            done += piece;
        }
        return block_.data();
    }
    std::uint32_t Channels() const { return channels_; }

private:
    Ref<LBlockReader> reader_;
    std::uint32_t channels_;
    std::uint32_t n_;
    std::vector<std::int32_t> block_;
};

}  // namespace

int ComputeSpectrogram(LProgressTask& task, const LAudioData& sound, std::int32_t start, std::int32_t length,
                       SpectrogramData& out) {
    out = SpectrogramData{};
    out.start = start;
    out.length = length;
    out.sampleRate = sound.sampleRate;
    out.order = SpectrogramOrder(sound.sampleRate);
    const std::uint32_t n = 1u << out.order;
    out.bins = n / 2;
    out.slices = SpectrogramSlices(length, out.bins);
    out.cells.assign(static_cast<std::size_t>(out.slices) * out.bins, 0);

    SpectralTransform transform(out.order);
    const std::vector<double> window = HammingWindow(n);
    AlignedVector<double> re(n), im(n);
    std::vector<double> scratch(n), magA(out.bins), magB(out.bins);
    SliceSource source(sound, out);
    const std::uint32_t channels = source.Channels();
    const bool stereo = channels >= 2;
    task.SetText(0, "Calcul des Données de Fréquence Temporelle");
    task.SetText(1, "Veuillez patienter...");
    // Stereo: the two channels of a slice share a transform; mono: two slices do.
    for (std::uint32_t i = 0; i < out.slices; i += stereo ? 1 : 2) {
        if ((i & 62) == 0) {
            task.SetProgress(static_cast<double>(i) / out.slices);
            if (task.Pump()) return kTaskCancelled;
        }
        std::uint16_t* row = out.cells.data() + static_cast<std::size_t>(i) * out.bins;
        if (stereo) {
            const std::int32_t* block = source.Read(out.SliceStart(i));
            WindowBlock(block, channels, 0, window.data(), n, re.data(), im.data());
            WindowBlock(block, channels, 1, window.data(), n, im.data(), scratch.data());
            TwoRealMagnitudes(transform, re, im, out.bins, magA.data(), magB.data());
            for (std::uint32_t k = 0; k < out.bins; ++k) row[k] = CellOf((magA[k] + magB[k]) / 2);
            continue;
        }
        WindowBlock(source.Read(out.SliceStart(i)), channels, 0, window.data(), n, re.data(), im.data());
        const bool pair = i + 1 < out.slices;
        if (pair) WindowBlock(source.Read(out.SliceStart(i + 1)), channels, 0, window.data(), n, im.data(), scratch.data());
        TwoRealMagnitudes(transform, re, im, out.bins, magA.data(), magB.data());
        for (std::uint32_t k = 0; k < out.bins; ++k) row[k] = CellOf(magA[k]);
        if (pair)
            for (std::uint32_t k = 0; k < out.bins; ++k) row[out.bins + k] = CellOf(magB[k]);
    }
    task.SetProgress(1.0);
    return kTaskDone;
}

const std::array<std::uint32_t, 256>& SpectrogramPalette() {
    static const std::array<std::uint32_t, 256> palette = [] {
        std::array<std::uint32_t, 256> p{};
        for (int i = 0; i < 256; ++i) {
            const int high = std::min(2 * i - 256, 255);
            const int r = i < 128 ? 0 : high;
            const int g = i < 64 ? 0 : i < 128 ? 2 * i - 128 : i < 192 ? 128 : high;
            const int b = i <= 64 ? 2 * i : i < 192 ? 128 : high;
            p[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(r << 16 | g << 8 | b);
        }
        return p;
    }();
    return palette;
}

int SpectrogramGain(int vscroll) { return static_cast<int>(std::lround(std::clamp(vscroll, 0, 100) * 2.55)); }

std::uint8_t SpectrogramColourIndex(std::uint16_t magnitude, int gain) {
    const std::int64_t v = (static_cast<std::int64_t>(magnitude) * gain * 96) >> 16;
    return static_cast<std::uint8_t>(std::min<std::int64_t>(v, 255));
}

std::vector<double> SecondGridSlices(const SpectrogramData& data) {
    std::vector<double> lines;
    if (data.length <= 0 || data.sampleRate <= 0) return lines;
    for (std::int64_t s = 1; s * data.sampleRate < data.length; ++s)
        lines.push_back(static_cast<double>(s * data.sampleRate) * data.slices / data.length);
    return lines;
}

std::vector<double> HertzGridBins(const SpectrogramData& data) {
    std::vector<double> lines;
    if (data.sampleRate <= 2000 || data.bins == 0) return lines;
    const double binHz = static_cast<double>(data.sampleRate) / (2.0 * data.bins);
    for (int hz = 1000; hz < data.sampleRate / 2; hz += 1000) lines.push_back(hz / binHz);
    return lines;
}

std::string SpectrogramTimeText(std::int64_t ms) {
    const bool negative = ms < 0;
    const std::int64_t a = negative ? -ms : ms;
    char text[48];
    std::snprintf(text, sizeof text, "%s%d:%.2d:%.2d.%.1d", negative ? "-" : "", static_cast<int>(a / 3600000),
                  static_cast<int>(a / 60000 % 60), static_cast<int>(a / 1000 % 60), static_cast<int>(a % 1000 / 100));
    return text;
}

std::string SpectrogramStatus(const SpectrogramData& data, std::uint32_t slice, std::uint32_t bin) {
    slice = std::min(slice, data.slices ? data.slices - 1 : 0);
    bin = std::min(bin, data.bins ? data.bins - 1 : 0);
    const std::int64_t frame = data.SliceStart(slice);
    const std::int64_t ms = data.sampleRate > 0 ? frame * 1000 / data.sampleRate : 0;
    const int hz = data.bins ? static_cast<int>(static_cast<std::int64_t>(bin) * data.sampleRate / (2 * data.bins)) : 0;
    const int db = data.cells.empty() ? -128 : SpectrogramDb(data.Cell(slice, bin));
    char text[160];
    std::snprintf(text, sizeof text, "Durée: %s    Fréquence: %d Hz    Volume:%d dB",
                  SpectrogramTimeText(ms).c_str(), hz, db);
    return text;
}

SpectrogramCell FullViewCell(const SpectrogramData& data, int x, int y, int width, int height) {
    SpectrogramCell cell;
    if (width <= 0 || height <= 0 || data.slices == 0 || data.bins == 0) return cell;
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    cell.slice = static_cast<std::uint32_t>(static_cast<std::int64_t>(x) * data.slices / width);
    cell.bin = static_cast<std::uint32_t>(static_cast<std::int64_t>(height - 1 - y) * data.bins / height);
    return cell;
}

}  // namespace sv
