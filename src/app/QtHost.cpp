#include "app/QtHost.h"

#include "app/ParameterDialog.h"
#include "app/ProgressDialog.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

namespace sv {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QString FilterText(const std::vector<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& f : filters) {
        QStringList patterns;
        for (const std::string& p : f.patterns) patterns << Q(p);
        parts << QString("%1 (%2)").arg(Q(f.label), patterns.join(' '));
    }
    return parts.join(";;");
}

}  // namespace

MsgAnswer QtHost::MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                             MsgButtons buttons) {
    QMessageBox box(owner_);
    box.setWindowTitle(Q(caption));
    box.setText(Q(text));
    switch (icon) {
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::None: break;
    }
    QAbstractButton* ok = nullptr;
    QAbstractButton* yes = nullptr;
    QAbstractButton* no = nullptr;
    switch (buttons) {
        case MsgButtons::Ok: ok = box.addButton("OK", QMessageBox::AcceptRole); break;
        case MsgButtons::OkCancel:
            ok = box.addButton("OK", QMessageBox::AcceptRole);
            box.addButton("Annuler", QMessageBox::RejectRole);
            break;
        case MsgButtons::YesNo:
            yes = box.addButton("Oui", QMessageBox::YesRole);
            no = box.addButton("Non", QMessageBox::NoRole);
            break;
        case MsgButtons::YesNoCancel:
            yes = box.addButton("Oui", QMessageBox::YesRole);
            no = box.addButton("Non", QMessageBox::NoRole);
            box.addButton("Annuler", QMessageBox::RejectRole);
            break;
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes) return MsgAnswer::Yes;
    if (clicked && clicked == no) return MsgAnswer::No;
    if (clicked && clicked == ok) return MsgAnswer::Ok;
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (buttons == MsgButtons::YesNo) return MsgAnswer::No;  // closing the box is the safe answer
    return MsgAnswer::Cancel;
}

bool QtHost::RunDialog(DialogSpec& spec) {
    ParameterDialog dialog(spec, *this, owner_);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<std::string> QtHost::InputBox(const std::string& caption, const std::string& prompt,
                                            const std::string& initial) {
    bool ok = false;
    QString text = QInputDialog::getText(owner_, Q(caption), Q(prompt), QLineEdit::Normal, Q(initial), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

std::vector<std::string> QtHost::PickOpenFiles(const std::string& caption, const std::string& folder,
                                               const std::vector<FileFilter>& filters, bool multiple) {
    std::vector<std::string> out;
    if (multiple) {
        for (const QString& f : QFileDialog::getOpenFileNames(owner_, Q(caption), Q(folder), FilterText(filters)))
            out.push_back(f.toStdString());
    } else {
        QString f = QFileDialog::getOpenFileName(owner_, Q(caption), Q(folder), FilterText(filters));
        if (!f.isEmpty()) out.push_back(f.toStdString());
    }
    return out;
}

std::optional<std::string> QtHost::PickSaveFile(const std::string& caption, const std::string& folder,
                                                const std::string& name, const std::vector<FileFilter>& filters) {
    QString start = folder.empty() ? Q(name) : Q(folder) + "/" + Q(name);
    QString f = QFileDialog::getSaveFileName(owner_, Q(caption), start, FilterText(filters));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::optional<std::string> QtHost::PickFolder(const std::string& caption, const std::string& folder) {
    QString f = QFileDialog::getExistingDirectory(owner_, Q(caption), Q(folder));
    if (f.isEmpty()) return std::nullopt;
    return f.toStdString();
}

std::unique_ptr<ProgressUi> QtHost::OpenProgress(const std::string& title) {
    return std::make_unique<ProgressDialog>(Q(title), owner_);
}

}  // namespace sv
