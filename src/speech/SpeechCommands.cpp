#include "speech/SpeechCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DialogSpec.h"
#include "core/DocumentCommands.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/PasteCommands.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/Workspace.h"
#include "formats/FileEditCommands.h"
#include "platform/PrivateTempFile.h"
#include "platform/Settings.h"
#include "speech/SpeechEngine.h"

#include <cstdint>
#include <memory>

namespace sv {

namespace {

const char kNoEngine[] =
    "Aucun Moteur de Synthèse de Parole Installé.\r\n\r\nAfin de pouvoir utiliser le Synthétiseur de Parole, "
    "vous devez installer un moteur de Synthèse. Vous pouvez l'installer gratuitement avec le paquet Debian "
    "\"espeak-ng\" : https://packages.debian.org/espeak-ng";

bool AskTextAndVoice(Workspace& ws, const std::vector<SpeechVoice>& voices, std::string& text, int& voice) {
    DialogSpec spec;
    spec.resource = "TTSInDlg";
    spec.caption = "Synthétiser Voix";
    DialogField textField{"text", "Texte :", DialogField::Kind::TextArea, text, {}};
    DialogField voiceField{"voice", "Voix :", DialogField::Kind::Choice, std::to_string(voice), {}};
    for (const SpeechVoice& v : voices) voiceField.choices.push_back(v.name);
    spec.fields = {textField, voiceField};
    if (!ws.host().RunDialog(spec)) return false;
    text = spec.Value("text");
    voice = spec.IntValue("voice");
    return true;
}

// Puts sound at the cursor, or in place of the selection; false when nothing changed.
bool PutSpokenSound(Workspace& ws, const LAudioData& spoken) {
    Ref<LAudioDocument> doc(ws.Active());
    if (!doc) return false;
    const bool replace = doc->HasSelection();
    const std::int32_t start = replace ? doc->selectionStart : doc->cursor;
    const std::int32_t end = replace ? doc->selectionEnd : doc->cursor;
    std::string refusal = ConversionRefusal(ws, spoken, doc->sound.sampleRate, doc->sound.channels);
    if (!refusal.empty()) {
        ws.host().MessageBox(refusal, kSpeechUndoName, MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    BeginEdit(ws, kSpeechUndoName);
    std::int32_t added = 0;
    FunctionTask task(kSpeechUndoName, [&](LProgressTask& t) {
        LAudioData piece = spoken;
        int r = ConvertForDocument(ws, t, piece, doc->sound.sampleRate, doc->sound.channels);
        if (r != kTaskDone) return r;
        const std::int64_t length = static_cast<std::int64_t>(doc->Length()) - (end - start) + piece.Length();
        if (length > INT32_MAX) {
            t.Error("Le document deviendrait trop long.");
            return static_cast<int>(kTaskFailed);
        }
        if (replace) ReplaceRange(doc->sound, start, end, piece);
        else Insert(doc->sound, start, piece);
        added = piece.Length();
        return static_cast<int>(kTaskDone);
    });
    if (!RunTask(ws.host(), task)) {
        ws.CommandStatesChanged();
        return false;
    }
    if (replace) {
        doc->selectionStart = start;
        doc->selectionEnd = start + added;
    }
    EndEdit(ws, start, 0);
    doc->SetView(0, doc->Length());
    ws.DocumentChanged(*doc);
    return true;
}

}  // namespace

void TextToSpeechCommand(Workspace& ws, std::string& text) {
    if (!ws.Active()) {
        NewDocumentCommand(ws);
        if (!ws.Active()) return;
    }
    StopPlayback(ws);
    Settings& st = ws.settings();
    const std::vector<SpeechVoice> voices = ListSpeechVoices();
    int voice = st.ReadIntSetting("Settings", "TextToSpeechVoice", 0);
    // A stored voice that is no longer installed falls back to the first one.
    if (voice < 0 || voice >= static_cast<int>(voices.size())) voice = 0;
    std::string typed = text;
    if (!AskTextAndVoice(ws, voices, typed, voice)) return;
    text = typed;
    if (voice < 0 || voice >= static_cast<int>(voices.size())) voice = 0;
    st.WriteIntUserSetting("Settings", "TextToSpeechVoice", voice);
    if (voices.empty()) {
        ws.host().MessageBox(kNoEngine, "Sonvela", MsgIcon::Warning, MsgButtons::Ok);
        return;
    }
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) return;

    PrivateTempFile wav = PrivateTempFile::Create("speech", ".wav");
    if (!wav.Valid()) {
        ws.host().MessageBox("Impossible de créer un fichier temporaire.", "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    FunctionTask speak("Synthétiser Voix",
                       [&](LProgressTask& t) { return SynthesizeSpeech(t, voices[static_cast<std::size_t>(voice)], text, wav.Path()); });
    if (!RunTask(ws.host(), speak)) return;
    LAudioData spoken;
    if (!LoadSoundFileTask(ws, wav.Path(), spoken)) return;
    wav.Remove();
    PutSpokenSound(ws, spoken);
}

void RegisterSpeechCommands(CommandRegistry& registry) {
    auto text = std::make_shared<std::string>();
    registry.Register(kCmdTextToSpeech, {[text](Workspace& ws) { TextToSpeechCommand(ws, *text); }, nullptr, nullptr, nullptr});
}

}  // namespace sv
