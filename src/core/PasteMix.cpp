#include "core/PasteMix.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/EditFraming.h"
#include "core/FixedPoint.h"
#include "core/Host.h"
#include "core/PasteCommands.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace sv {

namespace {

constexpr std::int64_t kUnity = 16777216;

// Mode of each radio button, in the order the dialog shows them.
constexpr int kModeOfChoice[] = {kMixWidenSelection, kMixInsertSilence, kMixFadeOut};

int ChoiceOfMode(int mode) {
    for (int i = 0; i < 3; ++i)
        if (kModeOfChoice[i] == mode) return i;
    return 1;
}

std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(INT_MIN, std::min<std::int64_t>(INT_MAX, v)));
}

std::optional<DialogRefusal> Refuse(const std::string& text, const std::string& field) {
    return DialogRefusal{text, "Valeur Invalide", MsgIcon::Information, field};
}

}  // namespace

bool AskMixParameters(Workspace& ws, MixParameters& params) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return false;
    Settings& st = ws.settings();
    const bool stereo = doc->sound.channels == 2;
    const bool selection = doc->HasSelection();
    DialogSpec spec;
    spec.resource = "4";
    spec.caption = "Coller le Mixage";
    spec.fields.push_back({"volume", "Volume de Mixage (%)", DialogField::Kind::Integer,
                           std::to_string(st.ReadIntSetting("StoredValues", "PasteMixVolume", 100)), {}});
    // Fields the dialog shows disabled are left out: their stored values stay untouched.
    if (stereo) spec.fields.push_back({"pan", "Stéréo Panoramique (L - R)", DialogField::Kind::Integer, "50", {}});
    if (selection) {
        int mode = st.ReadIntSetting("StoredValues", "LongerSelection", kMixInsertSilence);
        spec.fields.push_back({"mode", "Si le mixage audio est plus long que la sélection:", DialogField::Kind::Choice,
                               std::to_string(ChoiceOfMode(mode)),
                               {"Elargir la Sélection", "Insérer un silence",
                                "Effectuer une fermeture du mixage en fondu"}});
        spec.fields.push_back({"fade", "durée de la fermeture en fondu:", DialogField::Kind::Integer,
                               std::to_string(st.ReadIntSetting("StoredValues", "FadeOutTime", 250)), {}});
    }
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        int v = s.IntValue("volume");
        if (v < 0 || v > 100) return Refuse("Le Volume de Mixage doit être compris entre 0 et 100 %.", "volume");
        if (s.Field("pan")) {
            int b = s.IntValue("pan");
            if (b < 0 || b > 100) return Refuse("Le panoramique doit être compris entre 0 et 100.", "pan");
        }
        if (s.Field("fade") && s.IntValue("fade") < 0)
            return Refuse("La durée de la fermeture en fondu doit être positive.", "fade");
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return false;
    params.volume = spec.IntValue("volume");
    st.WriteIntUserSetting("StoredValues", "PasteMixVolume", params.volume);
    params.pan = stereo ? spec.IntValue("pan") : 50;
    // Without a selection the choice is not offered, so the stored one (made for some earlier
    // selection) must not apply: a fade would mix a single frame. The default makes room for
    // the whole source at the cursor.
    params.mode = kMixInsertSilence;
    params.fadeFrames = 0;
    if (selection) {
        int choice = std::max(0, std::min(2, spec.IntValue("mode")));
        params.mode = kModeOfChoice[choice];
        int fadeMs = spec.IntValue("fade");
        st.WriteIntUserSetting("StoredValues", "LongerSelection", params.mode);
        st.WriteIntUserSetting("StoredValues", "FadeOutTime", fadeMs);
        // The dialog's figure is taken as milliseconds, which is what a fade length means to a user.
        params.fadeFrames = MsToFrames(fadeMs, doc->sound.sampleRate);
    }
    return true;
}

int MixWorker(LProgressTask& task, Workspace& ws, LAudioDocument& doc, const LAudioData& sourceIn,
              const MixParameters& params, std::int32_t& mixedFrames) {
    mixedFrames = 0;
    const std::int32_t s = doc.selectionStart, e = doc.selectionEnd;
    if (e < s) return kTaskDone;
    const std::int32_t rate = doc.sound.sampleRate;
    const std::uint8_t channels = doc.sound.channels == 0 ? 1 : doc.sound.channels;
    LAudioData source = sourceIn;
    int converted = ConvertForDocument(ws, task, source, rate, doc.sound.channels);
    if (converted != kTaskDone) return converted;
    task.SetText(0, "Coller le Mixage");
    task.SetText(1, "Veuillez patienter...");

    // Work on a copy of the list, so that a cancel or a failure leaves the document untouched.
    LAudioData work = doc.sound;
    const std::int64_t length = source.Length();
    const std::int64_t excess = length - (static_cast<std::int64_t>(e) - s);
    std::int64_t end = e;
    bool fading = false;
    if (excess > 0) {
        if (params.mode == kMixInsertSilence) {
            InsertSilence(work, e, Saturate(excess));
            end = s + length;
        } else if (params.mode == kMixWidenSelection) {
            end = s + length;
        } else {
            fading = true;
        }
    } else {
        end = s + length;
    }
    const std::int32_t total = Saturate(std::max<std::int64_t>(1, std::min<std::int64_t>(INT_MAX, end) - s));
    const std::int32_t fade = fading ? std::max(0, std::min(params.fadeFrames, total)) : 0;
    const std::int32_t plain = total - fade;

    const std::int64_t v = params.volume, b = params.pan;
    const std::int32_t startFactor[2] = {
        static_cast<std::int32_t>(((100 - b) * v / 50) * kUnity / 100),
        static_cast<std::int32_t>((v * b / 50) * kUnity / 100),
    };

    Ref<LBlockReader> docReader = LBlockReader::Create(work);
    Ref<LBlockReader> srcReader = LBlockReader::Create(source);
    docReader->Seek(s);
    LAudioData mixed(rate, channels);
    Ref<LBlockWriter> writer = LBlockWriter::Create(ws.blocks(), mixed, rate, channels);
    std::vector<std::int32_t> docBuf(static_cast<std::size_t>(kMaxFramesPerCall) * channels);
    std::vector<std::int32_t> srcBuf(docBuf.size());

    std::int32_t done = 0;
    while (done < total && !writer->error) {
        const std::int32_t n = std::min(kMaxFramesPerCall, total - done);
        docReader->Read(docBuf.data(), n);
        srcReader->Read(srcBuf.data(), n);
        for (std::int32_t f = 0; f < n; ++f) {
            const std::int32_t frame = done + f;
            std::int32_t* d = &docBuf[static_cast<std::size_t>(f) * channels];
            const std::int32_t* m = &srcBuf[static_cast<std::size_t>(f) * channels];
            for (int c = 0; c < channels; ++c) {
                const std::int32_t factor = startFactor[c & 1];
                std::int64_t add;
                if (frame < plain) {
                    add = (static_cast<std::int64_t>(m[c]) * (factor >> 15)) >> 9;
                } else {
                    // A straight line from the starting factor down to silence at the last frame.
                    const std::int64_t left = total - frame;
                    add = MulFixed24(m[c], static_cast<std::int32_t>(factor * left / (fade + 1)));
                }
                d[c] = Saturate(d[c] + add);
            }
        }
        writer->Write(docBuf.data(), n);
        done += n;
        task.SetProgress(static_cast<double>(done) / total);
        if (task.Pump()) return kTaskCancelled;
    }
    if (!writer->Finish()) {
        task.Error(writer->errorText);
        return kTaskFailed;
    }
    writer = nullptr;
    ReplaceRange(work, s, s + total, mixed);
    doc.sound = std::move(work);
    mixedFrames = total;
    return kTaskDone;
}

bool RunMixTask(Workspace& ws, const LAudioData& source, const MixParameters& params) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return false;
    std::int32_t mixed = 0;
    FunctionTask task("Coller le Mixage",
                      [&](LProgressTask& t) { return MixWorker(t, ws, *doc, source, params, mixed); });
    if (!RunTask(ws.host(), task)) {
        ws.CommandStatesChanged();
        return false;
    }
    ws.DocumentChanged(*doc);
    const std::int32_t s = doc->selectionStart;
    doc->selectionEnd = Saturate(static_cast<std::int64_t>(s) + mixed);
    EndEdit(ws, s, doc->sound.sampleRate / 2);
    return true;
}

bool PasteMixSound(Workspace& ws, const LAudioData& source) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return false;
    StopPlayback(ws);
    std::string refusal = ConversionRefusal(ws, source, doc->sound.sampleRate, doc->sound.channels);
    if (!refusal.empty()) {
        ws.host().MessageBox(refusal, "Coller le Mixage", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    BeginEdit(ws, "Coller le Mixage");
    MixParameters params;
    if (!AskMixParameters(ws, params)) return false;
    return RunMixTask(ws, source, params);
}

}  // namespace sv
