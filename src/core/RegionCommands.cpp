#include "core/RegionCommands.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/SegmentOps.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <algorithm>

namespace sv {

namespace {

void RegionsChanged(Workspace& ws) {
    if (ws.refreshRegionList) ws.refreshRegionList();
    ws.CommandStatesChanged();
}

bool HasRegions(const Workspace& ws) { return !ws.Regions().Empty(); }

}  // namespace

std::string DefaultRegionName(const LAudioDocument& doc) {
    const std::int32_t rate = doc.sound.sampleRate;
    return doc.Title() + "@" + FormatTimeText(FramesToMs(doc.selectionStart, rate)) + "-" +
           FormatTimeText(FramesToMs(doc.selectionEnd, rate));
}

void AddRegionCommand(Workspace& ws) {
    LAudioDocument* doc = ws.Active();
    if (!doc || !doc->HasSelection()) return;
    Host& host = ws.host();
    RegionList& regions = ws.Regions();
    std::string name = DefaultRegionName(*doc);
    for (;;) {
        std::optional<std::string> typed = host.InputBox("Entrez un Nom de Zone", "Nom de la zone:", name);
        if (!typed) return;
        name = *typed;
        if (name.empty()) {
            host.MessageBox("The name must contain text.", "Name Invalid", MsgIcon::Information, MsgButtons::Ok);
            continue;
        }
        int existing = regions.Find(name);
        if (existing < 0) break;
        MsgAnswer a = host.MessageBox("Ce nom de zone existe déjà. Voulez vous la remplacer?", "Sonvela",
                                      MsgIcon::Question, MsgButtons::YesNoCancel);
        if (a == MsgAnswer::Cancel) return;
        if (a == MsgAnswer::Yes) {
            regions.Remove(static_cast<std::size_t>(existing));
            break;
        }
    }
    regions.Add(*doc, name);
    if (ws.showRegionList) ws.showRegionList();
    ws.CommandStatesChanged();
}

void GoToRegion(Workspace& ws, std::size_t index) {
    if (index >= ws.Regions().Count()) return;
    const LRegion& region = ws.Regions()[index];
    for (const Ref<LAudioDocument>& doc : ws.Documents()) {
        if (doc->Title() != region.title) continue;
        const std::int32_t rate = doc->sound.sampleRate;
        std::int32_t a = std::clamp(MsToFrames(region.startMs, rate), 0, doc->Length());
        std::int32_t b = std::clamp(MsToFrames(region.endMs, rate), 0, doc->Length());
        ws.SetActive(doc.get());
        doc->SetSelection(a, b, a);
        ws.DocumentChanged(*doc);
        if (ws.settings().ReadIntSetting("Settings", "PlayRegion", 0) != 0 && ws.startPlayback) {
            if (ws.stopPlayback) ws.stopPlayback();
            ws.startPlayback(a);
        }
        return;
    }
}

void PlayRegion(Workspace& ws, std::size_t index) {
    if (index >= ws.Regions().Count() || !ws.playPreview) return;
    if (ws.stopPlayback) ws.stopPlayback();
    const LAudioData& sound = ws.Regions()[index].sound;
    ws.playPreview(LBlockReader::Create(sound), sound.Length());
}

bool RenameRegion(Workspace& ws, std::size_t index, const std::string& name) {
    RegionList& regions = ws.Regions();
    if (index >= regions.Count()) return false;
    if (name.empty()) {
        ws.host().MessageBox("The name must contain text.", "Name Invalid", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    int other = regions.Find(name);
    if (other >= 0 && static_cast<std::size_t>(other) != index) {
        ws.host().MessageBox("Une autre zone porte déjà ce nom.", "Sonvela", MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    regions[index].name = name;
    RegionsChanged(ws);
    return true;
}

void MoveRegion(Workspace& ws, std::size_t from, std::size_t to) {
    ws.Regions().Move(from, to);
    RegionsChanged(ws);
}

void CopyRegionToNewDocument(Workspace& ws, std::size_t index) {
    if (index >= ws.Regions().Count()) return;
    ws.AddDocument(LAudioDocument::CreateFromSound(ws.Regions()[index].sound, NextUntitledTitle(ws.OpenTitles())));
}

void DeleteRegions(Workspace& ws, const std::vector<std::size_t>& indices) {
    if (indices.empty()) return;
    if (ws.host().MessageBox("Supprimer les zones sélectionnées?", "Confirmer la suppression", MsgIcon::Question,
                             MsgButtons::YesNoCancel) != MsgAnswer::Yes)
        return;
    std::vector<std::size_t> order = indices;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    for (auto it = order.rbegin(); it != order.rend(); ++it) ws.Regions().Remove(*it);
    RegionsChanged(ws);
}

void DeleteAllRegions(Workspace& ws) {
    if (ws.host().MessageBox("Supprimer toutes les zones sélectionnées?", "Confirmer la Suppression Totale",
                             MsgIcon::Question, MsgButtons::YesNoCancel) != MsgAnswer::Yes)
        return;
    ws.Regions().Clear();
    RegionsChanged(ws);
}

bool JoinOptionsDialog(Workspace& ws) {
    Settings& st = ws.settings();
    DialogSpec spec;
    spec.resource = "33";
    spec.caption = "Option d'Assemblage";
    spec.fields.push_back({"AutoGap", "Ecartement Auto", DialogField::Kind::Check,
                           st.ReadIntSetting("Settings", "AutoGap", 1) != 0 ? "1" : "0", {}});
    spec.fields.push_back({"AutoGapTime", "Insérer silence entre les zones (ms)", DialogField::Kind::Integer,
                           std::to_string(st.ReadIntSetting("Settings", "AutoGapTime", 300)), {}});
    spec.validate = [](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (s.IntValue("AutoGapTime") < 0)
            return DialogRefusal{"Le silence entre les zones ne peut être négatif.", "Valeur Invalide",
                                 MsgIcon::Error, "AutoGapTime"};
        return std::nullopt;
    };
    if (!ws.host().RunDialog(spec)) return false;
    st.WriteIntUserSetting("Settings", "AutoGap", spec.IntValue("AutoGap") != 0 ? 1 : 0);
    st.WriteIntUserSetting("Settings", "AutoGapTime", spec.IntValue("AutoGapTime"));
    return true;
}

int JoinRegions(Workspace& ws, const std::vector<std::size_t>& order) {
    const RegionList& regions = ws.Regions();
    if (order.empty()) return kTaskFailed;
    for (std::size_t i : order)
        if (i >= regions.Count()) return kTaskFailed;
    const bool gap = ws.settings().ReadIntSetting("Settings", "AutoGap", 1) != 0;
    const std::int32_t gapMs = std::max(0, ws.settings().ReadIntSetting("Settings", "AutoGapTime", 300));
    LAudioData result = regions[order.front()].sound;
    FunctionTask task("Insérer Fichier", [&](LProgressTask& t) {
        for (std::size_t k = 1; k < order.size(); ++k) {
            t.SetProgress(double(k) / double(order.size()));
            if (t.Pump()) return static_cast<int>(kTaskCancelled);
            if (gap) InsertSilence(result, result.Length(), MsToFrames(gapMs, result.sampleRate));
            LAudioData piece = regions[order[k]].sound;
            if (piece.sampleRate != result.sampleRate || piece.channels != result.channels) {
                if (!ws.convertSound) return static_cast<int>(kTaskFailed);
                int r = ws.convertSound(t, piece, result.sampleRate, result.channels);
                if (r != kTaskDone) return r;
            }
            Insert(result, result.Length(), piece);
        }
        return static_cast<int>(kTaskDone);
    });
    if (order.size() > 1) {
        RunTask(ws.host(), task);
        if (task.Result() != kTaskDone) return task.Result();
    }
    ws.AddDocument(LAudioDocument::CreateFromSound(result, NextUntitledTitle(ws.OpenTitles())));
    return kTaskDone;
}

void RegisterRegionCommands(CommandRegistry& registry) {
    registry.Register(kCmdAddRegion, {AddRegionCommand, ActiveHasSelection, nullptr, nullptr});
    registry.Register(kCmdRegionList, {[](Workspace& ws) {
                                           if (ws.showRegionList) ws.showRegionList();
                                       },
                                       [](const Workspace& ws) { return bool(ws.showRegionList); }, nullptr,
                                       nullptr});
    registry.Register(kCmdJoinRegions, {[](Workspace& ws) {
                                            if (ws.showJoinDialog) ws.showJoinDialog();
                                        },
                                        [](const Workspace& ws) { return HasRegions(ws) && bool(ws.showJoinDialog); },
                                        nullptr, nullptr});
}

}  // namespace sv
