#include "batch/BatchRows.h"

#include "effects/CurveFile.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cstdio>

namespace sv {

namespace {

// Layout of the settings bytes: which little-endian fields follow one another.
enum class Layout { None, I32, I16, I8, U8, I32I16, Curve, Compressor };

struct RowInfo {
    const char* name;
    Layout layout;
    // Defaults in the settings store, in the order of the layout's fields.
    const char* keyA;
    int defA;
    const char* keyB;
    int defB;
    const char* keyC;
    int defC;
};

constexpr const char* kStored = "StoredValues";

// ReverbLevel: the list, its dialog and the conversion all start from 100, the reverb
// command's own default.
const RowInfo kRows[kBatchRowCount] = {
    {"Coupure Automatique", Layout::None, "AutoTrimThreshold", -20, nullptr, 0, nullptr, 0},
    {"Insérer Silence Au Début", Layout::I32, "SilenceTimes", 0, nullptr, 0, nullptr, 0},
    {"Insérer Silence à la Fin", Layout::I32, "SilenceTimes", 0, nullptr, 0, nullptr, 0},
    {"Amplifier", Layout::I16, "AmplifyGain", 100, nullptr, 0, nullptr, 0},
    {"Normaliser", Layout::I16, "NormalizePeakLevel", 100, nullptr, 0, nullptr, 0},
    {"Filtre Passe-Haut", Layout::I32, "LowCutFreq", 250, nullptr, 0, nullptr, 0},
    {"Egalisateur", Layout::Curve, nullptr, 0, nullptr, 0, nullptr, 0},
    {"Echo", Layout::I32I16, "EchoTime", 800, "EchoGain", 50, nullptr, 0},
    {"Reverbération", Layout::I32I16, "ReverbTime", 50, "ReverbLevel", 100, nullptr, 0},
    {"Enveloppe", Layout::Curve, nullptr, 0, nullptr, 0, nullptr, 0},
    {"Gestion d'accroissement automatique", Layout::None, nullptr, 0, nullptr, 0, nullptr, 0},
    {"Réduction du Bruit", Layout::I8, "NoiseGateLevel", -30, nullptr, 0, nullptr, 0},
    {"Modification de Vitesse et de Hauteur Tonale", Layout::I16, "SpSpeedPitch", 100, nullptr, 0, nullptr, 0},
    {"Modification de Vitesse", Layout::I16, "ConstPitchSpeed", 100, nullptr, 0, nullptr, 0},
    {"Modification de Hauteur Tonale", Layout::I16, "ConstSpeedPitch", 100, nullptr, 0, nullptr, 0},
    {"Compresseur de Gamme d'Amplification", Layout::Compressor, "CompressorThreshold", -20, "CompressorRatio", 0,
     "CompressorLimit", 3},
    {"Convertir le Taux d'Echantillonnage", Layout::I32, "ConvertSampleRate", 44100, nullptr, 0, nullptr, 0},
    {"Convertir le Canal (Mono <-> Stéréo)", Layout::U8, "ConvertChannel", 1, nullptr, 0, nullptr, 0},
    {"Panorama Stéréo", Layout::I32, "StereoPan", 50, nullptr, 0, nullptr, 0},
    {"Réduire la Piste Vocale", Layout::None, nullptr, 0, nullptr, 0, nullptr, 0},
};

constexpr std::size_t kCurveSlot = 1 + 2 * kMaxCurvePoints;  // 129

std::size_t LayoutSize(Layout layout) {
    switch (layout) {
        case Layout::None: return 0;
        case Layout::I32: return 4;
        case Layout::I16: return 2;
        case Layout::I8:
        case Layout::U8: return 1;
        case Layout::I32I16: return 6;
        case Layout::Curve: return kCurveSlot;
        case Layout::Compressor: return 3;
    }
    return 0;
}

std::int32_t I32(const std::vector<std::uint8_t>& b, std::size_t at) {
    const std::uint32_t u = std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
                            std::uint32_t(b[at + 3]) << 24;
    return static_cast<std::int32_t>(u);
}
std::int16_t I16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int16_t>(std::uint16_t(b[at] | b[at + 1] << 8));
}
void PutI32(std::vector<std::uint8_t>& b, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}
void PutI16(std::vector<std::uint8_t>& b, int v) {
    const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, -32768, 32767)));
    b.push_back(static_cast<std::uint8_t>(u));
    b.push_back(static_cast<std::uint8_t>(u >> 8));
}
std::uint8_t I8Byte(int v) { return static_cast<std::uint8_t>(static_cast<std::int8_t>(std::clamp(v, -128, 127))); }

// Never reads past the 64 pairs of the slot, whatever the count byte says.
LCurve DecodeCurve(const std::vector<std::uint8_t>& b) {
    LCurve curve;
    const std::size_t n = std::min<std::size_t>(b[0], kMaxCurvePoints);
    for (std::size_t i = 0; i < n; ++i) curve.push_back({b[1 + 2 * i], b[2 + 2 * i]});
    NormalizeCurve(curve);
    return curve.empty() ? FlatCurve() : curve;
}

// The parameters held in b, which has at least the layout's size.
BatchParams DecodeBytes(Layout layout, const std::vector<std::uint8_t>& b) {
    BatchParams p;
    switch (layout) {
        case Layout::I32: p.a = I32(b, 0); break;
        case Layout::I16: p.a = I16(b, 0); break;
        case Layout::I8: p.a = static_cast<std::int8_t>(b[0]); break;
        case Layout::U8: p.a = b[0]; break;
        case Layout::I32I16: p.a = I32(b, 0); p.b = I16(b, 4); break;
        case Layout::Curve: p.curve = DecodeCurve(b); break;
        case Layout::Compressor:
            p.a = static_cast<std::int8_t>(b[0]);
            p.b = b[1];
            p.c = static_cast<std::int8_t>(b[2]);
            break;
        case Layout::None: break;
    }
    return p;
}

std::string Format(const char* pattern, int a, int b = 0) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

std::optional<std::string> OutOf(bool bad, const char* text) {
    return bad ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace

std::string BatchRowName(std::uint32_t row) { return row < kBatchRowCount ? kRows[row].name : std::string(); }

std::size_t BatchSettingsSize(std::uint32_t row) { return row < kBatchRowCount ? LayoutSize(kRows[row].layout) : 0; }

std::string BatchRatioLabel(int row) {
    static const char* const kLabels[] = {"1:1", "3:2", "2:1", "3:1", "4:1", "5:1", "Limit"};
    return row >= 0 && row < 7 ? kLabels[row] : "?";
}

BatchParams ResolveBatchParams(const LBatchEntry& entry, const Settings& settings) {
    BatchParams p;
    if (entry.row >= kBatchRowCount) return p;
    const RowInfo& info = kRows[entry.row];
    const std::size_t need = LayoutSize(info.layout);
    if (need > 0 && entry.settings.size() >= need) return DecodeBytes(info.layout, entry.settings);
    if (info.layout == Layout::Curve) {
        p.curve = ReadCurveFile(entry.row == kRowEqualizer ? EqualizerCurvePath() : EnvelopeCurvePath());
        return p;
    }
    const char* group = entry.row == kRowAutoTrim ? "Settings" : kStored;
    if (info.keyA) p.a = settings.ReadIntSetting(group, info.keyA, info.defA);
    if (info.keyB) p.b = settings.ReadIntSetting(group, info.keyB, info.defB);
    if (info.keyC) p.c = settings.ReadIntSetting(group, info.keyC, info.defC);
    return p;
}

std::vector<std::uint8_t> EncodeBatchParams(std::uint32_t row, const BatchParams& p) {
    std::vector<std::uint8_t> b;
    if (row >= kBatchRowCount) return b;
    switch (kRows[row].layout) {
        case Layout::None: break;
        case Layout::I32: PutI32(b, p.a); break;
        case Layout::I16: PutI16(b, p.a); break;
        case Layout::I8: b.push_back(I8Byte(p.a)); break;
        case Layout::U8: b.push_back(static_cast<std::uint8_t>(std::clamp(p.a, 0, 255))); break;
        case Layout::I32I16: PutI32(b, p.a); PutI16(b, p.b); break;
        case Layout::Curve: {
            b.assign(kCurveSlot, 0);
            const std::size_t n = std::min(p.curve.size(), kMaxCurvePoints);
            b[0] = static_cast<std::uint8_t>(n);
            for (std::size_t i = 0; i < n; ++i) {
                b[1 + 2 * i] = p.curve[i].position;
                b[2 + 2 * i] = p.curve[i].level;
            }
            break;
        }
        case Layout::Compressor:
            b.push_back(I8Byte(p.a));
            b.push_back(static_cast<std::uint8_t>(std::clamp(p.b, 0, 255)));
            b.push_back(I8Byte(p.c));
            break;
    }
    return b;
}

std::optional<std::string> CheckBatchParams(std::uint32_t row, const BatchParams& p) {
    switch (row) {
        case kRowSilenceStart:
        case kRowSilenceEnd:
            // An hour of silence is already more than any batch needs; beyond, the frame count
            // of a fast rate would pass the document's limit.
            return OutOf(p.a < 0 || p.a > 3600000, "La durée du silence doit être comprise entre 0 et 3600000 ms.");
        case kRowAmplify:
            return OutOf(p.a < 0 || p.a > 400, "L'amplification doit être comprise entre 0 et 400%.");
        case kRowNormalize:
            return OutOf(p.a < 0 || p.a > 100, "Le Niveau de Crête Normalisé doit être compris entre 0 et 100%.");
        case kRowLowCut:
            return OutOf(p.a < 1 || p.a > 20000, "La fréquence doit être comprise entre 1 et 20000 Hz.");
        case kRowEqualizer:
        case kRowEnvelope:
            return OutOf(p.curve.size() > kMaxCurvePoints, "La courbe ne peut avoir plus de 64 points.");
        case kRowEcho:
            if (p.a < 10 || p.a > 2999) return "La durée de l'écho doit être comprise entre 10 et 3000ms.";
            return OutOf(p.b < 0 || p.b >= 100, "L'Amplification de l'Echo doit être inférieur à 100%.");
        case kRowReverb:
            if (p.a < 50 || p.a > 1000) return "La durée de réverbération doit être comprise entre 50 et 1000.";
            return OutOf(p.b < 0 || p.b > 100, "Le niveau de réverbération doit être inférieur à 100.");
        case kRowNoiseGate:
            return OutOf(p.a < -127 || p.a > 0, "Le niveau de l'antiparasite doit être compris entre -127 et 0 dB.");
        case kRowSpeedPitch:
        case kRowSpeed:
        case kRowPitch:
            return OutOf(p.a < 1 || p.a > 300, "Le Taux de Variation de la Vitesse doit être compris entre 1 et 300.");
        case kRowCompressor:
            if (p.a < -40 || p.a > 0) return "Le palier doit être compris entre -40 et 0 dB.";
            if (p.b < 0 || p.b > 6) return "Le ratio doit être l'un des sept ratios de la liste.";
            return OutOf(p.c < 0 || p.c > 12, "La limite doit être comprise entre 0 et 12 dB.");
        case kRowSampleRate:
            return OutOf(p.a < 1000 || p.a > 384000, "Le taux d'échantillonnage doit être compris entre 1000 et 384000 Hz.");
        case kRowChannels:
            return OutOf(p.a < 1 || p.a > 2, "Le nombre de canaux doit être 1 ou 2.");
        case kRowStereoPan:
            return OutOf(p.a < 0 || p.a > 100, "Le panorama doit être compris entre 0 et 100.");
        default:
            return std::nullopt;
    }
}

std::optional<std::string> CheckBatchEntryBytes(const LBatchEntry& entry) {
    if (entry.row >= kBatchRowCount) return "Commande inconnue.";
    const std::size_t need = BatchSettingsSize(entry.row);
    if (need == 0 || entry.settings.size() < need) return std::nullopt;
    const Layout layout = kRows[entry.row].layout;
    // The count byte may promise more pairs than the slot holds.
    if (layout == Layout::Curve && entry.settings[0] > kMaxCurvePoints) return "La courbe ne peut avoir plus de 64 points.";
    return CheckBatchParams(entry.row, DecodeBytes(layout, entry.settings));
}

std::string BatchEntryText(const LBatchEntry& entry, const Settings& settings) {
    const BatchParams p = ResolveBatchParams(entry, settings);
    switch (entry.row) {
        case kRowSilenceStart:
        case kRowSilenceEnd: return Format("Durée du silence (ms) = %d", p.a);
        case kRowAmplify: return Format("Gain d'Ampli (%%) = %d", p.a);
        case kRowNormalize: return Format("Normalisation du Niveau de Crête (%%) = %d", p.a);
        case kRowLowCut: return Format("Fréquence (Hz) = %d", p.a);
        case kRowEqualizer:
        case kRowEnvelope: return "Cliquez sur Réglages pour visualiser ou modifier.";
        case kRowEcho: return Format("Durée de l'Echo (ms) = %d, Amplification de l'Echo (%%) = %d", p.a, p.b);
        case kRowReverb:
            return Format("Durée de la Réverbération (ms) = %d, Niveau de Réverbération  (%%) = %d", p.a, p.b);
        case kRowNoiseGate: return Format("Niveau de l'Antiparasite (dB) = %d", p.a);
        case kRowSpeedPitch: return Format("Ajustement de la Vitesse/Hauteur Tonale (%%) = %d", p.a);
        case kRowSpeed: return Format("Ajustement de la Vitesse (%%) = %d", p.a);
        case kRowPitch: return Format("Ajustement de la Hauteur Tonale (%%) = %d", p.a);
        case kRowCompressor: {
            char text[256];
            std::snprintf(text, sizeof text, "Palier (db) = %d, Ratio = %s, Limite (db) = %d", p.a,
                          BatchRatioLabel(p.b).c_str(), p.c);
            return text;
        }
        case kRowSampleRate: return Format("Conversion du Taux d'Echantillonnage = %d", p.a);
        case kRowChannels: return Format("Conversion du Canal = %d", p.a);
        case kRowStereoPan: return Format("Stereo Pan = %d%%", p.a);
        default: return {};
    }
}

}  // namespace sv
