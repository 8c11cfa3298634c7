#include "effects/SpeedPitchCommands.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/SegmentOps.h"
#include "core/Workspace.h"
#include "effects/DocumentTask.h"
#include "effects/EffectCommand.h"
#include "effects/Resampler.h"
#include "effects/TimeStretch.h"
#include "platform/Settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace sv {

const StoredValue kSpeedPitchPercent{kStoredValues, "SpSpeedPitch", 100};
const StoredValue kSpeedPercent{kStoredValues, "ConstPitchSpeed", 100};
const StoredValue kPitchPercent{kStoredValues, "ConstSpeedPitch", 100};

namespace {

constexpr int kMaxPercent = 300;
constexpr double kMinFactor = 0.1;

struct ModeInfo {
    const StoredValue* value;
    const char* title;
    const char* label;
};

ModeInfo Info(SpeedPitchMode mode) {
    switch (mode) {
        case SpeedPitchMode::Speed:
            return {&kSpeedPercent, "Modification de Vitesse", "Ajustement de Vitesse (%)"};
        case SpeedPitchMode::Pitch:
            return {&kPitchPercent, "Modification de Hauteur Tonale", "Ajustement de Hauteur Tonale (%)"};
        case SpeedPitchMode::SpeedAndPitch:
        default:
            return {&kSpeedPitchPercent, "Modification de Vitesse et de Hauteur Tonale",
                    "Ajustement de Vitesse/Hauteur Tonale (%)"};
    }
}

// Rewrites the selection through the chain; the result's length is the chain's, so the
// selection end moves with it.
class LSpeedPitchTask : public LDocumentTask {
public:
    LSpeedPitchTask(LAudioDocument& doc, BlockStore& store, SpeedPitchMode mode, int percent)
        : LDocumentTask("Modification de Vitesse et Hauteur Tonale", doc, store), mode_(mode), percent_(percent) {}

protected:
    int Work() override {
        const std::int32_t start = doc_.selectionStart;
        const std::int32_t end = doc_.selectionEnd;
        if (end <= start) return kTaskDone;
        SetText(0, "Veuillez patienter...");

        // The chain sees the selection alone: the kernels and frames reaching past its ends
        // read silence instead of the neighbouring sound.
        LAudioData selection(doc_.sound.sampleRate, doc_.sound.channels);
        CopyRange(selection, doc_.sound, start, end);
        Ref<LAudioReader> source(LBlockReader::Create(selection));
        if (source->errorCode != kReaderOk) {
            Error("Impossible de lire le son");
            return kTaskFailed;
        }
        Ref<LAudioReader> chain = CreateSpeedPitchChain(source, mode_, percent_);
        if (chain == source) return kTaskDone;
        if (chain->errorCode != kReaderOk || chain->channels != doc_.sound.channels) {
            Error("Impossible de lire le son");
            return kTaskFailed;
        }
        source = nullptr;

        const std::int32_t total = std::max(chain->Length(), 1);
        // A length the frame counts cannot hold (a very slow speed over a long stretch) would
        // be cut short without a word; refuse it instead.
        const std::int64_t rest = static_cast<std::int64_t>(doc_.Length()) - (end - start);
        if (total == INT32_MAX || rest + total >= INT32_MAX) {
            Error("Le résultat serait trop long pour un document.");
            return kTaskFailed;
        }
        const int result = ReplaceWithChain(std::move(chain), total, start, end);
        if (result != kTaskDone) return result;
        const std::int64_t newEnd = static_cast<std::int64_t>(start) + total;
        doc_.selectionEnd = static_cast<std::int32_t>(std::min<std::int64_t>(newEnd, INT32_MAX));
        return kTaskDone;
    }

private:
    SpeedPitchMode mode_;
    int percent_;
};

void RunSpeedPitch(Workspace& ws, SpeedPitchMode mode) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    const ModeInfo info = Info(mode);
    Settings& settings = ws.settings();
    DialogSpec spec = SpeedPitchDialog(mode, ToPercent16(ReadStoredValue(settings, *info.value)));
    if (!ws.host().RunDialog(spec)) return;
    const std::int16_t percent = ToPercent16(spec.IntValue("percent"));
    WriteStoredValue(settings, *info.value, percent);
    const auto task = CreateSpeedPitchTask(*doc, ws.blocks(), mode, percent);
    RunEditTask(ws, *task, info.title);
}

}  // namespace

std::string SpeedPitchTitle(SpeedPitchMode mode) { return Info(mode).title; }

std::unique_ptr<LDocumentTask> CreateSpeedPitchTask(LAudioDocument& doc, BlockStore& store, SpeedPitchMode mode,
                                                    int percent) {
    return std::make_unique<LSpeedPitchTask>(doc, store, mode, percent);
}

std::int16_t ToPercent16(int value) {
    return static_cast<std::int16_t>(std::clamp(value, INT16_MIN, INT16_MAX));
}

DialogSpec SpeedPitchDialog(SpeedPitchMode mode, int percent) {
    const ModeInfo info = Info(mode);
    DialogSpec spec;
    spec.resource = "21";
    spec.caption = info.title;
    spec.fields.push_back(IntegerField("percent", info.label, percent));
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (s.IntValue("percent") > kMaxPercent)
            return InvalidValue("Le Taux de Variation de la Vitesse doit être inférieur à 300.", "percent");
        return std::nullopt;
    };
    return spec;
}

Ref<LAudioReader> CreateSpeedPitchChain(const Ref<LAudioReader>& input, SpeedPitchMode mode, int percent) {
    double factor = ToPercent16(percent) * 0.01;
    switch (mode) {
        case SpeedPitchMode::SpeedAndPitch:
            return LResampler::CreateSpeedChange(input, factor);
        case SpeedPitchMode::Speed:
            return LTimeStretch::Create(input, factor);
        case SpeedPitchMode::Pitch:
        default: {
            factor = std::max(factor, kMinFactor);
            Ref<LAudioReader> resampled = LResampler::CreateSpeedChange(input, factor);
            if (resampled == input) return input;
            // Stretch by what the resampler really did (its rate is a whole number of frames
            // per second), so the duration comes back exactly.
            const auto* r = static_cast<const LResampler*>(resampled.get());
            const double done = static_cast<double>(input->sampleRate) / r->OutputRate();
            return LTimeStretch::Create(resampled, 1.0 / done);
        }
    }
}

void SpeedPitchCommand(Workspace& ws) { RunSpeedPitch(ws, SpeedPitchMode::SpeedAndPitch); }
void SpeedCommand(Workspace& ws) { RunSpeedPitch(ws, SpeedPitchMode::Speed); }
void PitchCommand(Workspace& ws) { RunSpeedPitch(ws, SpeedPitchMode::Pitch); }

void RegisterSpeedPitchCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    registry.Register(kCmdSpeedPitch, {SpeedPitchCommand, doc, nullptr, nullptr});
    registry.Register(kCmdSpeed, {SpeedCommand, doc, nullptr, nullptr});
    registry.Register(kCmdPitch, {PitchCommand, doc, nullptr, nullptr});
}

}  // namespace sv
