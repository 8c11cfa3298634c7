#pragma once
// LWaveWindow: the recorder's playback panel's view of the recorded sound. The same column
// cache, drawing thread and scrolling as LSVWaveWindow, without selection or bookmarks: the
// part from the position onwards is drawn in the cursor-band colours, the position itself as a
// green line, and a click moves the position there and tells the parent (code 2).
#include "core/AudioData.h"
#include "views/WaveDrawThread.h"

#include <QWidget>

#include <cstdint>
#include <functional>

namespace sv {

class LWaveWindow : public QWidget {
public:
    explicit LWaveWindow(QWidget* parent = nullptr);
    ~LWaveWindow() override;

    void Attach(const LAudioData& sound);
    void Detach();
    void RequestRange(std::int32_t start, std::int32_t length);
    void SetPosition(std::int32_t frame);
    void SetDataEnd(std::int32_t frames);

    std::int32_t Position() const { return position_; }
    WaveGeometry Requested() const { return requested_; }
    WaveDrawThread& DrawThread() { return thread_; }

    std::function<void(int code)> onNotify;

    QSize sizeHint() const override { return {400, 80}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    WaveDrawThread thread_;
    WaveGeometry requested_;
    std::int32_t position_ = 0;
    std::int32_t dataEnd_ = 0;
};

}  // namespace sv
