#include "views/RecorderWaveWindow.h"

#include "views/WaveRequest.h"
#include "views/WaveWindow.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace sv {

LWaveWindow::LWaveWindow(QWidget* parent)
    : QWidget(parent), thread_([this](int x0, int x1, int) {
          // The pixels of a scroll were moved when it was requested.
          QMetaObject::invokeMethod(
              this, [this, x0, x1] { update(QRect(x0, 0, x1 - x0, height())); }, Qt::QueuedConnection);
      }) {
    setObjectName("LWaveWindow");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEnabled(false);
}

LWaveWindow::~LWaveWindow() { thread_.Detach(); }

void LWaveWindow::Attach(const LAudioData& sound) {
    dataEnd_ = sound.Length();
    requested_ = {};
    thread_.Attach(sound, 0, false);
    setEnabled(true);
    update();
}

void LWaveWindow::Detach() {
    thread_.Detach();
    setEnabled(false);
    update();
}

void LWaveWindow::RequestRange(std::int32_t start, std::int32_t length) {
    RequestWaveRange(*this, thread_, requested_, start, length);
}

void LWaveWindow::SetPosition(std::int32_t frame) {
    if (frame == position_) return;
    const int a = static_cast<int>(std::clamp<std::int64_t>(requested_.FrameToColumn(std::min(frame, position_)), -1, kMaxColumns));
    position_ = frame;
    // Everything from the old or new position onwards changes colour.
    update(QRect(a, 0, width() - a, height()));
}

void LWaveWindow::SetDataEnd(std::int32_t frames) {
    dataEnd_ = frames;
    update();
}

void LWaveWindow::resizeEvent(QResizeEvent*) {
    if (requested_.length > 0) RequestRange(requested_.start, requested_.length);
}

void LWaveWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || requested_.length <= 0) return;
    const std::int64_t f = requested_.ColumnToFrame(event->position().toPoint().x());
    SetPosition(static_cast<std::int32_t>(std::clamp<std::int64_t>(f, 0, std::max(0, dataEnd_))));
    if (onNotify) onNotify(2);
}

void LWaveWindow::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    const int h = height();
    const QColor emptyBg = wavecolors::EmptyBackground(*this);
    if (!isEnabled() || requested_.length <= 0) {
        p.fillRect(area, isEnabled() ? QColor(Qt::black) : emptyBg);
        return;
    }
    const WaveGeometry& g = requested_;
    const QColor emptyWave = wavecolors::EmptyWave(*this);
    const std::int64_t positionColumn = g.FrameToColumn(position_);
    const int x0 = std::max(area.left(), 0);
    const int x1 = std::min(area.right() + 1, std::min(width(), kMaxColumns));
    {
        std::lock_guard<std::mutex> lock(thread_.DisplayLock());
        const ColumnCache& cache = thread_.Cache();
        const WaveGeometry shown = thread_.Shown();
        const bool current = shown.length == g.length && shown.width == g.width && shown.start == g.start;
        std::int64_t next = g.ColumnToFrame(x0);
        for (int x = x0; x < x1; ++x) {
            const std::int64_t first = next;
            next = g.ColumnToFrame(x + 1);
            const bool outside = first >= dataEnd_ || next <= 0;
            QColor bg(Qt::black), wave = wavecolors::Wave();
            if (outside) {
                bg = emptyBg;
                wave = emptyWave;
            } else if (x >= positionColumn) {
                bg = wavecolors::CursorBandBackground();
                wave = wavecolors::CursorBandWave();
            }
            // Columns of a range not rendered yet are drawn where their frames now fall.
            const std::int64_t sx = current ? x : (shown.length > 0 ? shown.FrameToColumn(first) : -1);
            const bool have = !outside && sx >= 0 && sx < shown.width;
            const int a = have ? cache.top[static_cast<std::size_t>(sx)] * h / 512 : 0;
            const int b = have ? cache.bottom[static_cast<std::size_t>(sx)] * h / 512 : 0;
            const int mid = h / 2;
            p.fillRect(x, 0, 1, h, bg);
            p.fillRect(x, mid - a, 1, std::max(1, a + b), wave);
        }
    }
    if (area.right() >= x1) p.fillRect(QRect(x1, 0, area.right() + 1 - x1, h), emptyBg);
    if (positionColumn >= 0 && positionColumn <= g.width) {
        const int x = static_cast<int>(std::min<std::int64_t>(positionColumn, g.width - 1));
        p.fillRect(x, 1, 1, h - 1, QColor(0, 255, 0));
    }
}

}  // namespace sv
