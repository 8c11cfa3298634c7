#pragma once
// The MDI child of one document. It holds the window's reference to the document; closing it
// goes through document close (the save prompt), which may keep it open.
#include "core/AudioDocument.h"

#include <QMdiSubWindow>

namespace sv {

class Workspace;

class DocumentSubWindow : public QMdiSubWindow {
public:
    DocumentSubWindow(Workspace& ws, const Ref<LAudioDocument>& doc, QWidget* parent = nullptr);
    LAudioDocument* Document() const { return doc_.get(); }
    // The document has left the workspace: close without asking.
    void MarkRemoved() { removed_ = true; }
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Workspace& ws_;
    Ref<LAudioDocument> doc_;
    bool removed_ = false;
};

}  // namespace sv
