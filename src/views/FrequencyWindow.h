#pragma once
// LFrequencyWindow: the spectrum at the active document's cursor, dB against a logarithmically
// warped frequency axis, one curve per channel, with labelled axes and a readout of the
// frequency and level under the pointer. It follows the cursor (and so the player) by looking
// at the active document a few dozen times a second; changed positions are computed on a
// worker thread, newer requests replacing waiting ones, so playback is never held up.
#include "analysis/FrequencySpectrum.h"
#include "analysis/SpectrumGeometry.h"
#include "analysis/SpectrumWorker.h"
#include "core/AudioDocument.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QTimer;

namespace sv {

class Workspace;

class SpectrumGraph : public QWidget {
public:
    explicit SpectrumGraph(QWidget* parent = nullptr);
    void SetSpectrum(const FrequencySpectrum& spectrum);
    const FrequencySpectrum& Spectrum() const { return spectrum_; }
    SpectrumGeometry& Geometry() { return geometry_; }
    // The plot's rectangle inside the widget (the axes' labels lie outside it).
    QRect PlotRect() const;
    // "%d Hz, %d dB" at a widget point, empty outside the plot.
    QString Readout(const QPoint& at) const;

    std::function<void(const QString&)> readoutChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void SyncGeometry();

    FrequencySpectrum spectrum_;
    SpectrumGeometry geometry_{1, 1};
};

class LFrequencyWindow : public QWidget {
public:
    LFrequencyWindow(Workspace& ws, QWidget* parent = nullptr);
    ~LFrequencyWindow() override;

    void SetSpectrum(const FrequencySpectrum& spectrum);
    // Shows a spectrum computed elsewhere for doc, so the next look does not ask for it again.
    void ShowComputed(const LAudioDocument& doc, const FrequencySpectrum& spectrum);
    SpectrumGraph* Graph() const { return graph_; }
    QLabel* ReadoutLabel() const { return readout_; }
    // Looks at the active document now (the timer does this on its own).
    void Poll();
    std::uint64_t Computed() const { return worker_->Computed(); }

private:
    bool SameAsShown(const LAudioDocument& doc) const;
    void Delivered(FrequencySpectrum spectrum, std::uint64_t ticket);

    Workspace& ws_;
    SpectrumGraph* graph_ = nullptr;
    QLabel* readout_ = nullptr;
    QTimer* poll_ = nullptr;
    // What the last request asked for.
    const LAudioDocument* doc_ = nullptr;
    std::int32_t cursor_ = -1;
    std::vector<LSegment> segments_;
    std::uint64_t lastTicket_ = 0;
    std::unique_ptr<SpectrumWorker> worker_;
};

}  // namespace sv
