#pragma once
// What every effect command shares: its stored parameters, the refusal of an invalid dialog
// value, and the frame around the work (stop playback, undo step, progress dialog, end edit).
#include "core/DialogFields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sv {

class LAudioDocument;
class LDocumentTask;
class LEffectDescriptor;
class Settings;
class Workspace;

// One integer parameter in the settings store, with the default used when it is absent.
struct StoredValue {
    const char* group;
    const char* key;
    int def;
};

extern const char* const kStoredValues;  // "StoredValues"

int ReadStoredValue(const Settings& settings, const StoredValue& value);
void WriteStoredValue(Settings& settings, const StoredValue& value, int v);

// A parameter stored as text (the decimal values of the modulated delays).
struct StoredText {
    const char* group;
    const char* key;
    const char* def;
};

std::string ReadStoredText(const Settings& settings, const StoredText& value);
void WriteStoredText(Settings& settings, const StoredText& value, const std::string& text);

// A dialog field bound to a stored parameter.
struct EffectParam {
    StoredValue stored;
    const char* field;
};

struct EffectTextParam {
    StoredText stored;
    const char* field;
};

// The general form of the parameter half: integer and text parameters alike. Returns the
// accepted dialog (its fields hold the values, already stored); nothing when cancelled.
std::optional<DialogSpec> AskEffectDialog(Workspace& ws, const std::vector<EffectParam>& params,
                                          const std::vector<EffectTextParam>& textParams, DialogSpec spec);

// The parameter half of every effect command: fills the fields of spec from the stored values (their
// defaults when absent), shows the dialog and, only when it is accepted, stores the accepted
// values, which it returns in the order of params. Nothing when cancelled.
std::optional<std::vector<int>> AskEffectParameters(Workspace& ws, const std::vector<EffectParam>& params,
                                                    DialogSpec spec);

// A refusal titled "Valeur Invalide" with the information icon.
DialogRefusal InvalidValue(const std::string& text, const std::string& field);
// An empty parameter dialog with its resource name and caption.
DialogSpec MakeDialog(const char* resource, const char* caption);

// The active document, after selecting all of it when nothing is selected; null when none.
LAudioDocument* EffectTarget(Workspace& ws);

// Runs task under the progress dialog on the active document, opening the undo step undoName
// only once the new material is ready; when done, ends the edit with the selection start as
// cursor and half a second of preroll. Returns the task's result (0 done, 1 cancelled, 2 failed).
int RunEditTask(Workspace& ws, LDocumentTask& task, const std::string& undoName);
// The effect run of effect over the active document's selection, framed as above with the
// effect's name as undo name and progress title, or with the names given (the compressor and
// the plug-in hosts name their undo step and their progress dialog differently).
int ApplyEffect(Workspace& ws, const LEffectDescriptor& effect);
int ApplyEffect(Workspace& ws, const LEffectDescriptor& effect, const std::string& undoName,
                const std::string& progressTitle);

}  // namespace sv
