#pragma once
// The Host drawn with Qt: message boxes, parameter dialogs built from their description, file
// pickers, input boxes and the progress dialog.
#include "core/Host.h"

#include <QPointer>
#include <QWidget>

namespace sv {

class QtHost : public Host {
public:
    explicit QtHost(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }

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

private:
    QPointer<QWidget> owner_;
};

}  // namespace sv
