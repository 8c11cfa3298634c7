#pragma once
// LTFFTWindow: the spectrogram of the analysed stretch as an indexed image with the
// spectrogram palette, time to the right and frequency upwards, in full view (the whole
// stretch fitted to the window) or zoomed (one cell per pixel, scrolled). The brightness
// track bar (105), the grid button (107), the view buttons (103, 104) and the reselect button
// act on it; the status line reads the cell under the pointer.
#include "analysis/Spectrogram.h"
#include "core/AudioDocument.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QLabel;
class QScrollArea;
class QSlider;
class QToolButton;

namespace sv {

class Settings;
class Workspace;

class SpectrogramCanvas : public QWidget {
public:
    explicit SpectrogramCanvas(QWidget* parent = nullptr);
    void SetData(std::shared_ptr<const SpectrogramData> data);
    void SetGain(int gain);
    void SetGrid(bool on);
    // Full: the image follows the canvas's size; zoomed: one cell per pixel.
    void SetFull(bool full);
    bool Full() const { return full_; }
    // The cell under a canvas point.
    SpectrogramCell CellAt(const QPoint& at) const;
    const QImage& Image() const { return image_; }

    std::function<void(const QString&)> statusChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Rebuild();

    std::shared_ptr<const SpectrogramData> data_;
    QImage image_;
    int gain_ = 64;
    bool grid_ = true;
    bool full_ = true;
};

class LTFFTWindow : public QWidget {
public:
    LTFFTWindow(Workspace& ws, QWidget* parent = nullptr);

    void Show(LAudioDocument& doc, std::shared_ptr<const SpectrogramData> data);
    SpectrogramCanvas* Canvas() const { return canvas_; }
    QLabel* Status() const { return status_; }
    QSlider* Brightness() const { return brightness_; }
    // Selects the analysed stretch in its document again.
    void Reselect();

private:
    void ApplySettings();

    Workspace& ws_;
    Ref<LAudioDocument> doc_;
    std::shared_ptr<const SpectrogramData> data_;
    SpectrogramCanvas* canvas_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QLabel* status_ = nullptr;
    QSlider* brightness_ = nullptr;
    QToolButton* grid_ = nullptr;
    QToolButton* fullButton_ = nullptr;
    QToolButton* zoomButton_ = nullptr;
};

}  // namespace sv
