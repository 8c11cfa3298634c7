#pragma once
// A document's window content until the waveform window takes its place: the title, format,
// length, selection and cursor of the document, redrawn when it changes.
#include "core/AudioDocument.h"

#include <QWidget>

namespace sv {

class DocumentView : public QWidget {
public:
    DocumentView(LAudioDocument& doc, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {520, 220}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LAudioDocument& doc_;
};

// The lines the view shows, plain text for tests.
QStringList DocumentSummary(const LAudioDocument& doc);

}  // namespace sv
