#include "core/EditCommands.h"

#include "core/AutoSplit.h"
#include "core/AutoTrim.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/PasteCommands.h"
#include "core/PasteMix.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/UndoRing.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <algorithm>
#include <climits>

namespace sv {

namespace {

constexpr int kMaxRepeats = 65535;

void Changed(Workspace& ws, LAudioDocument& doc) {
    ws.DocumentChanged(doc);
    ws.CommandStatesChanged();
}

// Undo and redo share everything but the step itself.
void Step(Workspace& ws, bool (*step)(LAudioDocument&)) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    step(*doc);
    Changed(ws, *doc);
}

// The selection as cut and copy use it: inside the sound.
void ClampedSelection(const LAudioDocument& doc, std::int32_t& s, std::int32_t& e) {
    s = std::max<std::int32_t>(0, doc.selectionStart);
    e = std::min(doc.selectionEnd, doc.Length());
}

std::optional<DialogRefusal> Refuse(const std::string& text, const std::string& field) {
    return DialogRefusal{text, "Valeur Invalide", MsgIcon::Information, field};
}

void InsertSilenceAt(Workspace& ws, int position) {
    static const char* const kNames[] = {"Insérer Silence Au Début", "Insérer Silence à la Position Actuelle",
                                         "Insérer Silence à la Fin"};
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    Settings& st = ws.settings();
    DialogSpec spec;
    spec.resource = "InsertSilence";
    spec.caption = "Insérer Silence";
    spec.fields.push_back({"ms", "Durée du Silence (ms):", DialogField::Kind::Integer,
                           std::to_string(st.ReadIntSetting("StoredValues", "SilenceTimes", 0)), {}});
    const std::int32_t rate = doc->sound.sampleRate;
    const std::int64_t room = kMaxDocumentFrames - doc->Length();
    spec.validate = [rate, room](const DialogSpec& s) -> std::optional<DialogRefusal> {
        const int ms = s.IntValue("ms");
        if (ms < 0) return Refuse("La durée du silence doit être positive.", "ms");
        if (MsToFrames(ms, rate) > room) {
            std::int64_t most = rate > 0 ? room * 1000 / rate : 0;
            while (most > 0 && MsToFrames(static_cast<std::int32_t>(std::min<std::int64_t>(most, INT_MAX)), rate) > room) --most;
            return Refuse("Le document ne peut pas dépasser 2147483647 échantillons : la durée du silence doit être "
                          "comprise entre 0 et " + std::to_string(most) + " ms.", "ms");
        }
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return;
    const int ms = spec.IntValue("ms");
    st.WriteIntUserSetting("StoredValues", "SilenceTimes", ms);
    const std::int32_t at = position == 0 ? 0 : position == 1 ? doc->cursor : doc->Length();
    BeginEdit(ws, kNames[position]);
    InsertSilence(doc->sound, at, MsToFrames(ms, doc->sound.sampleRate));
    EndEdit(ws, doc->selectionStart, doc->sound.sampleRate);
}

}  // namespace

void UndoCommand(Workspace& ws) { Step(ws, Undo); }

void RedoCommand(Workspace& ws) { Step(ws, Redo); }

void CutCommand(Workspace& ws) {
    SelectAllIfNone(ws);
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Couper");
    std::int32_t s, e;
    ClampedSelection(*doc, s, e);
    CutRange(ws.Clipboard(), doc->sound, s, e);
    doc->selectionStart = s;
    doc->selectionEnd = s;
    // Other programs see what was cut, as they see what was copied.
    AnnounceToSystemClipboard(ws);
    EndEdit(ws, s, doc->sound.sampleRate);
}

void CopyCommand(Workspace& ws) {
    SelectAllIfNone(ws);
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    std::int32_t s, e;
    ClampedSelection(*doc, s, e);
    CopyRange(ws.Clipboard(), doc->sound, s, e);
    AnnounceToSystemClipboard(ws);
    Changed(ws, *doc);
}

void PasteCommand(Workspace& ws) {
    // The clipboard may change while the paste runs (a render request); paste what it held.
    LAudioData source = ws.Clipboard();
    PasteSound(ws, source);
}

void PasteMixCommand(Workspace& ws) {
    LAudioData source = ws.Clipboard();
    PasteMixSound(ws, source);
}

void DeleteCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc || !doc->HasSelection()) return;
    StopPlayback(ws);
    BeginEdit(ws, "Supprimer");
    const std::int32_t s = doc->selectionStart, e = doc->selectionEnd;
    DeleteRange(doc->sound, s, e);
    doc->SetSelection(s, s, s);
    EndEdit(ws, s, doc->sound.sampleRate);
}

void SelectAllCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    doc->SelectAll();
    doc->SetView(0, doc->Length());
    Changed(ws, *doc);
}

void SelectFromStartCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    doc->selectionStart = 0;
    doc->selectionEnd = doc->cursor;
    Changed(ws, *doc);
}

void SelectToEndCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    doc->selectionStart = doc->cursor;
    doc->selectionEnd = doc->Length();
    Changed(ws, *doc);
}

void SelectSpanCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    const std::int32_t rate = doc->sound.sampleRate;
    DialogSpec spec;
    spec.resource = "SelectSpan";
    spec.caption = "Sélectionnez la Durée Déterminée";
    spec.fields.push_back({"start", "Début:", DialogField::Kind::Text,
                           FormatTimeText(FramesToMs(doc->selectionStart, rate)), {}});
    spec.fields.push_back({"end", "Fin:", DialogField::Kind::Text,
                           FormatTimeText(FramesToMs(doc->selectionEnd, rate)), {}});
    if (!ws.host().RunDialog(spec)) return;
    doc->selectionStart = MsToFrames(ParseTimeText(spec.Value("start")), rate);
    doc->selectionEnd = MsToFrames(ParseTimeText(spec.Value("end")), rate);
    Changed(ws, *doc);
}

void RepeatCommand(Workspace& ws) {
    SelectAllIfNone(ws);
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    const std::int32_t s = doc->selectionStart, e = doc->selectionEnd;
    // The repeated sound must stay within the frame count a document can hold.
    const std::int64_t span = std::max<std::int64_t>(1, static_cast<std::int64_t>(e) - s);
    const std::int64_t room = (static_cast<std::int64_t>(INT_MAX) - doc->Length()) / span;
    const int maxCount = static_cast<int>(std::max<std::int64_t>(1, std::min<std::int64_t>(kMaxRepeats, room)));
    Settings& st = ws.settings();
    DialogSpec spec;
    spec.resource = "Repeat";
    spec.caption = "Jouer en Boucle";
    spec.fields.push_back({"count", "Nombre de Répétitions:", DialogField::Kind::Integer,
                           std::to_string(st.ReadIntSetting("StoredValues", "RepeatNumTimes", 1)), {}});
    spec.validate = [maxCount](const DialogSpec& d) -> std::optional<DialogRefusal> {
        int n = d.IntValue("count");
        if (n < 1 || n > maxCount)
            return Refuse("Le nombre de répétitions doit être compris entre 1 et " + std::to_string(maxCount) + ".",
                          "count");
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return;
    const int count = spec.IntValue("count");
    st.WriteIntUserSetting("StoredValues", "RepeatNumTimes", count);
    BeginEdit(ws, "Jouer en Boucle");
    Repeat(doc->sound, s, e, count);
    EndEdit(ws, s, doc->sound.sampleRate);
    doc->selectionStart = s;
    doc->selectionEnd = e;
    Changed(ws, *doc);
}

void TrimToSelectionCommand(Workspace& ws) {
    SelectAllIfNone(ws);
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Couper");
    Crop(doc->sound, doc->selectionStart, doc->selectionEnd);
    doc->SetSelection(0, 0, 0);
    EndEdit(ws, 0, 0);
}

void TrimStartCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Couper le Début");
    const std::int32_t s = std::max<std::int32_t>(0, doc->selectionStart);
    TrimStart(doc->sound, s);
    // The selected material moved to the start; keep it selected.
    doc->selectionStart = 0;
    doc->selectionEnd = std::max<std::int32_t>(0, std::min(doc->selectionEnd - s, doc->Length()));
    doc->cursor = 0;
    EndEdit(ws, 0, 0);
}

void TrimEndCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Couper la Fin");
    TrimEnd(doc->sound, doc->selectionEnd);
    doc->selectionEnd = std::min(doc->selectionEnd, doc->Length());
    doc->selectionStart = std::min(doc->selectionStart, doc->selectionEnd);
    doc->cursor = 0;
    EndEdit(ws, 0, 0);
}

void SilenceSelectionCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Editer le Silence");
    const std::int32_t s = doc->selectionStart, e = doc->selectionEnd;
    DeleteRange(doc->sound, s, e);
    InsertSilence(doc->sound, s, e - s);
    EndEdit(ws, s, doc->sound.sampleRate);
}

void InsertSilenceCommand(Workspace& ws, int position) { InsertSilenceAt(ws, std::max(0, std::min(2, position))); }

void CopyToNewCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc || !doc->HasSelection()) return;
    LAudioData copy = doc->sound;
    TrimEnd(copy, doc->selectionEnd);
    TrimStart(copy, doc->selectionStart);
    ws.AddDocument(LAudioDocument::CreateFromSound(copy, NextUntitledTitle(ws.OpenTitles())));
    if (ws.settings().ReadIntSetting("Settings", "AutoArrangeWindows", 1) != 0) ws.TileWindows();
}

void SplitAtCursorCommand(Workspace& ws) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return;
    StopPlayback(ws);
    BeginEdit(ws, "Séparer le fichier en ce point");
    LAudioData copy = doc->sound;
    TrimEnd(doc->sound, doc->cursor);
    doc->modified = 1;
    Changed(ws, *doc);
    TrimStart(copy, doc->cursor);
    ws.AddDocument(LAudioDocument::CreateFromSound(copy, NextUntitledTitle(ws.OpenTitles())));
    ws.TileWindows();
}

void MarkFirstCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    doc->firstMark = doc->cursor;
    SelectMarksCommand(ws);
}

void MarkSecondCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    doc->secondMark = doc->cursor;
    SelectMarksCommand(ws);
}

void SelectMarksCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return;
    const bool wasPlaying = ws.isPlaying && ws.isPlaying();
    StopPlayback(ws);
    doc->SetSelection(doc->firstMark, doc->secondMark, doc->firstMark);
    Changed(ws, *doc);
    if (wasPlaying && ws.startPlayback) ws.startPlayback(doc->cursor);
}

bool DocumentClipboardPastable(const Workspace& ws) {
    const LAudioData& clip = ws.Clipboard();
    return FramesToMs(clip.Length(), clip.sampleRate) > 0;
}

void RegisterEditCommands(CommandRegistry& r) {
    auto doc = HasActiveDocument;
    auto sel = ActiveHasSelection;
    auto pastable = [](const Workspace& ws) { return ws.Active() && DocumentClipboardPastable(ws); };
    auto plain = [&r](int id, void (*fn)(Workspace&), std::function<bool(const Workspace&)> enabled) {
        r.Register(id, {fn, std::move(enabled), nullptr, nullptr});
    };
    r.Register(kCmdUndo, {UndoCommand, [](const Workspace& ws) { return ws.Active() && CanUndo(*ws.Active()); },
                          nullptr,
                          [](const Workspace& ws) {
                              return ws.Active() ? UndoMenuText(*ws.Active()) : std::string("Annuler \tCtrl+Z");
                          }});
    r.Register(kCmdRedo, {RedoCommand, [](const Workspace& ws) { return ws.Active() && CanRedo(*ws.Active()); },
                          nullptr,
                          [](const Workspace& ws) {
                              return ws.Active() ? RedoMenuText(*ws.Active()) : std::string("Rétablir \tCtrl+Y");
                          }});
    plain(kCmdCut, CutCommand, sel);
    plain(kCmdCopy, CopyCommand, sel);
    plain(kCmdPaste, PasteCommand, pastable);
    plain(kCmdPasteMix, PasteMixCommand, pastable);
    plain(kCmdDelete, DeleteCommand, sel);
    plain(kCmdSelectAll, SelectAllCommand, doc);
    plain(kCmdSelectFromStart, SelectFromStartCommand, doc);
    plain(kCmdSelectToEnd, SelectToEndCommand, doc);
    plain(kCmdSelectSpan, SelectSpanCommand, doc);
    plain(kCmdRepeat, RepeatCommand, doc);
    plain(kCmdTrimToSelection, TrimToSelectionCommand, sel);
    plain(kCmdTrimStart, TrimStartCommand, doc);
    plain(kCmdTrimEnd, TrimEndCommand, doc);
    plain(kCmdAutoTrim, AutoTrimCommand, doc);
    plain(kCmdAutoSplit, AutoSplitCommand, doc);
    plain(kCmdSplitAtCursor, SplitAtCursorCommand, doc);
    plain(kCmdSilenceSelection, SilenceSelectionCommand, doc);
    plain(kCmdInsertSilenceStart, [](Workspace& ws) { InsertSilenceCommand(ws, 0); }, doc);
    plain(kCmdInsertSilenceCursor, [](Workspace& ws) { InsertSilenceCommand(ws, 1); }, doc);
    plain(kCmdInsertSilenceEnd, [](Workspace& ws) { InsertSilenceCommand(ws, 2); }, doc);
    plain(kCmdCopyToNew, CopyToNewCommand, sel);
    plain(kCmdMarkFirst, MarkFirstCommand, doc);
    plain(kCmdMarkSecond, MarkSecondCommand, doc);
    plain(kCmdSelectMarks, SelectMarksCommand, doc);
}

}  // namespace sv
