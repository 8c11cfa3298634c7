#include "effects/BandCurves.h"

#include "platform/Settings.h"

#include <algorithm>
#include <cmath>

namespace sv {

namespace {

std::uint8_t AmpLevel(int percent) { return percent <= 0 ? 0 : PercentToLevel(percent); }

LCurve SixPoints(int s, int e, int w, std::uint8_t in, std::uint8_t out) {
    return {{0, out},
            {FrequencyPosition(s - w), out},
            {FrequencyPosition(s), in},
            {FrequencyPosition(e), in},
            {FrequencyPosition(e + w), out},
            {255, out}};
}

LCurve Harmonics(const BandParams& p) {
    // Notches at the fundamental and its multiples, each "slope" Hz wide, while they fit the axis
    // and the 64 points.
    LCurve curve{{0, kUnityLevel}};
    const int f = std::max(1, p.freq);
    const int half = std::max(1, p.slope / 2);
    const std::uint8_t depth = AmpLevel(std::min(p.amp, 199));
    for (int k = 1; k <= std::max(1, p.count) && curve.size() + 4 <= kMaxCurvePoints; ++k) {
        const long centre = static_cast<long>(k) * f;
        if (centre + half > kEqualizerTopHz) break;
        curve.push_back({FrequencyPosition(static_cast<double>(centre - half)), kUnityLevel});
        curve.push_back({FrequencyPosition(static_cast<double>(centre)), depth});
        curve.push_back({FrequencyPosition(static_cast<double>(centre + half)), kUnityLevel});
    }
    curve.push_back({255, kUnityLevel});
    NormalizeCurve(curve);
    return curve;
}

}  // namespace

std::uint8_t FrequencyPosition(double freq) {
    if (!(freq > 0)) return 0;
    const double r = std::min(1.0, freq / kEqualizerTopHz);
    return static_cast<std::uint8_t>(std::trunc(255 * r));
}

double PositionToDisplay(double position, bool logarithmic) {
    const double r = std::clamp(position / 255.0, 0.0, 1.0);
    return logarithmic ? std::log(1 + 15 * r) / std::log(16.0) : r;
}

double DisplayToPosition(double x, bool logarithmic) {
    x = std::clamp(x, 0.0, 1.0);
    const double r = logarithmic ? (std::exp(x * std::log(16.0)) - 1) / 15 : x;
    return 255.0 * r;
}

double PositionFrequency(double position) { return kEqualizerTopHz * position / 255.0; }

const char* BandGroup(BandKind kind) {
    switch (kind) {
        case BandKind::BandPass: return "BandPass";
        case BandKind::BandStop: return "BandStop";
        case BandKind::HighPass: return "HighPass";
        case BandKind::LowPass: return "LowPass";
        case BandKind::Notch: return "Notch";
        case BandKind::BoostCut: return "Boost/Cut";
        case BandKind::Harmonic: return "Harmonic";
        case BandKind::Drawn:
        default: return "";
    }
}

const char* BandKindName(BandKind kind) {
    switch (kind) {
        case BandKind::BandPass: return "Passe-Bande";
        case BandKind::BandStop: return "Coupe-Bande";
        case BandKind::HighPass: return "Passe-Haut";
        case BandKind::LowPass: return "Passe-Bas";
        case BandKind::Notch: return "Filtre Coupe-Fréquence";
        case BandKind::BoostCut: return "Accentuation/Atténuation";
        case BandKind::Harmonic: return "Harmonique";
        case BandKind::Drawn:
        default: return "Courbe dessinée";
    }
}

BandParams ReadBandParams(const Settings& settings, BandKind kind) {
    BandParams p;
    const std::string g = BandGroup(kind);
    if (kind == BandKind::HighPass || kind == BandKind::LowPass) {
        p.freq = settings.ReadIntSetting(g, "Freq", 4000);
        p.amp = settings.ReadIntSetting(g, "Amp", 50);
        p.slope = settings.ReadIntSetting(g, "Slope", 1000);
    } else if (kind == BandKind::Harmonic) {
        p.freq = settings.ReadIntSetting(g, "Freq", 1000);
        p.count = settings.ReadIntSetting(g, "Count", 5);
        p.amp = settings.ReadIntSetting(g, "Amp", 0);
        p.slope = settings.ReadIntSetting(g, "Slope", 400);
    } else if (kind != BandKind::Drawn) {
        p.start = settings.ReadIntSetting(g, "StartFreq", 8000);
        p.end = settings.ReadIntSetting(g, "EndFreq", 12000);
        p.amp = settings.ReadIntSetting(g, "Amp", 1000);
        p.slope = settings.ReadIntSetting(g, "Slope", 1000);
    }
    return p;
}

void WriteBandParams(Settings& settings, BandKind kind, const BandParams& p) {
    const std::string g = BandGroup(kind);
    if (kind == BandKind::Drawn) return;
    if (kind == BandKind::HighPass || kind == BandKind::LowPass || kind == BandKind::Harmonic) {
        settings.WriteIntUserSetting(g, "Freq", p.freq);
        if (kind == BandKind::Harmonic) settings.WriteIntUserSetting(g, "Count", p.count);
    } else {
        settings.WriteIntUserSetting(g, "StartFreq", p.start);
        settings.WriteIntUserSetting(g, "EndFreq", p.end);
    }
    settings.WriteIntUserSetting(g, "Amp", p.amp);
    settings.WriteIntUserSetting(g, "Slope", p.slope);
}

LCurve BandCurve(BandKind kind, BandParams p) {
    const std::uint8_t unity = kUnityLevel;
    const int top = static_cast<int>(kEqualizerTopHz);
    switch (kind) {
        case BandKind::BandPass:
        case BandKind::BandStop:
        case BandKind::Notch:
        case BandKind::BoostCut: {
            const bool pass = kind == BandKind::BandPass;
            p.amp = std::min(p.amp, pass || kind == BandKind::BandStop ? 100 : 199);
            if (kind == BandKind::Notch) {
                p.slope = 0;
                p.end = std::max(p.end, p.start + 50);
            }
            p.end = std::max(p.end, p.start);
            if (p.start - p.slope < 0) p.slope = std::max(0, p.start);
            p.end = std::min(p.end, top);
            if (p.end + p.slope > top) p.slope = top - p.end;
            const std::uint8_t amp = AmpLevel(p.amp);
            return pass ? SixPoints(p.start, p.end, p.slope, unity, amp) : SixPoints(p.start, p.end, p.slope, amp, unity);
        }
        case BandKind::HighPass:
        case BandKind::LowPass: {
            p.amp = std::min(p.amp, 100);
            p.freq = std::min(p.freq, top);
            if (p.freq - p.slope < 0) p.slope = std::max(0, p.freq);
            const std::uint8_t amp = AmpLevel(p.amp);
            LCurve c = kind == BandKind::HighPass
                           ? LCurve{{0, amp}, {FrequencyPosition(p.freq - p.slope), amp}, {FrequencyPosition(p.freq), unity}, {255, unity}}
                           : LCurve{{0, unity}, {FrequencyPosition(p.freq), unity}, {FrequencyPosition(p.freq + p.slope), amp}, {255, amp}};
            return c;
        }
        case BandKind::Harmonic:
            return Harmonics(p);
        case BandKind::Drawn:
        default:
            return FlatCurve();
    }
}

}  // namespace sv
