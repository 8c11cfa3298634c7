#include "app/DocumentSubWindow.h"

#include "app/DocumentWindow.h"
#include "core/DocumentCommands.h"
#include "core/Workspace.h"

#include <QCloseEvent>

namespace sv {

DocumentSubWindow::DocumentSubWindow(Workspace& ws, const Ref<LAudioDocument>& doc, QWidget* parent)
    : QMdiSubWindow(parent), ws_(ws), doc_(doc) {
    setWidget(new DocumentWindow(ws_, *doc_));
    setAttribute(Qt::WA_DeleteOnClose);
    Refresh();
}

void DocumentSubWindow::Refresh() {
    setWindowTitle(QString::fromStdString(doc_->Title()) + (doc_->modified ? " *" : ""));
    if (auto* view = dynamic_cast<DocumentWindow*>(widget())) view->Refresh();
}

void DocumentSubWindow::closeEvent(QCloseEvent* event) {
    if (removed_ || CloseDocument(ws_, *doc_)) {
        removed_ = true;
        event->accept();
        QMdiSubWindow::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace sv
