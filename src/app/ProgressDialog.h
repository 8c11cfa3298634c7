#pragma once
// "LProgressDialog": two text lines, a bar from 0 to 100 and "Annuler". The owner window takes
// no input while it is up; Cancel closes it, which the worker sees at its next pump.
#include "core/Host.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;

namespace sv {

class ProgressDialog : public ProgressUi {
public:
    ProgressDialog(const QString& title, QWidget* owner);
    ~ProgressDialog() override;

    void SetText(int line, const std::string& text) override;
    void SetPercent(int percent) override;
    bool Pump() override;
    void Error(const std::string& text) override;

private:
    QPointer<QWidget> owner_;
    QPointer<QDialog> dialog_;
    QLabel* lines_[2] = {nullptr, nullptr};
    QProgressBar* bar_ = nullptr;
};

}  // namespace sv
