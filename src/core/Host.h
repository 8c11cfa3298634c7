#pragma once
// Host: everything the core asks of the user. app/ implements it with Qt dialogs; tests with a
// scripted host that records each question and answers from a script. Dialog logic (fields,
// ranges, refusal messages) is described here as data; only the drawing lives above.
#include "core/DialogSpec.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sv {

enum class MsgIcon { None, Information, Question, Warning, Error };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// The progress dialog of a long operation: two text lines, a bar from 0 to 100 and Cancel.
class ProgressUi {
public:
    virtual ~ProgressUi() = default;
    virtual void SetText(int line, const std::string& text) = 0;
    virtual void SetPercent(int percent) = 0;
    // Delivers waiting events; true once the user has cancelled (the dialog is gone).
    virtual bool Pump() = 0;
    // A message box on the dialog, caption "Erreur", exclamation icon.
    virtual void Error(const std::string& text) = 0;
};

struct FileFilter {
    std::string label;                    // "Fichiers Wave (*.wav)"
    std::vector<std::string> patterns;    // {"*.wav"}
};

class Host {
public:
    virtual ~Host() = default;

    virtual MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons) = 0;
    // Shows a modal parameter dialog. OK runs the spec's validation: a refusal is shown as a
    // message box and the dialog stays open. True once accepted; the fields then hold the
    // accepted values. False on Cancel.
    virtual bool RunDialog(DialogSpec& spec) = 0;
    virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& initial) = 0;
    virtual std::vector<std::string> PickOpenFiles(const std::string& caption, const std::string& folder,
                                                   const std::vector<FileFilter>& filters, bool multiple) = 0;
    virtual std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& folder,
                                                    const std::string& name,
                                                    const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> PickFolder(const std::string& caption, const std::string& folder) = 0;
    // Null when no dialog can be shown.
    virtual std::unique_ptr<ProgressUi> OpenProgress(const std::string& title) = 0;
};

}  // namespace sv
