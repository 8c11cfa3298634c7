#include "formats/ConvertCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Workspace.h"
#include "effects/DocumentTask.h"
#include "effects/EffectCommand.h"
#include "formats/ConversionChain.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {

const StoredValue kConvertSampleRate{kStoredValues, "ConvertSampleRate", 44100};
const StoredValue kConvertChannel{kStoredValues, "ConvertChannel", 1};
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

std::int32_t Rescale(std::int32_t frame, std::int32_t from, std::int32_t to) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(INT32_MAX, static_cast<std::int64_t>(frame) * to / from));
}

// Rewrites the whole document; positions (selection, cursor, view, marks) keep their times.
class LConvertRun : public LDocumentTask {
public:
    LConvertRun(LAudioDocument& doc, BlockStore& store, const std::string& name, std::int32_t rate,
                std::uint8_t channels)
        : LDocumentTask(name, doc, store), rate_(rate), channels_(channels) {}

protected:
    int Work() override {
        LAudioData sound = doc_.sound;
        const std::int32_t from = sound.sampleRate;
        int result = ConvertSoundData(*this, store_, sound, rate_, channels_);
        if (result != kTaskDone) return result;
        if (sound.sampleRate == doc_.sound.sampleRate && sound.channels == doc_.sound.channels) return kTaskDone;
        if (!OpenEdit()) return kTaskFailed;
        const std::int32_t to = sound.sampleRate;
        const std::int32_t length = sound.Length();
        auto at = [&](std::int32_t f) { return std::min(length, Rescale(f, from, to)); };
        const std::int32_t a = at(doc_.selectionStart), b = at(doc_.selectionEnd), c = at(doc_.cursor);
        const std::int32_t v0 = at(doc_.viewStart), v1 = at(doc_.viewEnd);
        doc_.firstMark = at(doc_.firstMark);
        doc_.secondMark = at(doc_.secondMark);
        doc_.sound = std::move(sound);
        doc_.SetSelection(a, b, c);
        doc_.SetView(v0, v1);
        return kTaskDone;
    }

private:
    std::int32_t rate_;
    std::uint8_t channels_;
};

void RunConversion(Workspace& ws, const std::string& name, std::int32_t rate, std::uint8_t channels) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    if (doc->sound.sampleRate == rate && doc->sound.channels == channels) return;
    LConvertRun run(*doc, ws.blocks(), name, rate, channels);
    RunEditTask(ws, run, name);
}

}  // namespace

DialogSpec ConvertRateDialog(int rate) {
    DialogSpec spec;
    spec.resource = "16";
    spec.caption = "Convertir le Taux d'Echantillonnage";
    spec.fields.push_back(IntegerField("rate", "Taux d'échantillonnage (Hz) :", rate));
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int r = s.IntValue("rate");
        if (r < kMinRate || r > kMaxRate)
            return InvalidValue("Le taux d'échantillonnage doit être compris entre 1000 et 384000 Hz. Veuillez "
                                "réessayer.",
                                "rate");
        return std::nullopt;
    };
    return spec;
}

void ConvertRateCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    const auto v = AskEffectParameters(ws, {{kConvertSampleRate, "rate"}}, ConvertRateDialog(kConvertSampleRate.def));
    if (!v) return;
    RunConversion(ws, "Convertir le Taux d'Echantillonnage", (*v)[0], doc->sound.channels);
}

void ConvertChannelsCommand(Workspace& ws, std::uint8_t channels) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    WriteStoredValue(ws.settings(), kConvertChannel, channels);
    RunConversion(ws, channels == 1 ? "Mono" : "Stereo", doc->sound.sampleRate, channels);
}

void RegisterConvertCommands(CommandRegistry& registry) {
    registry.Register(kCmdConvertRate, {ConvertRateCommand, HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdMono, {[](Workspace& ws) { ConvertChannelsCommand(ws, 1); },
                                 [](const Workspace& ws) { return ws.Active() && ws.Active()->sound.channels == 2; },
                                 nullptr, nullptr});
    registry.Register(kCmdStereo, {[](Workspace& ws) { ConvertChannelsCommand(ws, 2); },
                                   [](const Workspace& ws) { return ws.Active() && ws.Active()->sound.channels == 1; },
                                   nullptr, nullptr});
}

}  // namespace sv
