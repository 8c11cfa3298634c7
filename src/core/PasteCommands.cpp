#include "core/PasteCommands.h"

#include "core/AudioData.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/SystemClipboard.h"
#include "core/Workspace.h"

#include <algorithm>
#include <climits>

namespace sv {

namespace {

std::string ChannelsText(int channels) {
    if (channels == 1) return "mono";
    if (channels == 2) return "stéréo";
    return std::to_string(channels) + " canaux";
}

std::string FormatText(std::int32_t rate, int channels) {
    return std::to_string(rate) + " Hz " + ChannelsText(channels);
}

bool SameFormat(const LAudioData& sound, std::int32_t rate, std::uint8_t channels) {
    return sound.sampleRate == rate && sound.channels == channels;
}

// A piece that replaces replaced frames must leave the document within its longest length.
bool Fits(const LAudioDocument& doc, std::int64_t replaced, const LAudioData& piece) {
    return static_cast<std::int64_t>(doc.Length()) - replaced + piece.Length() <= kMaxDocumentFrames;
}

std::int32_t SaturatedEnd(std::int32_t start, std::int32_t frames) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(INT_MAX, static_cast<std::int64_t>(start) + frames));
}

}  // namespace

std::string ConversionRefusal(const Workspace& ws, const LAudioData& source, std::int32_t rate,
                              std::uint8_t channels) {
    if (SameFormat(source, rate, channels) || ws.convertSound) return {};
    return "Ce son (" + FormatText(source.sampleRate, source.channels) + ") n'a pas le format du document (" +
           FormatText(rate, channels) +
           ") et la conversion de format n'est pas encore disponible. Le document n'a pas été modifié.";
}

int ConvertForDocument(Workspace& ws, LProgressTask& task, LAudioData& sound, std::int32_t rate,
                       std::uint8_t channels) {
    if (SameFormat(sound, rate, channels)) return kTaskDone;
    std::string refusal = ConversionRefusal(ws, sound, rate, channels);
    if (!refusal.empty()) {
        task.Error(refusal);
        return kTaskFailed;
    }
    int result = ws.convertSound(task, sound, rate, channels);
    if (result == kTaskDone && !SameFormat(sound, rate, channels)) result = kTaskFailed;
    if (result == kTaskFailed) {
        task.Error("La conversion du son au format du document (" + FormatText(rate, channels) +
                   ") a échoué. Le document n'a pas été modifié.");
    }
    return result;
}

bool PasteSound(Workspace& ws, const LAudioData& source) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return false;
    StopPlayback(ws);
    std::string refusal = ConversionRefusal(ws, source, doc->sound.sampleRate, doc->sound.channels);
    if (!refusal.empty()) {
        ws.host().MessageBox(refusal, "Coller", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    const std::int32_t s = doc->selectionStart, e = doc->selectionEnd;
    const std::int64_t replaced = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::min(e, doc->Length())) - std::max(0, s));
    if (SameFormat(source, doc->sound.sampleRate, doc->sound.channels) && !Fits(*doc, replaced, source)) {
        ws.host().MessageBox(DocumentTooLongText(), "Coller", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    BeginEdit(ws, "Coller");
    std::int32_t pasted = 0;
    FunctionTask task("Coller", [&](LProgressTask& t) {
        LAudioData piece = source;
        int r = ConvertForDocument(ws, t, piece, doc->sound.sampleRate, doc->sound.channels);
        if (r != kTaskDone) return r;
        if (!Fits(*doc, replaced, piece)) {
            t.Error(DocumentTooLongText());
            return static_cast<int>(kTaskFailed);
        }
        ReplaceRange(doc->sound, s, e, piece);
        pasted = piece.Length();
        return static_cast<int>(kTaskDone);
    });
    if (!RunTask(ws.host(), task)) {
        ws.CommandStatesChanged();
        return false;
    }
    // The stretch actually inserted, so the selection covers every pasted frame.
    doc->selectionStart = s;
    doc->selectionEnd = SaturatedEnd(s, pasted);
    EndEdit(ws, s, doc->sound.sampleRate / 2);
    return true;
}

bool InsertSound(Workspace& ws, const LAudioData& source, std::int32_t position, const std::string& undoName) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return false;
    StopPlayback(ws);
    std::string refusal = ConversionRefusal(ws, source, doc->sound.sampleRate, doc->sound.channels);
    if (!refusal.empty()) {
        ws.host().MessageBox(refusal, "Insérer Fichier", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    if (SameFormat(source, doc->sound.sampleRate, doc->sound.channels) && !Fits(*doc, 0, source)) {
        ws.host().MessageBox(DocumentTooLongText(), "Insérer Fichier", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    BeginEdit(ws, undoName);
    FunctionTask task("Insérer Fichier", [&](LProgressTask& t) {
        LAudioData piece = source;
        int r = ConvertForDocument(ws, t, piece, doc->sound.sampleRate, doc->sound.channels);
        if (r != kTaskDone) return r;
        if (!Fits(*doc, 0, piece)) {
            t.Error(DocumentTooLongText());
            return static_cast<int>(kTaskFailed);
        }
        Insert(doc->sound, position, piece);
        return static_cast<int>(kTaskDone);
    });
    if (!RunTask(ws.host(), task)) {
        ws.CommandStatesChanged();
        return false;
    }
    EndEdit(ws, doc->selectionStart, doc->sound.sampleRate);
    return true;
}

void AnnounceToSystemClipboard(Workspace& ws) {
    if (ws.systemClipboard) ws.systemClipboard->OfferWave();
}

}  // namespace sv
