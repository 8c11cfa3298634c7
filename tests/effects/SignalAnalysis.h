#pragma once
// Measuring sounds in the DSP tests with the program's own transform: tone frequency and level,
// the strongest spurious component, and the envelope of a burst.
#include "core/AudioReader.h"
#include "effects/SpectralTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace sv::test {

constexpr double kTestPi = 3.14159265358979323846;

// Interleaved sine of amplitude (in internal samples) at freq Hz on every channel (or a
// different frequency per channel when freqs has one per channel).
inline std::vector<std::int32_t> SineSamples(std::int32_t frames, std::int32_t rate, std::vector<double> freqs,
                                             double amplitude, std::uint8_t channels = 1) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c) {
            const double f = freqs[std::min<std::size_t>(c, freqs.size() - 1)];
            s[static_cast<std::size_t>(k) * channels + c] =
                static_cast<std::int32_t>(std::lrint(amplitude * std::sin(2.0 * kTestPi * f * k / rate)));
        }
    return s;
}

inline std::vector<std::int32_t> ReadAll(LAudioReader& r, std::int32_t frames) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * r.channels);
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t n = std::min(kMaxFramesPerCall, frames - done);
        r.Read(out.data() + static_cast<std::size_t>(done) * r.channels, n);
        done += n;
    }
    return out;
}

struct ToneFigures {
    double frequency = 0;  // Hz
    double amplitude = 0;  // peak, internal samples
    double spurDb = 0;     // strongest component away from the tone, dB below it
};

// Analyses 2^order frames from frame `from` of one channel through a Kaiser window (beta 20,
// side lobes far below anything measured here), so spurs down to -150 dB are visible.
inline ToneFigures AnalyseTone(const std::vector<std::int32_t>& s, int channels, int channel, std::int32_t from,
                               std::uint32_t order, double rate) {
    SpectralTransform fft(order);
    const std::uint32_t n = fft.Size();
    std::vector<double> re(n), im(n, 0.0), w(n);
    auto i0 = [](double x) {
        double sum = 1, term = 1;
        for (int k = 1; k < 200; ++k) {
            term *= x * x / 4 / (static_cast<double>(k) * k);
            sum += term;
        }
        return sum;
    };
    const double beta = 20.0;
    double gain = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const double u = 2.0 * i / (n - 1) - 1.0;
        w[i] = i0(beta * std::sqrt(std::max(0.0, 1 - u * u))) / i0(beta);
        gain += w[i];
        re[i] = s[(static_cast<std::size_t>(from) + i) * channels + channel] * w[i];
    }
    fft.Analysis(re.data(), im.data());
    std::vector<double> mag(n / 2);
    for (std::uint32_t k = 0; k < n / 2; ++k) mag[k] = std::hypot(re[k], im[k]) * n / gain * 2;
    const std::size_t peak = static_cast<std::size_t>(std::max_element(mag.begin() + 1, mag.end() - 1) - mag.begin());
    // The log of a Kaiser main lobe is close to a parabola.
    const double a = std::log(mag[peak - 1]), b = std::log(mag[peak]), c = std::log(mag[peak + 1]);
    const double delta = 0.5 * (a - c) / (a - 2 * b + c);
    ToneFigures t;
    t.frequency = (peak + delta) * rate / n;
    t.amplitude = std::exp(b - 0.25 * (a - c) * delta);
    double spur = 0;
    for (std::size_t k = 0; k < mag.size(); ++k)
        if (k + 14 < peak || k > peak + 14) spur = std::max(spur, mag[k]);
    t.spurDb = 20 * std::log10(std::max(spur, 1e-300) / t.amplitude);
    return t;
}

// Root mean square of one channel over [from, from + count).
inline double Rms(const std::vector<std::int32_t>& s, int channels, int channel, std::size_t from, std::size_t count) {
    double sum = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        const double v = s[i * channels + channel];
        sum += v * v;
    }
    return std::sqrt(sum / std::max<std::size_t>(count, 1));
}

// First and last frame where a burst's short-term level (rms over window frames, times
// sqrt 2) reaches half of level.
inline std::pair<std::int64_t, std::int64_t> BurstEdges(const std::vector<std::int32_t>& s, double level,
                                                        std::size_t window) {
    const std::size_t frames = s.size();
    std::int64_t first = -1, last = -1;
    for (std::size_t i = 0; i + window <= frames; i += 8) {
        const double r = Rms(s, 1, 0, i, window) * std::sqrt(2.0);
        if (r >= level / 2) {
            const std::int64_t centre = static_cast<std::int64_t>(i + window / 2);
            if (first < 0) first = centre;
            last = centre;
        }
    }
    return {first, last};
}

// What a noise reduction did to a known tone: the gain in signal-to-noise ratio over frames
// [from, to), with the residual taken as output minus the tone scaled by the output's own
// least-squares gain, and the tone's level change.
struct NoiseFigures {
    double snrGainDb = 0;
    double toneChangeDb = 0;
};

inline NoiseFigures MeasureNoiseReduction(const std::vector<double>& clean, const std::vector<double>& noisy,
                                          const std::vector<double>& out, std::size_t from, std::size_t to) {
    double cc = 0, co = 0, nIn = 0;
    for (std::size_t i = from; i < to; ++i) {
        cc += clean[i] * clean[i];
        co += clean[i] * out[i];
        nIn += (noisy[i] - clean[i]) * (noisy[i] - clean[i]);
    }
    const double g = co / cc;
    double nOut = 0;
    for (std::size_t i = from; i < to; ++i) nOut += (out[i] - g * clean[i]) * (out[i] - g * clean[i]);
    return {10 * std::log10(nIn / nOut), 20 * std::log10(g)};
}

}  // namespace sv::test
