#include "batch/BatchRowRun.h"

#include "core/AutoTrim.h"
#include "core/AudioDocument.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "effects/DelayCommands.h"
#include "effects/EffectEntries.h"
#include "formats/AudioFileIo.h"

#include <algorithm>

namespace sv {

namespace {

int RunProcess(Workspace& ws, LEffectProcess process, std::string& error) {
    if (!process.task) {
        error = "L'effet n'a pas pu être préparé.";
        return kTaskFailed;
    }
    RunTask(ws.host(), *process.task);
    const int result = process.task->Result();
    if (result == kTaskFailed) error = "L'effet a échoué.";
    return result;
}

int AutoTrim(Workspace& ws, LAudioDocument& doc, int threshold) {
    threshold = std::clamp(threshold, -127, 127);
    FunctionTask task("Coupure Automatique", [&](LProgressTask& t) {
        TrimBounds bounds;
        const int r = FindAutoTrimBounds(t, doc.sound, threshold, bounds);
        if (r != kTaskDone) return r;
        TrimEnd(doc.sound, bounds.end);
        TrimStart(doc.sound, bounds.start);
        return static_cast<int>(kTaskDone);
    });
    RunTask(ws.host(), task);
    return task.Result();
}

int AddSilence(LAudioDocument& doc, bool atStart, int ms, std::string& error) {
    const std::int32_t frames = MsToFrames(ms, doc.sound.sampleRate);
    if (frames > kMaxDocumentFrames - doc.Length()) {
        error = "Le document ne peut pas dépasser 2147483647 échantillons.";
        return kTaskFailed;
    }
    InsertSilence(doc.sound, atStart ? 0 : doc.Length(), frames);
    return kTaskDone;
}

int Convert(Workspace& ws, LAudioDocument& doc, std::int32_t rate, std::uint8_t channels, std::string& error) {
    const int r = ConvertRateOrChannels(ws, doc, rate, channels);
    if (r == kTaskFailed) error = "La conversion a échoué.";
    return r;
}

}  // namespace

int RunBatchRow(Workspace& ws, LAudioDocument& doc, const LBatchEntry& entry, std::string& error) {
    if (entry.row >= kBatchRowCount) {
        error = "Commande inconnue.";
        return kTaskFailed;
    }
    const BatchParams p = ResolveBatchParams(entry, ws.settings());
    // Defaults come from a store anyone can edit by hand: the dialogs' limits hold here too.
    if (auto refusal = CheckBatchParams(entry.row, p)) {
        error = BatchRowName(entry.row) + " : " + *refusal;
        return kTaskFailed;
    }
    doc.SelectAll();
    BlockStore& store = ws.blocks();
    int result = kTaskFailed;
    switch (entry.row) {
        case kRowAutoTrim: result = AutoTrim(ws, doc, p.a); break;
        case kRowSilenceStart: result = AddSilence(doc, true, p.a, error); break;
        case kRowSilenceEnd: result = AddSilence(doc, false, p.a, error); break;
        case kRowAmplify: result = RunProcess(ws, AmplifyProcess(doc, store, p.a), error); break;
        case kRowNormalize: result = RunProcess(ws, NormalizeProcess(doc, store, p.a), error); break;
        case kRowLowCut: result = RunProcess(ws, LowCutProcess(doc, store, p.a), error); break;
        case kRowEqualizer: result = RunProcess(ws, EqualizerProcess(doc, store, p.curve), error); break;
        case kRowEcho: result = RunProcess(ws, EchoProcess(doc, store, p.a, p.b), error); break;
        case kRowReverb: result = RunProcess(ws, ReverbProcess(doc, store, p.b, p.a), error); break;
        case kRowEnvelope: result = RunProcess(ws, EnvelopeProcess(doc, store, p.curve), error); break;
        case kRowSpeedPitch:
            result = RunProcess(ws, SpeedPitchProcess(doc, store, SpeedPitchMode::SpeedAndPitch, p.a), error);
            break;
        case kRowSpeed: result = RunProcess(ws, SpeedPitchProcess(doc, store, SpeedPitchMode::Speed, p.a), error); break;
        case kRowPitch: result = RunProcess(ws, SpeedPitchProcess(doc, store, SpeedPitchMode::Pitch, p.a), error); break;
        case kRowSampleRate: result = Convert(ws, doc, p.a, doc.sound.channels, error); break;
        case kRowChannels: result = Convert(ws, doc, doc.sound.sampleRate, static_cast<std::uint8_t>(p.a), error); break;
        case kRowStereoPan: result = RunProcess(ws, StereoPanProcess(doc, store, p.a), error); break;
        case kRowAutoGain:
        case kRowNoiseGate:
        case kRowCompressor:
        case kRowVocal: result = RunDynamicsBatchRow(ws, doc, entry.row, p, error); break;
        default: break;
    }
    doc.SelectAll();
    if (result == kTaskFailed && error.empty()) error = BatchRowName(entry.row) + " a échoué.";
    return result;
}

}  // namespace sv
