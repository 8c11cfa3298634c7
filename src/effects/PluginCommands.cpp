#include "effects/PluginCommands.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Host.h"
#include "core/Workspace.h"
#include "effects/EffectCommand.h"
#include "effects/EffectPreview.h"
#include "effects/EffectProcess.h"
#include "effects/Lv2Effect.h"
#include "effects/VstEffect.h"
#include "effects/VstPlugin.h"
#include "platform/Settings.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

namespace sv {

const char* const kVstFolderKey = "VSTFolder";
std::function<void(Workspace&, VstPlugin&)> gOpenVstEditor;

namespace {

const char* const kSettings = "Settings";
const char* const kVstPluginKey = "VSTPlugin";
const char* const kVstParamGroup = "VSTParameters";
const char* const kLv2PluginKey = "LV2Plugin";
const char* const kLv2ControlGroup = "LV2Controls";

// A settings key for a path or URI: INI keys keep to letters, digits and underscores.
std::string KeyFor(const std::string& text) {
    std::string key;
    for (unsigned char c : text) key += std::isalnum(c) ? static_cast<char>(c) : '_';
    return key;
}

std::string FloatText(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", static_cast<double>(v));
    return buf;
}

// Parses a number the way the dialogs read decimals; false unless the whole text is one.
bool ParseFloat(const std::string& text, float* out) {
    std::string t = text;
    for (char& c : t)
        if (c == ',') c = '.';
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    while (end && *end == ' ') ++end;
    if (t.empty() || !end || *end != '\0' || !std::isfinite(v)) return false;
    *out = static_cast<float>(v);
    return true;
}

// "key=value;key=value" with float values, as the plug-ins' settings are stored.
std::vector<std::pair<std::string, float>> ParsePairs(const std::string& text) {
    std::vector<std::pair<std::string, float>> pairs;
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ';')) {
        const std::size_t eq = item.find('=');
        float v = 0.0f;
        if (eq == std::string::npos || !ParseFloat(item.substr(eq + 1), &v)) continue;
        pairs.emplace_back(item.substr(0, eq), v);
    }
    return pairs;
}

template <class Pairs>
std::string JoinPairs(const Pairs& pairs) {
    std::string text;
    for (const auto& [k, v] : pairs) {
        if (!text.empty()) text += ';';
        std::ostringstream key;
        key << k;
        text += key.str() + "=" + FloatText(v);
    }
    return text;
}

// ---- VST 2 ----

VstParams ReadVstParams(const Settings& settings, const std::string& path) {
    VstParams params;
    for (const auto& [k, v] : ParsePairs(settings.ReadSetting(kVstParamGroup, KeyFor(path)))) {
        char* end = nullptr;
        const long index = std::strtol(k.c_str(), &end, 10);
        if (end && *end == '\0' && index >= 0 && index < 100000) params.emplace_back(static_cast<int>(index), v);
    }
    return params;
}

struct VstState {
    std::vector<VstPluginEntry> plugins;
    std::vector<std::string> skipped;
    VstParams params;  // of the plug-in chosen when they were read
    std::string paramsOf;
    std::string listedFolder;
};

std::vector<std::string> VstLibraries(const std::string& folder) {
    if (!folder.empty()) return FindVstLibraries(folder);
    std::vector<std::string> all;
    for (const std::string& f : DefaultVstFolders())
        for (std::string& lib : FindVstLibraries(f)) all.push_back(std::move(lib));
    return all;
}

std::vector<std::string> VstNames(const VstState& state) {
    std::vector<std::string> names;
    for (const VstPluginEntry& e : state.plugins) names.push_back(e.name);
    return names;
}

const VstPluginEntry* ChosenVst(const VstState& state, const DialogSpec& s) {
    const int i = s.IntValue("plugin");
    return i >= 0 && i < static_cast<int>(state.plugins.size()) ? &state.plugins[static_cast<std::size_t>(i)] : nullptr;
}

// The parameters of the chosen plug-in: those edited in this dialog, else the stored ones.
VstParams& ParamsFor(Workspace& ws, VstState& state, const std::string& path) {
    if (state.paramsOf != path) {
        state.params = ReadVstParams(ws.settings(), path);
        state.paramsOf = path;
    }
    return state.params;
}

std::vector<std::string> ParamLines(VstPlugin& plugin) {
    std::vector<std::string> lines;
    for (int i = 0; i < plugin.Params(); ++i) {
        std::string display = plugin.ParamDisplay(i);
        if (display.empty()) display = FloatText(plugin.GetParam(i));
        lines.push_back(plugin.ParamName(i) + " = " + display);
    }
    return lines;
}

// "LVSTEditor": the plug-in's parameters; "Modifier..." asks for a new value (0 to 1).
void OpenVstEditor(Workspace& ws, VstState& state, const VstPluginEntry& entry) {
    std::string error;
    std::unique_ptr<VstPlugin> plugin = VstPlugin::Load(entry.path, &error);
    if (!plugin) {
        ws.host().MessageBox(error, "Erreur", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    VstParams& params = ParamsFor(ws, state, entry.path);
    for (const auto& [i, v] : params) plugin->SetParam(i, v);
    VstPlugin& p = *plugin;

    DialogSpec spec;
    spec.resource = "LVSTEditor";
    spec.caption = "VST Configuration";
    spec.fields.push_back(ChoiceField("param", "Paramètres :", ParamLines(p), 0, true));
    spec.buttons.push_back({"change", "Modifier...", [&ws, &p](DialogSpec& s) {
                                const int i = s.IntValue("param");
                                if (i < 0 || i >= p.Params()) return;
                                const auto typed = ws.host().InputBox("VST Configuration", "Please input the new value",
                                                                      FloatText(p.GetParam(i)));
                                if (!typed) return;
                                float v = 0.0f;
                                if (!ParseFloat(*typed, &v) || v < 0.0f || v > 1.0f) {
                                    ws.host().MessageBox("La valeur doit être comprise entre 0 et 1.",
                                                         "Valeur Invalide", MsgIcon::Information, MsgButtons::Ok);
                                    return;
                                }
                                p.SetParam(i, v);
                                if (DialogField* f = s.Field("param")) f->choices = ParamLines(p);
                            }});
    if (entry.hasEditor && gOpenVstEditor) {
        spec.buttons.push_back({"editor", "Editeur...", [&ws, &p](DialogSpec& s) {
                                    gOpenVstEditor(ws, p);
                                    if (DialogField* f = s.Field("param")) f->choices = ParamLines(p);
                                }});
    }
    if (!ws.host().RunDialog(spec)) return;
    // Whatever changed, in this dialog or the plug-in's own editor, is read back.
    params.clear();
    for (int i = 0; i < p.Params(); ++i) params.emplace_back(i, p.GetParam(i));
}

}  // namespace

std::vector<std::string> DefaultVstFolders() {
    std::vector<std::string> folders = {"/usr/lib/vst", "/usr/local/lib/vst"};
    if (const char* home = std::getenv("HOME"); home && *home) folders.push_back(std::string(home) + "/.vst");
    return folders;
}

void VstCommand(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    Settings& settings = ws.settings();
    auto state = std::make_shared<VstState>();
    const std::string folder = settings.ReadSetting(kSettings, kVstFolderKey);
    state->plugins = ListVstPlugins(VstLibraries(folder), &state->skipped);
    const std::string last = settings.ReadSetting(kSettings, kVstPluginKey);
    int chosen = 0;
    for (std::size_t i = 0; i < state->plugins.size(); ++i)
        if (state->plugins[i].path == last) chosen = static_cast<int>(i);

    DialogSpec spec;
    spec.resource = "36";
    spec.caption = "Plugiciel VST";
    DialogField folderField;
    folderField.id = "folder";
    folderField.label = "Répertoire des DLL";
    folderField.kind = DialogField::Kind::Text;
    folderField.value = folder;
    spec.fields.push_back(folderField);
    spec.fields.push_back(ChoiceField("plugin", "Plugiciels :", VstNames(*state), chosen, true));
    state->listedFolder = folder;
    const auto relist = [state](DialogSpec& s) {
        state->listedFolder = s.Value("folder");
        state->skipped.clear();
        state->plugins = ListVstPlugins(VstLibraries(s.Value("folder")), &state->skipped);
        if (DialogField* f = s.Field("plugin")) {
            f->choices = VstNames(*state);
            f->value = "0";
        }
    };
    spec.buttons.push_back({"browse", "...", [&ws, relist](DialogSpec& s) {
                                const auto picked = ws.host().PickFolder("Localisation du répertoire:", s.Value("folder"));
                                if (!picked) return;
                                s.SetValue("folder", *picked);
                                relist(s);
                            }});
    spec.buttons.push_back({"settings", "Réglages", [&ws, state](DialogSpec& s) {
                                if (const VstPluginEntry* e = ChosenVst(*state, s)) OpenVstEditor(ws, *state, *e);
                            }});
    spec.validate = [state](const DialogSpec& s) -> std::optional<DialogRefusal> {
        // A folder typed in is listed when the dialog comes back (below).
        if (s.Value("folder") != state->listedFolder) return std::nullopt;
        if (!ChosenVst(*state, s))
            return DialogRefusal{"Aucun plugiciel VST n'a été trouvé dans ce répertoire.", "Plugiciel VST",
                                 MsgIcon::Information, "folder"};
        return std::nullopt;
    };
    spec.preview = [&ws, doc, state](const DialogSpec& s) {
        if (const VstPluginEntry* e = ChosenVst(*state, s))
            PreviewEffect(ws, *doc, LVstEffect(e->path, ParamsFor(ws, *state, e->path)));
    };
    spec.stopPreview = [&ws] { StopPreview(ws); };
    for (;;) {
        if (!ws.host().RunDialog(spec)) return;
        if (spec.Value("folder") == state->listedFolder) break;
        relist(spec);
    }

    const VstPluginEntry entry = *ChosenVst(*state, spec);
    const VstParams params = ParamsFor(ws, *state, entry.path);
    settings.WriteUserSetting(kSettings, kVstFolderKey, spec.Value("folder"));
    settings.WriteUserSetting(kSettings, kVstPluginKey, entry.path);
    settings.WriteUserSetting(kVstParamGroup, KeyFor(entry.path), JoinPairs(params));
    LEffectProcess process = DescriptorProcess(*doc, ws.blocks(), LVstEffect(entry.path, params), "VST Effects",
                                               "Application de l'Effet VST");
    RunEffectProcess(ws, process);
}

// ---- LV2 ----

namespace {

struct Lv2State {
    Ref<Lv2World> world;
    std::vector<Lv2PluginInfo> plugins;
    Lv2Controls controls;  // of the plug-in chosen when they were read
    std::string controlsOf;
};

const Lv2PluginInfo* ChosenLv2(const Lv2State& state, const DialogSpec& s) {
    const int i = s.IntValue("plugin");
    return i >= 0 && i < static_cast<int>(state.plugins.size()) ? &state.plugins[static_cast<std::size_t>(i)] : nullptr;
}

Lv2Controls& ControlsFor(Workspace& ws, Lv2State& state, const Lv2PluginInfo& info) {
    if (state.controlsOf != info.uri) {
        state.controls.clear();
        for (const auto& [k, v] : ParsePairs(ws.settings().ReadSetting(kLv2ControlGroup, KeyFor(info.uri))))
            state.controls[k] = v;
        state.controlsOf = info.uri;
    }
    return state.controls;
}

std::string RangeText(const Lv2Control& c) { return FloatText(c.minimum) + " à " + FloatText(c.maximum); }

}  // namespace

// The controls of an LV2 plug-in as a dialog: one field per control input, from its range.
DialogSpec Lv2ControlsDialog(const Lv2PluginInfo& info, const Lv2Controls& values) {
    DialogSpec spec;
    spec.resource = "LV2Controls";
    spec.caption = "Réglages - " + info.name;
    for (const Lv2Control& c : info.controls) {
        const auto it = values.find(c.symbol);
        const float v = it == values.end() ? c.def : it->second;
        DialogField f;
        f.id = c.symbol;
        if (c.toggled) {
            f.kind = DialogField::Kind::Check;
            f.label = c.name;
            f.value = v > 0.5f ? "1" : "0";
        } else {
            f.kind = DialogField::Kind::Decimal;
            f.label = c.name + " (" + RangeText(c) + ") :";
            f.value = FloatText(c.integer ? std::round(v) : v);
        }
        spec.fields.push_back(std::move(f));
    }
    spec.validate = [info](const DialogSpec& s) -> std::optional<DialogRefusal> {
        for (const Lv2Control& c : info.controls) {
            if (c.toggled) continue;
            float v = 0.0f;
            if (!ParseFloat(s.Value(c.symbol), &v) || v < c.minimum || v > c.maximum)
                return InvalidValue("La valeur de " + c.name + " doit être comprise entre " + RangeText(c) +
                                        ". Veuillez réessayer.",
                                    c.symbol);
        }
        return std::nullopt;
    };
    return spec;
}

Lv2Controls Lv2ControlValues(const Lv2PluginInfo& info, const DialogSpec& s) {
    Lv2Controls values;
    for (const Lv2Control& c : info.controls) {
        float v = c.def;
        if (c.toggled) v = s.Value(c.symbol) == "1" ? 1.0f : 0.0f;
        else if (!ParseFloat(s.Value(c.symbol), &v)) v = c.def;
        values[c.symbol] = c.integer ? std::round(v) : v;
    }
    return values;
}

void Lv2Command(Workspace& ws) {
    LAudioDocument* doc = EffectTarget(ws);
    if (!doc) return;
    Settings& settings = ws.settings();
    auto state = std::make_shared<Lv2State>();
    state->world = Lv2World::Load();
    state->plugins = ListLv2Effects(state->world);
    const std::string last = settings.ReadSetting(kSettings, kLv2PluginKey);
    int chosen = 0;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < state->plugins.size(); ++i) {
        names.push_back(state->plugins[i].name);
        if (state->plugins[i].uri == last) chosen = static_cast<int>(i);
    }

    DialogSpec spec;
    spec.resource = "38";
    spec.caption = "Plugiciels DirectX";
    spec.fields.push_back(ChoiceField("plugin", "Effets :", names, chosen, true));
    spec.buttons.push_back({"settings", "Réglages", [&ws, doc, state](DialogSpec& s) {
                                const Lv2PluginInfo* info = ChosenLv2(*state, s);
                                if (!info) return;
                                Lv2Controls& controls = ControlsFor(ws, *state, *info);
                                DialogSpec dlg = Lv2ControlsDialog(*info, controls);
                                dlg.preview = [&ws, doc, state, info](const DialogSpec& d) {
                                    PreviewEffect(ws, *doc, LLv2Effect(state->world, info->uri, Lv2ControlValues(*info, d)));
                                };
                                dlg.stopPreview = [&ws] { StopPreview(ws); };
                                if (ws.host().RunDialog(dlg)) controls = Lv2ControlValues(*info, dlg);
                            }});
    spec.validate = [state](const DialogSpec& s) -> std::optional<DialogRefusal> {
        if (!ChosenLv2(*state, s))
            return DialogRefusal{"Aucun effet n'est installé.", "Plugiciels DirectX", MsgIcon::Information, ""};
        return std::nullopt;
    };
    spec.preview = [&ws, doc, state](const DialogSpec& s) {
        if (const Lv2PluginInfo* info = ChosenLv2(*state, s))
            PreviewEffect(ws, *doc, LLv2Effect(state->world, info->uri, ControlsFor(ws, *state, *info)));
    };
    spec.stopPreview = [&ws] { StopPreview(ws); };
    if (!ws.host().RunDialog(spec)) return;

    const Lv2PluginInfo info = *ChosenLv2(*state, spec);
    const Lv2Controls controls = ControlsFor(ws, *state, info);
    settings.WriteUserSetting(kSettings, kLv2PluginKey, info.uri);
    settings.WriteUserSetting(kLv2ControlGroup, KeyFor(info.uri), JoinPairs(controls));
    LEffectProcess process = DescriptorProcess(*doc, ws.blocks(), LLv2Effect(state->world, info.uri, controls),
                                               "DirectX Effects", "Application de l'Effet DirectX.");
    RunEffectProcess(ws, process);
}

void RegisterPluginCommands(CommandRegistry& registry) {
    const auto doc = [](const Workspace& ws) { return HasActiveDocument(ws); };
    registry.Register(kCmdVst, {VstCommand, doc, nullptr, nullptr});
    registry.Register(kCmdDirectX, {Lv2Command, doc, nullptr, nullptr});
}

}  // namespace sv
