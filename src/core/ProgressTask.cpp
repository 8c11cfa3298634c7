#include "core/ProgressTask.h"

#include "core/Host.h"

#include <algorithm>

namespace sv {

bool LProgressTask::Run() {
    result_ = Work();
    return true;
}

void LProgressTask::SetText(int line, const std::string& text) {
    if (dialog_ && !cancelled_) dialog_->SetText(line, text);
}

void LProgressTask::SetProgress(double fraction) {
    if (!dialog_ || cancelled_) return;
    fraction = std::max(0.0, std::min(1.0, fraction));
    dialog_->SetPercent(static_cast<int>(fraction * 100));
}

bool LProgressTask::Pump() {
    if (!dialog_) return cancelled_;
    if (!cancelled_ && dialog_->Pump()) cancelled_ = true;
    return cancelled_;
}

void LProgressTask::Error(const std::string& text) {
    if (dialog_) dialog_->Error(text);
}

bool RunTask(Host& host, LProgressTask& task) {
    if (task.dialog_) return false;
    std::unique_ptr<ProgressUi> dialog = host.OpenProgress(task.title_);
    if (!dialog) return false;
    dialog->SetPercent(0);
    task.dialog_ = dialog.get();
    task.cancelled_ = false;
    task.Run();
    task.dialog_ = nullptr;
    dialog.reset();
    return task.Result() == kTaskDone;
}

}  // namespace sv
