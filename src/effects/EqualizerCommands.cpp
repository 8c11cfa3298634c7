#include "effects/EqualizerCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/CurveFile.h"
#include "effects/EffectCommand.h"
#include "effects/EffectEntries.h"
#include "effects/EffectPreview.h"
#include "effects/Envelope.h"
#include "effects/Equalizer.h"
#include "effects/LowCut.h"
#include "platform/Settings.h"

namespace sv {

const StoredValue kLowCutFreq{kStoredValues, "LowCutFreq", 250};
const StoredValue kEqPreset{kStoredValues, "EQPreset", 0};
const StoredValue kEqLinearView{kStoredValues, "EQLinearView", 0};

namespace {

DialogField CurveField(const LCurve& curve, DialogField::Axis axis) {
    DialogField f;
    f.id = "curve";
    f.kind = DialogField::Kind::Curve;
    f.value = CurveToText(curve);
    f.axis = axis;
    return f;
}

// The envelope over the selection as a descriptor, for the preview.
class LEnvelopePreview final : public LEffectDescriptor {
public:
    LEnvelopePreview(LCurve curve, std::int32_t start, std::int32_t total)
        : curve_(std::move(curve)), start_(start), total_(total) {}
    std::string GetName() const override { return "Envelope"; }
    Ref<LAudioReader> CreateProcessor(const Ref<LAudioReader>& input) const override {
        return MakeRef<LEnvelopeFilter>(input, curve_, start_, total_);
    }

private:
    LCurve curve_;
    std::int32_t start_, total_;
};

std::optional<DialogRefusal> CheckFrequency(const DialogSpec& s, const char* field) {
    const int f = s.IntValue(field);
    if (f < 0 || f > 20000)
        return InvalidValue("La fréquence doit être comprise entre 0 et 20000 Hz. Veuillez réessayer.", field);
    return std::nullopt;
}

std::optional<DialogRefusal> CheckNotNegative(const DialogSpec& s, const char* field, const char* what) {
    if (s.IntValue(field) < 0)
        return InvalidValue(std::string(what) + " ne peut pas être négative. Veuillez réessayer.", field);
    return std::nullopt;
}

// Rebuilds the curve of the chosen band kind from its stored parameters, passing it through
// "equalizer.dat" as the hand-drawn curve is.
void RebuildBandCurve(Workspace& ws, DialogSpec& s) {
    const int kind = s.IntValue("preset");
    if (kind <= 0 || kind >= kBandKinds) return;
    const BandKind k = static_cast<BandKind>(kind);
    const std::string path = EqualizerCurvePath();
    WriteCurveFile(path, BandCurve(k, ReadBandParams(ws.settings(), k)));
    s.SetValue("curve", CurveToText(ReadCurveFile(path)));
}

void OpenBandSettings(Workspace& ws, DialogSpec& s) {
    const int kind = s.IntValue("preset");
    if (kind <= 0 || kind >= kBandKinds) return;
    const BandKind k = static_cast<BandKind>(kind);
    DialogSpec band = BandDialog(k, ReadBandParams(ws.settings(), k));
    if (!ws.host().RunDialog(band)) return;
    BandParams p = ReadBandParams(ws.settings(), k);
    const bool passFilter = k == BandKind::HighPass || k == BandKind::LowPass;
    if (passFilter || k == BandKind::Harmonic) {
        p.freq = band.IntValue("freq");
        if (k == BandKind::Harmonic) p.count = band.IntValue("count");
    } else {
        p.start = band.IntValue("start");
        p.end = band.IntValue("end");
    }
    p.amp = band.IntValue("amp");
    p.slope = band.IntValue("slope");
    WriteBandParams(ws.settings(), k, p);
    RebuildBandCurve(ws, s);
}

DialogField::Axis EqualizerAxis(bool linear) {
    return linear ? DialogField::Axis::LinearFrequency : DialogField::Axis::LogFrequency;
}

}  // namespace

DialogSpec LowCutDialog(int freq) {
    DialogSpec spec = MakeDialog("18", "Filtre Passe-Haut");
    spec.fields.push_back(IntegerField("freq", "Fréquence (Hz) :", freq));
    spec.presets = {{"Ronflement secteur (60 Hz)", {{"freq", "60"}}},
                    {"Grondement (100 Hz)", {{"freq", "100"}}},
                    {"Voix (250 Hz)", {{"freq", "250"}}},
                    {"Téléphone (400 Hz)", {{"freq", "400"}}}};
    return spec;
}

DialogSpec EnvelopeDialog(const LCurve& curve) {
    DialogSpec spec = MakeDialog("11", "Enveloppe");
    spec.fields.push_back(CurveField(curve, DialogField::Axis::Time));
    spec.presets = {{"Fondu en ouverture", {{"curve", CurveToText(FadeInCurve())}}},
                    {"Fondu en fermeture", {{"curve", CurveToText(FadeOutCurve())}}},
                    {"Ouverture et fermeture", {{"curve", "0:0 32:128 223:128 255:0"}}},
                    {"Creux au milieu", {{"curve", "0:128 96:128 128:32 160:128 255:128"}}}};
    spec.buttons.push_back({"flatten", "Aplanir", [](DialogSpec& s) {
                                s.SetValue("curve", CurveToText(FlattenCurveFile(EnvelopeCurvePath())));
                            }});
    return spec;
}

DialogSpec EqualizerDialog(Workspace& ws, const LCurve& curve, int preset, bool linearView) {
    DialogSpec spec = MakeDialog("3", "Egalisateur");
    spec.fields.push_back(CurveField(curve, EqualizerAxis(linearView)));
    spec.fields.push_back(ChoiceField("view", "Affichage :", {"Linéaire", "Logarithmique"}, linearView ? 0 : 1));
    std::vector<std::string> kinds;
    for (int k = 0; k < kBandKinds; ++k) kinds.push_back(BandKindName(static_cast<BandKind>(k)));
    spec.fields.push_back(ChoiceField("preset", "Préréglages:", kinds, preset >= 0 && preset < kBandKinds ? preset : 0));
    spec.changed = [&ws](DialogSpec& s, const std::string& id) {
        if (id == "view") {
            if (DialogField* f = s.Field("curve")) f->axis = EqualizerAxis(s.IntValue("view") == 0);
        } else if (id == "preset") {
            RebuildBandCurve(ws, s);
        }
    };
    spec.buttons.push_back({"settings", "Réglages", [&ws](DialogSpec& s) { OpenBandSettings(ws, s); }});
    spec.buttons.push_back({"flatten", "Aplanir", [](DialogSpec& s) {
                                s.SetValue("curve", CurveToText(FlattenCurveFile(EqualizerCurvePath())));
                                s.SetValue("preset", "0");
                            }});
    return spec;
}

DialogSpec BandDialog(BandKind kind, const BandParams& p) {
    DialogSpec spec;
    if (kind == BandKind::HighPass || kind == BandKind::LowPass) {
        spec = MakeDialog("43", "Paramètres du Passe-Haut");
        if (kind == BandKind::LowPass) spec.caption = "Paramètres du Passe-Bas";
        spec.fields.push_back(IntegerField("freq", "Fréquence (Hz) :", p.freq));
    } else if (kind == BandKind::Harmonic) {
        spec = MakeDialog("44", "Harmonique");
        spec.fields.push_back(IntegerField("freq", "Fréquence fondamentale (Hz) :", p.freq));
        spec.fields.push_back(IntegerField("count", "Nombre d'harmoniques :", p.count));
    } else {
        spec = MakeDialog("42", "Paramètres de Bande Passante");
        spec.fields.push_back(IntegerField("start", "Fréquence de début (Hz) :", p.start));
        spec.fields.push_back(IntegerField("end", "Fréquence de fin (Hz) :", p.end));
    }
    spec.caption = "Réglages - " + std::string(BandKindName(kind)) + " - " + spec.caption;
    spec.fields.push_back(IntegerField("amp", "Amplitude (%) :", p.amp));
    spec.fields.push_back(IntegerField("slope", kind == BandKind::Harmonic ? "Largeur (Hz) :" : "Pente (Hz) :", p.slope));
    spec.validate = [kind](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const bool band = s.Field("start") != nullptr;
        for (const char* f : band ? std::vector<const char*>{"start", "end"} : std::vector<const char*>{"freq"})
            if (auto r = CheckFrequency(s, f)) return r;
        if (kind == BandKind::Harmonic && (s.IntValue("count") < 1 || s.IntValue("count") > 20))
            return InvalidValue("Le nombre d'harmoniques doit être compris entre 1 et 20. Veuillez réessayer.", "count");
        if (auto r = CheckNotNegative(s, "amp", "L'amplitude")) return r;
        if (auto r = CheckNotNegative(s, "slope", kind == BandKind::Harmonic ? "La largeur" : "La pente")) return r;
        return std::nullopt;
    };
    return spec;
}

void LowCutCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = LowCutDialog(kLowCutFreq.def);
    AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LLowCutEffect(s.IntValue("freq")); });
    const auto v = AskEffectParameters(ws, {{kLowCutFreq, "freq"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = LowCutProcess(*doc, ws.blocks(), (*v)[0]);
    RunEffectProcess(ws, process);
}

void EnvelopeCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const std::string path = EnvelopeCurvePath();
    DialogSpec spec = EnvelopeDialog(ReadCurveFile(path));
    AddEffectPreview(ws, *doc, spec, [doc](const DialogSpec& s) {
        return LEnvelopePreview(CurveFromText(s.Value("curve")), doc->selectionStart,
                                doc->selectionEnd - doc->selectionStart);
    });
    if (!ws.host().RunDialog(spec)) return;
    LCurve curve = CurveFromText(spec.Value("curve"));
    if (curve.empty()) curve = FlatCurve();
    WriteCurveFile(path, curve);
    LEffectProcess process = EnvelopeProcess(*doc, ws.blocks(), std::move(curve));
    RunEffectProcess(ws, process);
}

void EqualizerCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const std::string path = EqualizerCurvePath();
    Settings& settings = ws.settings();
    DialogSpec spec = EqualizerDialog(ws, ReadCurveFile(path), ReadStoredValue(settings, kEqPreset),
                                      ReadStoredValue(settings, kEqLinearView) != 0);
    AddEffectPreview(ws, *doc, spec,
                     [](const DialogSpec& s) { return LEqualizerEffect(CurveFromText(s.Value("curve"))); });
    if (!ws.host().RunDialog(spec)) return;
    LCurve curve = CurveFromText(spec.Value("curve"));
    if (curve.empty()) curve = FlatCurve();
    WriteStoredValue(settings, kEqPreset, spec.IntValue("preset"));
    WriteStoredValue(settings, kEqLinearView, spec.IntValue("view") == 0 ? 1 : 0);
    WriteCurveFile(path, curve);
    LEffectProcess process = EqualizerProcess(*doc, ws.blocks(), std::move(curve));
    RunEffectProcess(ws, process);
}

void RegisterEqualizerCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    registry.Register(kCmdEqualizer, {EqualizerCommand, doc, nullptr, nullptr});
    registry.Register(kCmdEnvelope, {EnvelopeCommand, doc, nullptr, nullptr});
    registry.Register(kCmdHighPass, {LowCutCommand, doc, nullptr, nullptr});
}

}  // namespace sv
