#include "core/DocumentCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"

namespace sv {

namespace {

constexpr int kMinRate = 6000;
constexpr int kMaxRate = 96000;

// The "Nouveau Fichier" dialog and its twin for the defaults; true when accepted.
bool AskFormat(Host& host, const std::string& caption, int& rate, int& channels) {
    DialogSpec spec;
    spec.resource = "NewFile";
    spec.caption = caption;
    spec.fields.push_back({"rate", "Taux d'échantillonnage:", DialogField::Kind::Integer, std::to_string(rate), {}});
    spec.fields.push_back({"channels", "", DialogField::Kind::Choice, channels == 2 ? "1" : "0",
                           {"Mono (Simple)", "Stéréo (Double)"}});
    spec.validate = [caption](const DialogSpec& s) -> std::optional<DialogRefusal> {
        int r = s.IntValue("rate");
        if (r < kMinRate || r > kMaxRate) {
            return DialogRefusal{
                "Les taux d'échantillonnage doivent se situer entre 6000 et 96000 échantillons par seconde.",
                caption, MsgIcon::Error, "rate"};
        }
        return std::nullopt;
    };
    if (!host.RunDialog(spec)) return false;
    rate = spec.IntValue("rate");
    channels = spec.IntValue("channels") == 1 ? 2 : 1;
    return true;
}

bool NeedsSavePrompt(const LAudioDocument& doc) { return doc.modified || !HasFolderPart(doc.path); }

// Yes/No/Cancel before a document goes; false when it must stay.
bool ConfirmDiscard(Workspace& ws, LAudioDocument& doc) {
    if (!NeedsSavePrompt(doc)) return true;
    MsgAnswer answer = ws.host().MessageBox("Enregistrer les modifications sous \"" + doc.Title() + "\"?",
                                            "Sonvela", MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Cancel) return false;
    if (answer == MsgAnswer::No) return true;
    if (!ws.saveDocument) {
        ws.host().MessageBox("Ce document ne peut pas encore être enregistré.", "Sonvela", MsgIcon::Error,
                             MsgButtons::Ok);
        return false;
    }
    return ws.saveDocument(doc, !HasFolderPart(doc.path));
}

}  // namespace

void NewDocumentCommand(Workspace& ws) {
    Settings& st = ws.settings();
    int defRate = st.ReadIntSetting("Settings", "DefaultSampleRate", 44100);
    int defChannels = st.ReadIntSetting("Settings", "DefaultChannels", 1);
    int rate = defRate, channels = defChannels;
    if (st.ReadIntSetting("Settings", "PromptSampleAndChannels", 1) != 0) {
        rate = st.ReadIntSetting("Settings", "SelectedSampleRate", defRate);
        channels = st.ReadIntSetting("Settings", "SelectedChannels", defChannels);
        if (!AskFormat(ws.host(), "Nouveau Fichier", rate, channels)) return;
        st.WriteIntUserSetting("Settings", "SelectedSampleRate", rate);
        st.WriteIntUserSetting("Settings", "SelectedChannels", channels);
    }
    // Stored values may have been edited by hand; keep the document's format sane.
    if (rate < kMinRate || rate > kMaxRate) rate = 44100;
    channels = channels == 2 ? 2 : 1;
    Ref<LAudioDocument> doc =
        LAudioDocument::CreateEmpty(rate, static_cast<std::uint8_t>(channels), NextUntitledTitle(ws.OpenTitles()));
    ws.AddDocument(doc);
}

bool DefaultFormatDialog(Workspace& ws) {
    Settings& st = ws.settings();
    int rate = st.ReadIntSetting("Settings", "DefaultSampleRate", 44100);
    int channels = st.ReadIntSetting("Settings", "DefaultChannels", 1);
    if (!AskFormat(ws.host(), "Régler les Paramètres par Défaut", rate, channels)) return false;
    st.WriteIntUserSetting("Settings", "DefaultSampleRate", rate);
    st.WriteIntUserSetting("Settings", "DefaultChannels", channels);
    return true;
}

bool CloseDocument(Workspace& ws, LAudioDocument& doc) {
    Ref<LAudioDocument> keep(&doc);
    if (ws.stopPlayback) ws.stopPlayback();
    if (!ConfirmDiscard(ws, doc)) return false;
    if (ws.addRecentFile && HasFolderPart(doc.path)) ws.addRecentFile(doc.path);
    ws.RemoveDocument(&doc);
    return true;
}

bool CloseAllDocuments(Workspace& ws) {
    std::vector<Ref<LAudioDocument>> docs = ws.Documents();
    for (const Ref<LAudioDocument>& doc : docs) {
        if (!CloseDocument(ws, *doc)) return false;
    }
    return true;
}

bool QueryClose(Workspace& ws) { return CloseAllDocuments(ws); }

void RegisterDocumentCommands(CommandRegistry& registry) {
    registry.Register(kCmdNewDocument, {NewDocumentCommand, nullptr, nullptr, nullptr});
    registry.Register(kCmdCloseDocument, {[](Workspace& ws) {
                                              if (ws.Active()) CloseDocument(ws, *ws.Active());
                                          },
                                          HasActiveDocument, nullptr, nullptr});
    registry.Register(kCmdCloseAll,
                      {[](Workspace& ws) { CloseAllDocuments(ws); }, HasActiveDocument, nullptr, nullptr});
}

}  // namespace sv
