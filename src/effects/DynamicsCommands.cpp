#include "effects/DynamicsCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/BlockReader.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "effects/ClickRepair.h"
#include "effects/DynamicsEntries.h"
#include "effects/EffectCommand.h"
#include "effects/EffectPreview.h"
#include "effects/NoiseGate.h"
#include "effects/NoiseReduction.h"

#include <algorithm>

namespace sv {

const StoredValue kCompressorThreshold{kStoredValues, "CompressorThreshold", 0};
const StoredValue kCompressorRatio{kStoredValues, "CompressorRatio", 0};
const StoredValue kCompressorLimit{kStoredValues, "CompressorLimit", 0};
const StoredValue kNoiseGateLevel{kStoredValues, "NoiseGateLevel", -30};
const StoredValue kSSNoiseThreshold{kStoredValues, "SSNoiseThreshold", 30};
const StoredValue kClickSensitivity{"Settings", "ClickSensitivity", 50};
const StoredValue kMaxClickLength{"Settings", "MaxClickLength", 450};

namespace {

constexpr const char* kNoiseCaptureError = "Erreur de Réduction Manuelle du Bruit";
// The preview of the automatic noise reduction estimates its print from this much of the
// selection, so that it starts at once.
constexpr std::int32_t kPreviewEstimateSeconds = 10;

std::optional<DialogRefusal> CheckRange(const DialogSpec& s, const char* field, int lo, int hi, const std::string& text) {
    const int v = s.IntValue(field);
    if (v < lo || v > hi) return InvalidValue(text, field);
    return std::nullopt;
}

void WithPreview(Workspace& ws, DialogSpec& spec, std::function<void(const DialogSpec&)> preview) {
    spec.preview = std::move(preview);
    spec.stopPreview = [&ws] { StopPreview(ws); };
}

CompressorSettings CompressorFrom(const DialogSpec& s) {
    return {s.IntValue("threshold"), s.IntValue("ratio"), s.IntValue("limit")};
}

bool RequireStereo(Workspace& ws) {
    if (ws.Active() && ws.Active()->sound.channels == 2) return true;
    ws.host().MessageBox(
        "Cet effet ne peut être appliqué qu'aux fichiers stéréo. Veuillez convertir le fichier en stéréo dans "
        "Fichier->Convertir les Canaux->Stéréo puis réessayez.",
        "Conversion en Stéréo Exigée", MsgIcon::Information, MsgButtons::Ok);
    return false;
}

}  // namespace

DialogSpec CompressorDialog(int threshold, int ratio, int limit) {
    DialogSpec spec = MakeDialog("19", "Compresseur de Gamme d'Amplification");
    spec.fields.push_back(DecibelField("threshold", "Palier:", threshold, -40, 0));
    std::vector<std::string> rows;
    for (int r = 0; r < kCompressorRatios; ++r) rows.push_back(CompressorRatioLabel(r));
    spec.fields.push_back(ChoiceField("ratio", "Ratio:", rows, std::clamp(ratio, 0, kCompressorRatios - 1)));
    spec.fields.push_back(DecibelField("limit", "Limite:", limit, 0, 12));
    spec.presets = {{"Voix parlée", {{"threshold", "-20"}, {"ratio", "2"}, {"limit", "3"}}},
                    {"Compression douce", {{"threshold", "-10"}, {"ratio", "1"}, {"limit", "6"}}},
                    {"Compression forte", {{"threshold", "-30"}, {"ratio", "4"}, {"limit", "0"}}},
                    {"Limiteur", {{"threshold", "0"}, {"ratio", "6"}, {"limit", "0"}}}};
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (auto r = CheckRange(s, "threshold", -40, 0, "Le palier doit être compris entre -40 et 0 dB. Veuillez réessayer."))
            return r;
        if (auto r = CheckRange(s, "ratio", 0, kCompressorRatios - 1, "Veuillez choisir un ratio dans la liste.")) return r;
        return CheckRange(s, "limit", 0, 12, "La limite doit être comprise entre 0 et 12 dB. Veuillez réessayer.");
    };
    return spec;
}

DialogSpec NoiseGateDialog(int level) {
    DialogSpec spec = MakeDialog("13", "Réduction du Bruit");
    spec.fields.push_back(DecibelField("level", "Niveau de l'Antiparasite:", level, -96, 0));
    spec.presets = {{"Souffle léger", {{"level", "-50"}}},
                    {"Bruit de fond", {{"level", "-40"}}},
                    {"Bruit fort", {{"level", "-30"}}},
                    {"Salle bruyante", {{"level", "-20"}}}};
    spec.validate = [](const DialogSpec& s) {
        return CheckRange(s, "level", -96, 0,
                          "Le niveau de l'antiparasite doit être compris entre -96 et 0 dB. Veuillez réessayer.");
    };
    return spec;
}

DialogSpec AutoNoiseReductionDialog(int silencePercent) {
    DialogSpec spec = MakeDialog("47", "Réduction Spectrale Automatique des Bruits");
    spec.fields.push_back(IntegerField("silence", "Taux de Silence dans l'Audio (%):", silencePercent));
    spec.presets = {{"Musique continue", {{"silence", "10"}}},
                    {"Parole", {{"silence", "30"}}},
                    {"Enregistrement avec pauses", {{"silence", "50"}}}};
    spec.validate = [](const DialogSpec& s) {
        return CheckRange(s, "silence", 1, 100,
                          "Le taux de silence doit être compris entre 1 et 100%. Veuillez réessayer.");
    };
    return spec;
}

DialogSpec ClickRepairDialog(int sensitivity, int maxLength) {
    DialogSpec spec = MakeDialog("45", "Réparation Automatique des Claquements/Cliquetis");
    spec.fields.push_back(TrackBarField("sensitivity", "Sensibilité aux Claquements (%):", sensitivity, 0, 100));
    // The track bar's two ends, under it.
    spec.fields.push_back(LabelField("ends", "moins de claquements", " — plus de claquements"));
    spec.fields.push_back(IntegerField("length", "Durée Maximale du Claquement (ms):", maxLength));
    spec.presets = {{"Disque vinyle", {{"sensitivity", "50"}, {"length", "450"}}},
                    {"Craquements fins", {{"sensitivity", "70"}, {"length", "100"}}},
                    {"Gros claquements", {{"sensitivity", "30"}, {"length", "1000"}}}};
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (auto r = CheckRange(s, "sensitivity", 0, 100, "La sensibilité doit être comprise entre 0 et 100%. Veuillez réessayer."))
            return r;
        return CheckRange(s, "length", 1, kMaxFramesPerCall,
                          "La durée maximale du claquement doit être comprise entre 1 et 8192. Veuillez réessayer.");
    };
    return spec;
}

void CompressorCommand(Workspace& ws) {
    if (!ws.Active()) return;
    // A stored row past the table (written by hand, or by another version) runs nothing.
    const int row = ReadStoredValue(ws.settings(), kCompressorRatio);
    if (row < 0 || row >= kCompressorRatios) return;
    LAudioDocument* doc = EffectTarget(ws);
    DialogSpec spec = CompressorDialog(kCompressorThreshold.def, row, kCompressorLimit.def);
    WithPreview(ws, spec, [&ws, doc](const DialogSpec& s) { PreviewEffect(ws, *doc, LCompressorEffect(CompressorFrom(s))); });
    const auto v = AskEffectParameters(
        ws, {{kCompressorThreshold, "threshold"}, {kCompressorRatio, "ratio"}, {kCompressorLimit, "limit"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = CompressorProcess(*doc, ws.blocks(), {(*v)[0], (*v)[1], (*v)[2]});
    RunEffectProcess(ws, process);
}

void AutoGainCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    LEffectProcess process = AutoGainProcess(*doc, ws.blocks());
    RunEffectProcess(ws, process);
}

void NoiseGateCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = NoiseGateDialog(kNoiseGateLevel.def);
    WithPreview(ws, spec, [&ws, doc](const DialogSpec& s) { PreviewEffect(ws, *doc, LNoiseGateEffect(s.IntValue("level"))); });
    const auto v = AskEffectParameters(ws, {{kNoiseGateLevel, "level"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = NoiseGateProcess(*doc, ws.blocks(), (*v)[0]);
    RunEffectProcess(ws, process);
}

void AutoNoiseReductionCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = AutoNoiseReductionDialog(kSSNoiseThreshold.def);
    WithPreview(ws, spec, [&ws, doc](const DialogSpec& s) {
        Ref<LBlockReader> reader = LBlockReader::Create(doc->sound);
        const std::int32_t frames =
            std::min(doc->selectionEnd - doc->selectionStart, kPreviewEstimateSeconds * doc->sound.sampleRate);
        std::shared_ptr<const NoisePrint> print =
            EstimateNoisePrint(*reader, doc->selectionStart, std::max(frames, 1), s.IntValue("silence"));
        PreviewEffect(ws, *doc, LNoiseReductionEffect(std::move(print)));
    });
    const auto v = AskEffectParameters(ws, {{kSSNoiseThreshold, "silence"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = AutoNoiseReductionProcess(*doc, ws.blocks(), (*v)[0]);
    RunEffectProcess(ws, process);
}

void NoiseSampleCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const std::int64_t frames = std::int64_t{doc->selectionEnd} - doc->selectionStart;
    if (frames > std::int64_t{8} * doc->sound.sampleRate) {
        ws.host().MessageBox(
            "Vous ne pouvez pas échantillonner une zone de votre fichier audio supérieure à 8 secondes. Veuillez "
            "sélectionner une zone plus courte.",
            kNoiseCaptureError, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (frames <= 0) return;
    StopPreview(ws);
    std::shared_ptr<const NoisePrint> print;
    LNoiseCaptureTask task(*doc, print);
    if (!RunTask(ws.host(), task) || !print) return;
    ws.noisePrint = std::move(print);
    ws.CommandStatesChanged();
}

void NoiseReductionCommand(Workspace& ws) {
    if (!ws.noisePrint) return;
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    if (!PrintFits(*ws.noisePrint, doc->sound.sampleRate, doc->sound.channels)) {
        ws.host().MessageBox(
            "L'échantillon de son que vous avez recueilli n'est pas compatible avec la sélection à laquelle vous "
            "tentez de l'appliquer.",
            kNoiseCaptureError, MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    LEffectProcess process = NoiseReductionProcess(*doc, ws.blocks(), ws.noisePrint);
    RunEffectProcess(ws, process);
}

void VocalReductionCommand(Workspace& ws) {
    if (!ws.Active() || !RequireStereo(ws)) return;
    LAudioDocument* doc = EffectTarget(ws);
    LEffectProcess process = VocalReductionProcess(*doc, ws.blocks());
    RunEffectProcess(ws, process);
}

void ClickRepairCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = ClickRepairDialog(kClickSensitivity.def, kMaxClickLength.def);
    WithPreview(ws, spec, [&ws, doc](const DialogSpec& s) {
        PreviewEffect(ws, *doc, LClickRepairEffect(s.IntValue("sensitivity"), s.IntValue("length")));
    });
    const auto v = AskEffectParameters(ws, {{kClickSensitivity, "sensitivity"}, {kMaxClickLength, "length"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = ClickRepairProcess(*doc, ws.blocks(), (*v)[0], (*v)[1]);
    RunEffectProcess(ws, process);
}

void ManualClickRepairCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    const std::int32_t frames = doc->selectionEnd - doc->selectionStart;
    if (frames <= 0) return;
    if (frames > doc->sound.sampleRate / 1000) {
        ws.host().MessageBox(
            "Sonvela ne peut effectuer de réduction manuelle sur une zone de cette taille. Veuillez sélectionner une "
            "zone de moins grande taille.",
            "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    LEffectProcess process = ManualClickRepairProcess(*doc, ws.blocks());
    RunEffectProcess(ws, process);
}

void RegisterDynamicsCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    const auto print = [](const Workspace& ws) { return HasActiveDocument(ws) && ws.noisePrint != nullptr; };
    registry.Register(kCmdCompressor, {CompressorCommand, doc, nullptr, nullptr});
    registry.Register(kCmdAutoGain, {AutoGainCommand, doc, nullptr, nullptr});
    registry.Register(kCmdNoiseGate, {NoiseGateCommand, doc, nullptr, nullptr});
    registry.Register(kCmdAutoNoiseReduction, {AutoNoiseReductionCommand, doc, nullptr, nullptr});
    registry.Register(kCmdNoiseSample, {NoiseSampleCommand, doc, nullptr, nullptr});
    registry.Register(kCmdNoiseReduction, {NoiseReductionCommand, print, nullptr, nullptr});
    registry.Register(kCmdVocalReduction, {VocalReductionCommand, doc, nullptr, nullptr});
    registry.Register(kCmdAutoClickRepair, {ClickRepairCommand, doc, nullptr, nullptr});
    registry.Register(kCmdManualClickRepair, {ManualClickRepairCommand, doc, nullptr, nullptr});
}

}  // namespace sv
