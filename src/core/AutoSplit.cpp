#include "core/AutoSplit.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/DocumentCommands.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace sv {

namespace {

const char kDoneCaption[] = "Coupure Automatique Terminée";

// "name.wav" -> ("name", ".wav"); a dot inside a folder name is no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& path) {
    std::string::size_type dot = path.find_last_of('.');
    std::string::size_type slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {path, ""};
    return {path.substr(0, dot), path.substr(dot)};
}

bool AskSplitParameters(Workspace& ws, int& threshold, int& duration) {
    DialogSpec spec;
    spec.resource = "31";
    spec.caption = "Coupure Auto le Fichier";
    spec.fields.push_back({"threshold", "Palier", DialogField::Kind::Integer, std::to_string(threshold), {}});
    spec.fields.push_back({"duration", "Durée", DialogField::Kind::Integer, std::to_string(duration), {}});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        int t = s.IntValue("threshold");
        if (t < -127 || t > 127)
            return DialogRefusal{"Le palier doit être compris entre -127 et 127 dB.", "Valeur Invalide",
                                 MsgIcon::Information, "threshold"};
        if (s.IntValue("duration") < 0)
            return DialogRefusal{"La durée doit être positive.", "Valeur Invalide", MsgIcon::Information,
                                 "duration"};
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return false;
    threshold = spec.IntValue("threshold");
    duration = spec.IntValue("duration");
    ws.settings().WriteIntUserSetting("AutoSplit", "Threshold", threshold);
    ws.settings().WriteIntUserSetting("AutoSplit", "Duration", duration);
    return true;
}

}  // namespace

int FindSoundStretches(LProgressTask& task, LAudioReader& reader, int thresholdDb, std::int32_t minSilenceMs,
                       std::vector<SoundStretch>& stretches) {
    stretches.clear();
    if (reader.errorCode != kReaderOk) return kTaskFailed;
    const std::int32_t rate = reader.sampleRate;
    const int channels = reader.channels == 0 ? 1 : reader.channels;
    const std::int32_t window = std::max(20, std::min(kMaxFramesPerCall, rate / 20));
    const std::int64_t level = static_cast<std::int64_t>(std::pow(10.0, thresholdDb / 20.0) * 131072.0);
    const std::int64_t minSilence = MsToFrames(minSilenceMs, rate);
    const std::int32_t length = reader.Length();
    std::vector<std::int32_t> buf(static_cast<std::size_t>(window) * channels);

    bool inside = false;
    std::int64_t start = 0, last = 0;
    auto close = [&]() {
        std::int64_t end = std::min<std::int64_t>(last + 2 * static_cast<std::int64_t>(window), length);
        if (end > start) stretches.push_back({static_cast<std::int32_t>(start), static_cast<std::int32_t>(end)});
        inside = false;
    };
    std::int64_t sincePump = 0;
    reader.Seek(0);
    while (reader.Position() < length) {
        const std::int64_t p = reader.Position();
        reader.Read(buf.data(), window);
        std::int64_t hi = 0, lo = 0;
        for (std::int32_t v : buf) {
            hi = std::max<std::int64_t>(hi, v);
            lo = std::min<std::int64_t>(lo, v);
        }
        const bool loud = std::max(hi, -lo) > level;
        if (!inside) {
            if (loud) {
                inside = true;
                start = std::max<std::int64_t>(0, p - window / 2);
                last = p;
            }
        } else if (loud) {
            last = p;
        } else if (p - last >= minSilence) {
            close();
        }
        sincePump += window;
        if (sincePump >= kMaxFramesPerCall) {
            sincePump = 0;
            task.SetProgress(static_cast<double>(p) / length);
            if (task.Pump()) return kTaskCancelled;
        }
    }
    if (inside) close();
    return kTaskDone;
}

void AutoSplitCommand(Workspace& ws) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return;
    Host& host = ws.host();
    if (doc->modified) {
        MsgAnswer answer = host.MessageBox("Le fichier \"" + doc->Title() +
                                               "\" a été modifié. Voulez-vous l'enregistrer avant de le couper "
                                               "automatiquement?",
                                           "Enregistrer le fichier sous...", MsgIcon::Question,
                                           MsgButtons::YesNoCancel);
        if (answer != MsgAnswer::Yes) return;
        if (!ws.saveDocument || !ws.saveDocument(*doc, !HasFolderPart(doc->path))) return;
    }
    StopPlayback(ws);
    Settings& st = ws.settings();
    int threshold = std::max(-127, std::min(127, st.ReadIntSetting("AutoSplit", "Threshold", -36)));
    int duration = std::max(0, st.ReadIntSetting("AutoSplit", "Duration", 0));
    if (!AskSplitParameters(ws, threshold, duration)) return;

    std::vector<SoundStretch> stretches;
    FunctionTask task(kDoneCaption, [&](LProgressTask& t) {
        t.SetText(0, "Coupure Automatique");
        t.SetText(1, "Veuillez patienter...");
        Ref<LBlockReader> reader = LBlockReader::Create(doc->sound);
        return FindSoundStretches(t, *reader, threshold, duration, stretches);
    });
    if (!RunTask(host, task)) return;
    if (stretches.size() < 2) {
        host.MessageBox(stretches.empty() ? "Aucun passage sonore n'a été trouvé : le fichier n'a pas été coupé."
                                          : "Un seul passage sonore a été trouvé : le fichier n'a pas été coupé.",
                        kDoneCaption, MsgIcon::Information, MsgButtons::Ok);
        return;
    }
    LAudioData copy = doc->sound;
    auto [base, ext] = SplitExtension(doc->path);
    // The user may still keep the document at the close prompt; the split then does not happen.
    if (!CloseDocument(ws, *doc)) return;
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        LAudioData piece;
        CopyRange(piece, copy, stretches[k].start, stretches[k].end);
        Ref<LAudioDocument> part =
            LAudioDocument::CreateFromSound(piece, base + " (" + std::to_string(k) + ")" + ext);
        ws.AddDocument(part);
    }
}

}  // namespace sv
