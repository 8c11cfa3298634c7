#pragma once
// A Host for headless tests: it records every question it is asked and answers from a script.
// Message boxes take the next scripted answer (Ok / Yes when none is left); dialogs take the
// next scripted list of field values and press OK (Cancel when none is left), retrying with
// the next entry after a refusal, as a user would.
#include "core/Host.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace sv::test {

struct RecordedMessage {
    std::string text;
    std::string caption;
    MsgIcon icon;
    MsgButtons buttons;
};

struct DialogAnswer {
    DialogAnswer(bool accept = true, std::map<std::string, std::string> typed = {},
                 std::vector<std::string> pressed = {}, int chosenPreset = -1)
        : ok(accept), values(std::move(typed)), presses(std::move(pressed)), preset(chosenPreset) {}
    bool ok = true;
    std::map<std::string, std::string> values;  // typed in after the presses, as changes
    std::vector<std::string> presses;           // buttons pressed first, in order
    int preset = -1;                            // a "Préréglages:" entry chosen before anything
};

class ScriptedHost : public Host {
public:
    MsgAnswer MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                         MsgButtons buttons) override;
    bool RunDialog(DialogSpec& spec) override;
    std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
    std::vector<std::string> PickOpenFiles(const std::string& caption, const std::string& folder,
                                           const std::vector<FileFilter>& filters, bool multiple) override;
    std::optional<std::string> PickSaveFile(const std::string& caption, const std::string& folder,
                                            const std::string& name, const std::vector<FileFilter>& filters) override;
    std::optional<std::string> PickFolder(const std::string& caption, const std::string& folder) override;
    std::unique_ptr<ProgressUi> OpenProgress(const std::string& title) override;

    // Script
    std::deque<MsgAnswer> answers;
    std::deque<DialogAnswer> dialogs;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::vector<std::string>> openPicks;
    std::deque<std::optional<std::string>> savePicks;
    std::deque<std::optional<std::string>> folderPicks;
    // Cancel the progress dialog at this pump (counted from 1 per task); 0 never.
    int cancelAtPump = 0;

    // Record
    std::vector<RecordedMessage> messages;
    std::vector<DialogSpec> shownDialogs;  // as first shown, before the scripted values
    std::vector<std::string> progressTitles;
    std::vector<std::string> progressTexts;
    std::vector<std::string> progressErrors;
    std::vector<int> progressPercents;
};

}  // namespace sv::test
