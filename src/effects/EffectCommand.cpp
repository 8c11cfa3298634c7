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

DialogRefusal InvalidValue(const std::string& text, const std::string& field) {
    return DialogRefusal{text, "Valeur Invalide", MsgIcon::Information, field};
}

DialogField IntegerField(const std::string& id, const std::string& label, int value) {
    DialogField f;
    f.id = id;
    f.label = label;
    f.kind = DialogField::Kind::Integer;
    f.value = std::to_string(value);
    return f;
}

std::optional<std::vector<int>> AskEffectParameters(Workspace& ws, const std::vector<EffectParam>& params,
                                                    DialogSpec spec) {
    for (const EffectParam& p : params)
        spec.SetValue(p.field, std::to_string(ReadStoredValue(ws.settings(), p.stored)));
    if (!ws.host().RunDialog(spec)) return std::nullopt;
    std::vector<int> values;
    for (const EffectParam& p : params) {
        values.push_back(spec.IntValue(p.field));
        WriteStoredValue(ws.settings(), p.stored, values.back());
    }
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
    LAudioDocument* doc = ws.Active();
    if (!doc) return kTaskFailed;
    LEffectRun run(*doc, ws.blocks(), effect);
    return RunEditTask(ws, run, effect.GetName());
}

}  // namespace sv
