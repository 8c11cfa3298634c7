#pragma once
// The Host of a run without a display: nobody can click, so each message goes to standard
// error, each question takes its default answer (OK, Yes), dialogs keep their values when
// those pass the checks, pickers pick nothing and progress is never cancelled.
#include "core/Host.h"

#include <cstdio>

namespace sv {

class HeadlessHost : public Host {
public:
    explicit HeadlessHost(std::FILE* out = stderr) : out_(out) {}

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

    // Messages written so far (the errors among them make a failed run).
    int MessagesWritten() const { return messages_; }

private:
    void Write(const std::string& caption, const std::string& text);
    std::FILE* out_;
    int messages_ = 0;
};

}  // namespace sv
