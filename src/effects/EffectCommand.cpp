#include "effects/EffectCommand.h"

#include "core/AudioDocument.h"
#include "core/EditFraming.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/EffectRun.h"
#include "platform/Settings.h"

namespace sv {

const char* const kStoredValues = "StoredValues";

int ReadStoredValue(const Settings& settings, const StoredValue& value) {
    return settings.ReadIntSetting(value.group, value.key, value.def);
}

void WriteStoredValue(Settings& settings, const StoredValue& value, int v) {
    settings.WriteIntUserSetting(value.group, value.key, v);
}

std::string ReadStoredText(const Settings& settings, const StoredText& value) {
    std::string text = settings.ReadSetting(value.group, value.key);
    return text.empty() ? std::string(value.def) : text;
}

void WriteStoredText(Settings& settings, const StoredText& value, const std::string& text) {
    settings.WriteUserSetting(value.group, value.key, text);
}

DialogRefusal InvalidValue(const std::string& text, const std::string& field) {
    return DialogRefusal{text, "Valeur Invalide", MsgIcon::Information, field};
}

DialogSpec MakeDialog(const char* resource, const char* caption) {
    DialogSpec spec;
    spec.resource = resource;
    spec.caption = caption;
    return spec;
}

std::optional<DialogSpec> AskEffectDialog(Workspace& ws, const std::vector<EffectParam>& params,
                                          const std::vector<EffectTextParam>& textParams, DialogSpec spec) {
    for (const EffectParam& p : params)
        spec.SetValue(p.field, std::to_string(ReadStoredValue(ws.settings(), p.stored)));
    for (const EffectTextParam& p : textParams) spec.SetValue(p.field, ReadStoredText(ws.settings(), p.stored));
    if (!ws.host().RunDialog(spec)) return std::nullopt;
    for (const EffectParam& p : params) WriteStoredValue(ws.settings(), p.stored, spec.IntValue(p.field));
    for (const EffectTextParam& p : textParams) WriteStoredText(ws.settings(), p.stored, spec.Value(p.field));
    return spec;
}

std::optional<std::vector<int>> AskEffectParameters(Workspace& ws, const std::vector<EffectParam>& params,
                                                    DialogSpec spec) {
    const std::optional<DialogSpec> accepted = AskEffectDialog(ws, params, {}, std::move(spec));
    if (!accepted) return std::nullopt;
    std::vector<int> values;
    for (const EffectParam& p : params) values.push_back(accepted->IntValue(p.field));
    return values;
}

LAudioDocument* EffectTarget(Workspace& ws) {
    if (!ws.Active()) return nullptr;
    SelectAllIfNone(ws);
    return ws.Active();
}

int RunEditTask(Workspace& ws, LDocumentTask& task, const std::string& undoName) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return kTaskFailed;
    StopPlayback(ws);
    bool opened = false;
    task.openEdit = [&ws, &opened, undoName] { return opened = BeginEdit(ws, undoName); };
    RunTask(ws.host(), task);
    task.openEdit = nullptr;
    const int result = task.Result();
    // A task that found nothing to change opened no edit and has none to end.
    if (result == kTaskDone && opened) EndEdit(ws, doc->selectionStart, doc->sound.sampleRate / 2);
    return result;
}

int ApplyEffect(Workspace& ws, const LEffectDescriptor& effect) {
    const std::string name = effect.GetName();
    return ApplyEffect(ws, effect, name, name);
}

int ApplyEffect(Workspace& ws, const LEffectDescriptor& effect, const std::string& undoName,
                const std::string& progressTitle) {
    LAudioDocument* doc = ws.Active();
    if (!doc) return kTaskFailed;
    LEffectRun run(*doc, ws.blocks(), effect, progressTitle);
    return RunEditTask(ws, run, undoName);
}

}  // namespace sv
