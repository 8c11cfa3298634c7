#include "batch/BatchSettingsDialog.h"

#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/BasicEffectCommands.h"
#include "effects/DelayCommands.h"
#include "effects/EffectCommand.h"
#include "effects/EqualizerCommands.h"
#include "effects/SpeedPitchCommands.h"
#include "formats/ConvertCommands.h"

namespace sv {

namespace {

DialogSpec Simple(const char* resource, const char* caption) {
    DialogSpec spec;
    spec.resource = resource;
    spec.caption = caption;
    return spec;
}

// The dialog of row with p's values; its "validate" is the command's own, extended by the
// batch's limits so that what it accepts also runs.
std::optional<DialogSpec> DialogFor(Workspace& ws, std::uint32_t row, const BatchParams& p) {
    DialogSpec spec;
    switch (row) {
        case kRowSilenceStart:
        case kRowSilenceEnd:
            spec = Simple("InsertSilence", "Insérer Silence");
            spec.fields.push_back(IntegerField("a", "Durée du Silence (ms):", p.a));
            break;
        case kRowAmplify: spec = AmplifyDialog(p.a); spec.Field("gain")->id = "a"; break;
        case kRowNormalize: spec = NormalizeDialog(p.a); spec.Field("level")->id = "a"; break;
        case kRowLowCut: spec = LowCutDialog(p.a); spec.Field("freq")->id = "a"; break;
        case kRowEqualizer: spec = EqualizerDialog(ws, p.curve, 0, true); break;
        case kRowEnvelope: spec = EnvelopeDialog(p.curve); break;
        case kRowEcho:
            spec = EchoDialog();
            spec.SetValue("time", std::to_string(p.a));
            spec.SetValue("gain", std::to_string(p.b));
            break;
        case kRowReverb:
            spec = ReverbDialog();
            spec.SetValue("time", std::to_string(p.a));
            spec.SetValue("level", std::to_string(p.b));
            break;
        case kRowNoiseGate:
            spec = Simple("13", "Réduction du Bruit");
            spec.fields.push_back(DecibelField("a", "Niveau de l'Antiparasite:", p.a, -127, 0));
            break;
        case kRowSpeedPitch: spec = SpeedPitchDialog(SpeedPitchMode::SpeedAndPitch, p.a); break;
        case kRowSpeed: spec = SpeedPitchDialog(SpeedPitchMode::Speed, p.a); break;
        case kRowPitch: spec = SpeedPitchDialog(SpeedPitchMode::Pitch, p.a); break;
        case kRowCompressor: {
            spec = Simple("19", "Compresseur de Gamme d'Amplification");
            spec.fields.push_back(DecibelField("a", "Palier:", p.a, -40, 0));
            DialogField ratio{"b", "Ratio:", DialogField::Kind::Choice, std::to_string(p.b), {}};
            for (int r = 0; r < 7; ++r) ratio.choices.push_back(BatchRatioLabel(r));
            spec.fields.push_back(ratio);
            spec.fields.push_back(DecibelField("c", "Limite:", p.c, 0, 12));
            break;
        }
        case kRowSampleRate: spec = ConvertRateDialog(p.a); spec.Field("rate")->id = "a"; break;
        case kRowChannels:
            spec = Simple("ConvertChannel", "Convertir le Canal (Mono <-> Stéréo)");
            spec.fields.push_back({"a", "Canaux :", DialogField::Kind::Choice, std::to_string(p.a == 2 ? 1 : 0),
                                   {"Mono", "Stéréo"}});
            break;
        case kRowStereoPan: spec = StereoPanDialog(p.a); spec.Field("pan")->id = "a"; break;
        default: return std::nullopt;
    }
    return spec;
}

BatchParams ReadBack(std::uint32_t row, const DialogSpec& spec) {
    BatchParams p;
    switch (row) {
        case kRowEqualizer:
        case kRowEnvelope: p.curve = CurveFromText(spec.Value("curve")); break;
        case kRowEcho: p.a = spec.IntValue("time"); p.b = spec.IntValue("gain"); break;
        case kRowReverb: p.a = spec.IntValue("time"); p.b = spec.IntValue("level"); break;
        case kRowSpeedPitch:
        case kRowSpeed:
        case kRowPitch: p.a = spec.IntValue("percent"); break;
        case kRowCompressor: p.a = spec.IntValue("a"); p.b = spec.IntValue("b"); p.c = spec.IntValue("c"); break;
        case kRowChannels: p.a = spec.IntValue("a") == 1 ? 2 : 1; break;
        default: p.a = spec.IntValue("a"); break;
    }
    return p;
}

}  // namespace

bool EditBatchEntry(Workspace& ws, LBatchEntry& entry) {
    const BatchParams current = ResolveBatchParams(entry, ws.settings());
    std::optional<DialogSpec> spec = DialogFor(ws, entry.row, current);
    if (!spec) return false;
    const std::uint32_t row = entry.row;
    auto own = spec->validate;
    spec->validate = [own, row](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (own) {
            if (auto refusal = own(s)) return refusal;
        }
        if (auto text = CheckBatchParams(row, ReadBack(row, s))) return InvalidValue(*text, {});
        return std::nullopt;
    };
    if (!ws.host().RunDialog(*spec)) return false;
    entry.settings = EncodeBatchParams(row, ReadBack(row, *spec));
    return true;
}

}  // namespace sv
