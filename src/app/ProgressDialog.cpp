#include "app/ProgressDialog.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace sv {

ProgressDialog::ProgressDialog(const QString& title, QWidget* owner) : owner_(owner) {
    dialog_ = new QDialog(owner);
    dialog_->setObjectName("LProgressDialog");
    dialog_->setWindowTitle(title);
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(dialog_);
    for (QLabel*& line : lines_) {
        line = new QLabel;
        line->setMinimumWidth(320);
        layout->addWidget(line);
    }
    bar_ = new QProgressBar;
    bar_->setRange(0, 100);
    bar_->setValue(0);
    layout->addWidget(bar_);
    auto* cancel = new QPushButton("Annuler");
    layout->addWidget(cancel, 0, Qt::AlignRight);
    QObject::connect(cancel, &QPushButton::clicked, dialog_, &QDialog::close);
    // Application-modal: the frame takes no input while events still flow through the pump.
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->show();
    QCoreApplication::processEvents();
}

ProgressDialog::~ProgressDialog() {
    if (dialog_) delete dialog_.data();
    if (owner_) {
        owner_->activateWindow();
        owner_->setFocus();
    }
}

void ProgressDialog::SetText(int line, const std::string& text) {
    if (dialog_ && line >= 0 && line < 2) lines_[line]->setText(QString::fromStdString(text));
}

void ProgressDialog::SetPercent(int percent) {
    if (dialog_) bar_->setValue(percent);
}

bool ProgressDialog::Pump() {
    QCoreApplication::processEvents();
    return dialog_.isNull();
}

void ProgressDialog::Error(const std::string& text) {
    QMessageBox::warning(dialog_ ? static_cast<QWidget*>(dialog_.data()) : owner_.data(), "Erreur",
                         QString::fromStdString(text));
}

}  // namespace sv
