#include "effects/DelayCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/Chorus.h"
#include "effects/Distortion.h"
#include "effects/Echo.h"
#include "effects/EffectCommand.h"
#include "effects/EffectPreview.h"
#include "effects/Reverb.h"
#include "platform/Settings.h"

namespace sv {

namespace {

const StoredValue kEchoTime{kStoredValues, "EchoTime", 800};
const StoredValue kEchoGain{kStoredValues, "EchoGain", 50};
const StoredValue kReverbLevel{kStoredValues, "ReverbLevel", 100};
const StoredValue kReverbTime{kStoredValues, "ReverbTime", 50};
const StoredValue kPhaserGain{"Phaser", "Gain", 100};
const StoredValue kPhaserTime{"Phaser", "Time", 5};
const StoredValue kFlangerGain{"Flanger", "Gain", 75};
const StoredValue kFlangerDepth{"Flanger", "Depth", 50};
const StoredValue kFlangerTime{"Flanger", "Time", 5};
const StoredText kFlangerMod{"Flanger", "Mod", "0.5"};
const StoredValue kChorusGain{"Chorus", "Gain", 70};
const StoredValue kChorusDepth{"Chorus", "Depth", 5};
const StoredValue kChorusTime{"Chorus", "Time", 40};
const StoredText kChorusMod{"Chorus", "Mod", "0.5"};
const StoredValue kDistortionLevel{"Distortion", "Level", -3};
const StoredText kDistortionDegree{"Distortion", "Degree", "0.5"};

const char kDelayRange10[] = "Le Délai doit être compris entre 0 et 10 millisecondes";
const char kGainRange[] = "Le taux d'accroissement doit être compris entre 0 et 100.";

// One refusal per check, in the dialog's order: the first failing one is shown.
struct RangeCheck {
    const char* field;
    double low, high;
    const char* message;
};

std::optional<DialogRefusal> FirstRefusal(const DialogSpec& s, std::initializer_list<RangeCheck> checks) {
    for (const RangeCheck& c : checks) {
        const DialogField* f = s.Field(c.field);
        const bool decimal = f && f->kind == DialogField::Kind::Decimal;
        const double v = decimal ? s.DecimalValue(c.field) : s.IntValue(c.field);
        if (v < c.low || v > c.high) return InvalidValue(c.message, c.field);
    }
    return std::nullopt;
}

ModulatedDelayParams ModulatedParams(const DialogSpec& s) {
    ModulatedDelayParams p;
    p.timeMs = s.IntValue("time");
    p.modulationHz = s.DecimalValue("mod");
    p.depthPercent = s.IntValue("depth");
    p.gainPercent = s.IntValue("gain");
    return p;
}

void EchoCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = EchoDialog();
    AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LEchoEffect(s.IntValue("time"), s.IntValue("gain")); });
    const auto v = AskEffectParameters(ws, {{kEchoTime, "time"}, {kEchoGain, "gain"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = EchoProcess(*doc, ws.blocks(), (*v)[0], (*v)[1]);
    RunEffectProcess(ws, process);
}

void ReverbCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = ReverbDialog();
    AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LReverbEffect(s.IntValue("level"), s.IntValue("time")); });
    const auto v = AskEffectParameters(ws, {{kReverbLevel, "level"}, {kReverbTime, "time"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = ReverbProcess(*doc, ws.blocks(), (*v)[0], (*v)[1]);
    RunEffectProcess(ws, process);
}

void PhaserCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = PhaserDialog();
    AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LPhaserEffect(s.IntValue("time"), s.IntValue("gain")); });
    const auto v = AskEffectParameters(ws, {{kPhaserTime, "time"}, {kPhaserGain, "gain"}}, std::move(spec));
    if (!v) return;
    LEffectProcess process = PhaserProcess(*doc, ws.blocks(), (*v)[0], (*v)[1]);
    RunEffectProcess(ws, process);
}

void ModulatedCommand(Workspace& ws, bool chorus) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = chorus ? ChorusDialog() : FlangerDialog();
    if (chorus) AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LChorusEffect(ModulatedParams(s)); });
    else AddEffectPreview(ws, *doc, spec, [](const DialogSpec& s) { return LFlangerEffect(ModulatedParams(s)); });
    const std::vector<EffectParam> params =
        chorus ? std::vector<EffectParam>{{kChorusTime, "time"}, {kChorusDepth, "depth"}, {kChorusGain, "gain"}}
               : std::vector<EffectParam>{{kFlangerTime, "time"}, {kFlangerDepth, "depth"}, {kFlangerGain, "gain"}};
    const auto accepted = AskEffectDialog(ws, params, {{chorus ? kChorusMod : kFlangerMod, "mod"}}, std::move(spec));
    if (!accepted) return;
    const ModulatedDelayParams p = ModulatedParams(*accepted);
    LEffectProcess process = chorus ? ChorusProcess(*doc, ws.blocks(), p) : FlangerProcess(*doc, ws.blocks(), p);
    RunEffectProcess(ws, process);
}

void DistortionCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    DialogSpec spec = DistortionDialog();
    AddEffectPreview(ws, *doc, spec,
               [](const DialogSpec& s) { return LDistortionEffect(s.DecimalValue("degree"), s.IntValue("level")); });
    const auto accepted =
        AskEffectDialog(ws, {{kDistortionLevel, "level"}}, {{kDistortionDegree, "degree"}}, std::move(spec));
    if (!accepted) return;
    LEffectProcess process =
        DistortionProcess(*doc, ws.blocks(), accepted->DecimalValue("degree"), accepted->IntValue("level"));
    RunEffectProcess(ws, process);
}

template <LEffectProcess (*Make)(LAudioDocument&, BlockStore&)>
void FixedChainCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    LEffectProcess process = Make(*doc, ws.blocks());
    RunEffectProcess(ws, process);
}

}  // namespace

DialogSpec EchoDialog() {
    DialogSpec spec = MakeDialog("5", "Echo");
    spec.fields = {IntegerField("time", "Durée de l'Echo (ms) :", kEchoTime.def),
                   IntegerField("gain", "Amplification de l'Echo (%) :", kEchoGain.def)};
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int time = s.IntValue("time"), gain = s.IntValue("gain");
        if (time < 10 || time > 2999)
            return InvalidValue("La durée de l'écho doit être comprise entre 10 et 3000ms. Veuillez réessayer.", "time");
        if (gain >= 100) return InvalidValue("L'Amplification de l'Echo doit être inférieur à 100%. Veuillez réessayer.", "gain");
        if (gain < 0) return InvalidValue("L'Amplification de l'Echo ne peut pas être négative. Veuillez réessayer.", "gain");
        return std::nullopt;
    };
    spec.presets = {{"Pièce (100 ms)", {{"time", "100"}, {"gain", "30"}}},
                    {"Couloir (250 ms)", {{"time", "250"}, {"gain", "40"}}},
                    {"Montagne (800 ms)", {{"time", "800"}, {"gain", "50"}}},
                    {"Canyon (1500 ms)", {{"time", "1500"}, {"gain", "60"}}},
                    {"Doublage (40 ms)", {{"time", "40"}, {"gain", "20"}}}};
    return spec;
}

DialogSpec ReverbDialog() {
    DialogSpec spec = MakeDialog("7", "Reverbération");
    spec.fields = {IntegerField("level", "Niveau de réverbération (%) :", kReverbLevel.def),
                   IntegerField("time", "Durée de réverbération (ms) :", kReverbTime.def)};
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int level = s.IntValue("level"), time = s.IntValue("time");
        if (level > 100 || level < 0)
            return InvalidValue("Le niveau de réverbération doit être inférieur à 100. Veuillez réessayer.", "level");
        if (time < 50 || time > 1000)
            return InvalidValue("La durée de réverbération doit être comprise entre 50 et 1000. Veuillez réessayer.", "time");
        return std::nullopt;
    };
    spec.presets = {{"Petite pièce", {{"level", "60"}, {"time", "50"}}},
                    {"Salle", {{"level", "80"}, {"time", "150"}}},
                    {"Cathédrale", {{"level", "95"}, {"time", "600"}}},
                    {"Hall de concert", {{"level", "90"}, {"time", "300"}}}};
    return spec;
}

DialogSpec PhaserDialog() {
    DialogSpec spec = MakeDialog("2", "Retardateur de Phase...");
    spec.fields = {IntegerField("time", "Délai (ms) :", kPhaserTime.def),
                   IntegerField("gain", "Taux d'accroissement (%) :", kPhaserGain.def)};
    spec.validate = [](const DialogSpec& s) {
        return FirstRefusal(s, {{"time", 0, 10, kDelayRange10}, {"gain", 0, 100, kGainRange}});
    };
    spec.presets = {{"Léger", {{"time", "2"}, {"gain", "50"}}},
                    {"Classique", {{"time", "5"}, {"gain", "100"}}},
                    {"Profond", {{"time", "10"}, {"gain", "100"}}}};
    return spec;
}

DialogSpec FlangerDialog() {
    DialogSpec spec = MakeDialog("22", "Flanger");
    spec.fields = {IntegerField("time", "Délai (ms) :", kFlangerTime.def),
                   DecimalField("mod", "Modulation (Hz) :", kFlangerMod.def),
                   IntegerField("depth", "Profondeur (%) :", kFlangerDepth.def),
                   IntegerField("gain", "Taux d'accroissement (%) :", kFlangerGain.def)};
    spec.validate = [](const DialogSpec& s) {
        return FirstRefusal(s, {{"time", 0, 10, kDelayRange10},
                                {"mod", 0, 5, "La modulation (du délai) doit être comprise entre 0 et 5Hz."},
                                {"depth", 0, 100, "Le taux de profondeur doit être compris entre 0 et 100."},
                                {"gain", 0, 100, kGainRange}});
    };
    spec.presets = {{"Avion à réaction", {{"time", "5"}, {"mod", "0.2"}, {"depth", "80"}, {"gain", "90"}}},
                    {"Doux", {{"time", "3"}, {"mod", "0.5"}, {"depth", "50"}, {"gain", "60"}}},
                    {"Rapide", {{"time", "2"}, {"mod", "3"}, {"depth", "60"}, {"gain", "75"}}}};
    return spec;
}

DialogSpec ChorusDialog() {
    DialogSpec spec = MakeDialog("Chorus", "Choeur");
    spec.fields = {IntegerField("time", "Délai (ms) :", kChorusTime.def),
                   DecimalField("mod", "Modulation (Hz) :", kChorusMod.def),
                   IntegerField("depth", "Profondeur (%) :", kChorusDepth.def),
                   IntegerField("gain", "Taux d'accroissement (%) :", kChorusGain.def)};
    spec.validate = [](const DialogSpec& s) {
        return FirstRefusal(s, {{"time", 10, 100, "Le Délai doit être compris entre 10 et 100 millisecondes"},
                                {"mod", 0, 2, "La modulation (du délai) doit être comprise entre 0 et 2Hz."},
                                {"depth", 0, 30, "Le taux de profondeur doit être compris entre 0 et 30."},
                                {"gain", 0, 100, kGainRange}});
    };
    spec.presets = {{"Ensemble", {{"time", "40"}, {"mod", "0.5"}, {"depth", "5"}, {"gain", "70"}}},
                    {"Large", {{"time", "60"}, {"mod", "0.3"}, {"depth", "10"}, {"gain", "80"}}},
                    {"Vibrato", {{"time", "20"}, {"mod", "2"}, {"depth", "20"}, {"gain", "100"}}}};
    return spec;
}

DialogSpec DistortionDialog() {
    DialogSpec spec = MakeDialog("23", "Distorsion");
    spec.fields = {DecimalField("degree", "Degré de Distorsion", kDistortionDegree.def),
                   DecibelField("level", "Niveau de Ligne Supérieur", kDistortionLevel.def,
                                LDistortionEffect::kMinLevelDb, LDistortionEffect::kMaxLevelDb)};
    spec.validate = [](const DialogSpec& s) {
        return FirstRefusal(s, {{"degree", 0, 1, "Le degré de distorsion doit être compris entre 0.0 et 1.0."},
                                {"level", LDistortionEffect::kMinLevelDb, LDistortionEffect::kMaxLevelDb,
                                 "Le niveau de ligne supérieur doit être compris entre -127 et 12 dB."}});
    };
    spec.presets = {{"Saturation légère", {{"degree", "0.2"}, {"level", "-3"}}},
                    {"Overdrive", {{"degree", "0.5"}, {"level", "-6"}}},
                    {"Fuzz", {{"degree", "0.9"}, {"level", "-18"}}}};
    return spec;
}

LEffectProcess EchoProcess(LAudioDocument& doc, BlockStore& store, int timeMs, int gainPercent) {
    return DescriptorProcess(doc, store, LEchoEffect(timeMs, gainPercent));
}
LEffectProcess ReverbProcess(LAudioDocument& doc, BlockStore& store, int levelPercent, int timeMs) {
    return DescriptorProcess(doc, store, LReverbEffect(levelPercent, timeMs));
}
LEffectProcess PhaserProcess(LAudioDocument& doc, BlockStore& store, int timeMs, int gainPercent) {
    return DescriptorProcess(doc, store, LPhaserEffect(timeMs, gainPercent));
}
LEffectProcess FlangerProcess(LAudioDocument& doc, BlockStore& store, const ModulatedDelayParams& p) {
    return DescriptorProcess(doc, store, LFlangerEffect(p));
}
LEffectProcess ChorusProcess(LAudioDocument& doc, BlockStore& store, const ModulatedDelayParams& p) {
    return DescriptorProcess(doc, store, LChorusEffect(p));
}
LEffectProcess DistortionProcess(LAudioDocument& doc, BlockStore& store, double degree, int levelDb) {
    return DescriptorProcess(doc, store, LDistortionEffect(degree, levelDb));
}
LEffectProcess AmRadioProcess(LAudioDocument& doc, BlockStore& store) {
    return DescriptorProcess(doc, store, LVoiceBandEffect::AmRadio());
}
LEffectProcess TelephoneProcess(LAudioDocument& doc, BlockStore& store) {
    return DescriptorProcess(doc, store, LVoiceBandEffect::Telephone());
}

void RegisterDelayCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    registry.Register(kCmdEcho, {EchoCommand, doc, nullptr, nullptr});
    registry.Register(kCmdReverb, {ReverbCommand, doc, nullptr, nullptr});
    registry.Register(kCmdPhaser, {PhaserCommand, doc, nullptr, nullptr});
    registry.Register(kCmdFlanger, {[](Workspace& ws) { ModulatedCommand(ws, false); }, doc, nullptr, nullptr});
    registry.Register(kCmdChorus, {[](Workspace& ws) { ModulatedCommand(ws, true); }, doc, nullptr, nullptr});
    registry.Register(kCmdDistortion, {DistortionCommand, doc, nullptr, nullptr});
    registry.Register(kCmdAmRadio, {FixedChainCommand<AmRadioProcess>, doc, nullptr, nullptr});
    registry.Register(kCmdTelephone, {FixedChainCommand<TelephoneProcess>, doc, nullptr, nullptr});
}

}  // namespace sv
