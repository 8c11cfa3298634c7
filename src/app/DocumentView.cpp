#include "app/DocumentView.h"

#include "core/TimeText.h"

#include <QPainter>

namespace sv {

QStringList DocumentSummary(const LAudioDocument& doc) {
    const std::int32_t rate = doc.sound.sampleRate;
    auto time = [rate](std::int32_t frames) { return QString::fromStdString(FormatTimeText(FramesToMs(frames, rate))); };
    QStringList lines;
    lines << QString::fromStdString(doc.Title());
    lines << QString("Taux d'Echantillonnage: %1   %2").arg(rate).arg(doc.sound.channels == 2 ? "Stéréo" : "Mono");
    lines << QString("Durée: %1  (%2 échantillons)").arg(time(doc.Length())).arg(doc.Length());
    if (doc.HasSelection())
        lines << QString("Sélection: %1 - %2").arg(time(doc.selectionStart), time(doc.selectionEnd));
    else
        lines << QString("Sélection: aucune");
    lines << QString("Curseur: %1").arg(time(doc.cursor));
    return lines;
}

DocumentView::DocumentView(LAudioDocument& doc, QWidget* parent) : QWidget(parent), doc_(doc) {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 0));
    pal.setColor(QPalette::WindowText, QColor(0, 220, 0));
    setPalette(pal);
}

void DocumentView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    int y = 24;
    for (const QString& line : DocumentSummary(doc_)) {
        p.drawText(16, y, line);
        y += 22;
    }
}

}  // namespace sv
