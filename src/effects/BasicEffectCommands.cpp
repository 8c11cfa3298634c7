#include "effects/BasicEffectCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "effects/Amplify.h"
#include "effects/EffectCommand.h"
#include "effects/EffectEntries.h"
#include "effects/EffectPreview.h"
#include "effects/Normalize.h"
#include "effects/StereoPan.h"

namespace sv {

const StoredValue kAmplifyGain{kStoredValues, "AmplifyGain", 100};
const StoredValue kNormalizePeakLevel{kStoredValues, "NormalizePeakLevel", 100};
const StoredValue kStereoPan{kStoredValues, "StereoPan", 50};
const StoredValue kCrossFadeGap{"CrossFade", "GapTimeMS", 300};
const StoredValue kCrossFadeIn{"CrossFade", "FadeInTimeMS", 300};
const StoredValue kCrossFadeOut{"CrossFade", "FadeOutTimeMS", 300};

namespace {

// Scales the selection's segment gains: no sample is rewritten.
// Without a progress dialog: only segment gains change.
void AmplifySelection(Workspace& ws, LAudioDocument& doc, const std::string& undoName, std::int32_t percent) {
    if (percent == 100) return;
    StopPlayback(ws);
    if (!BeginEdit(ws, undoName)) return;
    AmplifyRange(doc.sound, doc.selectionStart, doc.selectionEnd, percent);
    EndEdit(ws, doc.selectionStart, doc.sound.sampleRate / 2);
}

// Runs the process an entry makes for the active document (after selecting all when nothing is).
template <class Entry>
void RunEntry(Workspace& ws, Entry entry) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    LEffectProcess process = entry(*doc, ws.blocks());
    RunEffectProcess(ws, process);
}

bool IsStereo(const Workspace& ws) { return ws.Active() && ws.Active()->sound.channels == 2; }

}  // namespace

DialogSpec AmplifyDialog(int gain) {
    DialogSpec spec = MakeDialog("10", "Amplifier");
    spec.fields.push_back(IntegerField("gain", "Amplification (%) :", gain));
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int g = s.IntValue("gain");
        // A negative percentage would turn segment gains negative.
        if (g < 0) return InvalidValue("L'amplification ne peut pas être négative. Veuillez réessayer.", "gain");
        if (g > kMaxAmplifyPercent)
            return InvalidValue("L'amplification doit être inférieure à 400%. Veuillez réessayer.", "gain");
        return std::nullopt;
    };
    return spec;
}

DialogSpec NormalizeDialog(int level) {
    DialogSpec spec = MakeDialog("6", "Normaliser");
    spec.fields.push_back(IntegerField("level", "Niveau de crête normalisé (%) :", level));
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int l = s.IntValue("level");
        if (l < 0) return InvalidValue("Le Niveau de Crête Normalisé ne peut pas être négatif. Veuillez réessayer.", "level");
        if (l > 100)
            return InvalidValue("Le Niveau de Crête Normalisé doit être inférieur à 100%. Veuillez réessayer.", "level");
        return std::nullopt;
    };
    return spec;
}

DialogSpec StereoPanDialog(int pan) {
    DialogSpec spec = MakeDialog("41", "Panorama Stéréo...");
    spec.fields.push_back(TrackBarField("pan", "Gauche (0) - Droite (100) :", pan, 0, 100));
    return spec;
}

DialogSpec CrossFadeDialog(std::int32_t startMs, std::int32_t endMs, int gapMs, int fadeInMs, int fadeOutMs) {
    DialogSpec spec = MakeDialog("40", "Fondu Enchaîné...");
    spec.fields.push_back(LabelField("start", "Début de la sélection :", FormatTimeText(startMs)));
    spec.fields.push_back(LabelField("end", "Fin de la sélection :", FormatTimeText(endMs)));
    spec.fields.push_back(IntegerField("gap", "Intervalle (ms) :", gapMs));
    spec.fields.push_back(IntegerField("fadeIn", "Fondu en ouverture (ms) :", fadeInMs));
    spec.fields.push_back(IntegerField("fadeOut", "Fondu en fermeture (ms) :", fadeOutMs));
    return spec;
}

void AmplifyCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const auto v = AskEffectParameters(ws, {{kAmplifyGain, "gain"}}, AmplifyDialog(kAmplifyGain.def));
    if (v) AmplifySelection(ws, *doc, "Amplifier", (*v)[0]);
}

void NormalizeCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const auto v = AskEffectParameters(ws, {{kNormalizePeakLevel, "level"}}, NormalizeDialog(kNormalizePeakLevel.def));
    if (!v) return;
    LEffectProcess process = NormalizeProcess(*doc, ws.blocks(), (*v)[0]);
    RunEffectProcess(ws, process);
}

void FadeInCommand(Workspace& ws) { RunEntry(ws, FadeInProcess); }

void FadeOutCommand(Workspace& ws) { RunEntry(ws, FadeOutProcess); }

void FadeOutTrimCommand(Workspace& ws) { RunEntry(ws, FadeOutTrimProcess); }

void DcOffsetCommand(Workspace& ws) { RunEntry(ws, DcOffsetProcess); }

void ReverseCommand(Workspace& ws) { RunEntry(ws, ReverseProcess); }

void CrossFadeCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const std::int32_t rate = doc->sound.sampleRate;
    const auto v = AskEffectParameters(
        ws, {{kCrossFadeGap, "gap"}, {kCrossFadeIn, "fadeIn"}, {kCrossFadeOut, "fadeOut"}},
        CrossFadeDialog(FramesToMs(doc->selectionStart, rate), FramesToMs(doc->selectionEnd, rate), kCrossFadeGap.def,
                        kCrossFadeIn.def, kCrossFadeOut.def));
    if (!v) return;
    LEffectProcess process = CrossFadeProcess(*doc, ws.blocks(), (*v)[0], (*v)[1], (*v)[2]);
    RunEffectProcess(ws, process);
}

void StereoPanCommand(Workspace& ws) {
    if (!ws.Active()) return;
    if (!IsStereo(ws)) {
        ws.host().MessageBox(
            "Cet effet ne peut être appliqué qu'aux fichiers stéréo. Veuillez convertir le fichier en stéréo dans "
            "Fichier->Convertir les Canaux->Stéréo puis réessayez.",
            "Conversion en Stéréo Exigée", MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    LAudioDocument* doc = EffectTarget(ws);
    DialogSpec spec = StereoPanDialog(kStereoPan.def);
    AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LStereoPanEffect(s.IntValue("pan")); });
    const auto v = AskEffectParameters(ws, {{kStereoPan, "pan"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = StereoPanProcess(*doc, ws.blocks(), (*v)[0]);
    RunEffectProcess(ws, process);
}

void RegisterBasicEffectCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    const auto sel = [](const Workspace& ws) { return ActiveHasSelection(ws); };
    registry.Register(kCmdAmplify, {AmplifyCommand, doc, nullptr, nullptr});
    registry.Register(kCmdNormalize, {NormalizeCommand, doc, nullptr, nullptr});
    registry.Register(kCmdFadeIn, {FadeInCommand, sel, nullptr, nullptr});
    registry.Register(kCmdFadeOut, {FadeOutCommand, sel, nullptr, nullptr});
    registry.Register(kCmdFadeOutTrim, {FadeOutTrimCommand, sel, nullptr, nullptr});
    registry.Register(kCmdDcOffset, {DcOffsetCommand, doc, nullptr, nullptr});
    registry.Register(kCmdReverse, {ReverseCommand, doc, nullptr, nullptr});
    registry.Register(kCmdCrossFade, {CrossFadeCommand, doc, nullptr, nullptr});
    registry.Register(kCmdStereoPan, {StereoPanCommand, doc, nullptr, nullptr});
}

}  // namespace sv
