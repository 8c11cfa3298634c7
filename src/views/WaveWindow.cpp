#include "views/WaveWindow.h"

#include "core/TimeText.h"
#include "views/WaveRequest.h"

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace sv {

namespace wavecolors {
QColor Wave() { return QColor(102, 255, 102); }
QColor SelectedBackground() { return QColor(5, 95, 167); }
QColor CursorBandBackground() { return QColor(255, 255, 189); }
QColor CursorBandWave() { return QColor(0, 128, 0); }
QColor CursorTriangle() { return QColor(255, 255, 17); }
QColor Bookmark() { return QColor(0, 191, 255); }
QColor EmptyBackground(const QWidget& w) { return w.palette().color(QPalette::Active, QPalette::Button); }
QColor EmptyWave(const QWidget& w) { return w.palette().color(QPalette::Disabled, QPalette::WindowText); }
}  // namespace wavecolors

namespace {

constexpr int kEdgeSlop = 6;
constexpr int kTriangle = 6;
constexpr int kBookmarkSlop = 4;

std::int32_t Clamp32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

void FillTriangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, color);
}

}  // namespace

LSVWaveWindow::LSVWaveWindow(QWidget* parent)
    : QWidget(parent), thread_([this](int x0, int x1, int) {
          // The drawing thread only asks for a repaint; the window thread does it.
          QMetaObject::invokeMethod(
              this,
              [this, x0, x1] {
                  // The pixels of a scroll were moved when it was requested.
                  update(QRect(x0, 0, x1 - x0, height()));
              },
              Qt::QueuedConnection);
      }) {
    setObjectName("LSVWaveWindow");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setEnabled(false);
}

LSVWaveWindow::~LSVWaveWindow() { thread_.Detach(); }

void LSVWaveWindow::Attach(const LAudioData& sound, int mode, bool verticalZoom) {
    channels_ = std::max<int>(1, sound.channels);
    mode_ = mode;
    rate_ = sound.sampleRate > 0 ? sound.sampleRate : 44100;
    dataEnd_ = sound.Length();
    requested_ = {};
    thread_.Attach(sound, mode, verticalZoom);
    setEnabled(true);
    update();
}

void LSVWaveWindow::Detach() {
    thread_.Detach();
    setEnabled(false);
    update();
}

void LSVWaveWindow::RequestRange(std::int32_t start, std::int32_t length) {
    RequestWaveRange(*this, thread_, requested_, start, length);
    // While the selection scrolls, its moving edge follows the view.
    if (autoScroll_ == kWaveScrollToStart) SpanTo(start);
    else if (autoScroll_ == kWaveScrollToEnd) SpanTo(Clamp32(requested_.ColumnToFrame(requested_.width)));
}

void LSVWaveWindow::SetCursor(std::int32_t frame, std::int32_t width) {
    const std::int32_t oldA = cursor_, oldB = cursor_ + cursorWidth_;
    cursor_ = frame;
    cursorWidth_ = std::max(0, width);
    InvalidateFrames(oldA, oldB);
    InvalidateFrames(cursor_, cursor_ + cursorWidth_);
}

void LSVWaveWindow::SetDataEnd(std::int32_t frames) {
    InvalidateFrames(std::min(frames, dataEnd_), std::max(frames, dataEnd_));
    dataEnd_ = frames;
}

void LSVWaveWindow::SetSelectionStart(std::int32_t frame) {
    InvalidateFrames(std::min(frame, selStart_), std::max(frame, selStart_));
    selStart_ = frame;
}

void LSVWaveWindow::SetSelectionEnd(std::int32_t frame) {
    InvalidateFrames(std::min(frame, selEnd_), std::max(frame, selEnd_));
    selEnd_ = frame;
}

void LSVWaveWindow::SetBookmarks(const std::vector<LBookmark>& bookmarks) {
    bookmarks_ = bookmarks;
    dragged_ = -1;
    update();
}

int LSVWaveWindow::ColumnOf(std::int32_t frame) const {
    return static_cast<int>(std::clamp<std::int64_t>(requested_.FrameToColumn(frame), -16, kMaxColumns + 16));
}

int LSVWaveWindow::BookmarkColumn(const LBookmark& b) const { return ColumnOf(MsToFrames(b.timeMs, rate_)); }

void LSVWaveWindow::InvalidateFrames(std::int32_t a, std::int32_t b) {
    if (requested_.length <= 0) return;
    const int x0 = ColumnOf(a);
    const int x1 = ColumnOf(b);
    // The cursor triangles reach 4 columns either side.
    update(QRect(x0 - kTriangle, 0, x1 - x0 + 2 * kTriangle + 1, height()));
}

std::int32_t LSVWaveWindow::FrameAt(int x) const {
    if (requested_.length <= 0) return 0;
    const std::int64_t f = requested_.ColumnToFrame(x);
    return Clamp32(std::clamp<std::int64_t>(f, 0, std::max(0, dataEnd_)));
}

int LSVWaveWindow::BookmarkAt(int x, int y) const {
    if (y < height() - kTriangle || y > height()) return -1;
    for (std::size_t i = 0; i < bookmarks_.size(); ++i)
        if (std::abs(BookmarkColumn(bookmarks_[i]) - x) <= kBookmarkSlop) return static_cast<int>(i);
    return -1;
}

void LSVWaveWindow::Notify(int code) {
    if (onNotify) onNotify(code);
}

void LSVWaveWindow::SpanTo(std::int32_t frame) {
    const std::int32_t a = std::min(pivot_, frame);
    const std::int32_t b = std::max(pivot_, frame);
    SetSelectionStart(a);
    SetSelectionEnd(b);
    SetCursor(a, cursorWidth_);
}

void LSVWaveWindow::resizeEvent(QResizeEvent*) {
    if (requested_.length > 0) RequestRange(requested_.start, requested_.length);
}

void LSVWaveWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

void LSVWaveWindow::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect area = event->rect();
    painted_ |= area;
    const int h = height();
    const QColor emptyBg = wavecolors::EmptyBackground(*this);
    const QColor emptyWave = wavecolors::EmptyWave(*this);
    if (!isEnabled() || requested_.length <= 0) {
        p.fillRect(area, isEnabled() ? QColor(Qt::black) : emptyBg);
        return;
    }
    const WaveGeometry& g = requested_;
    const bool twoStrips = mode_ == 2 && channels_ == 2;
    const int hs = twoStrips ? h / 2 : h;
    const bool hasSelection = selStart_ < selEnd_;
    const int selA = ColumnOf(selStart_);
    const int selB = std::max(ColumnOf(selEnd_), selA + 1);
    // A cursor at the very end of the view (column W) is drawn on the last column.
    int cursorCol = ColumnOf(cursor_);
    if (cursorCol == g.width) cursorCol = g.width - 1;
    const int bandEnd = cursorWidth_ > 0 ? ColumnOf(cursor_ + cursorWidth_) : cursorCol;
    const int x0 = std::max(area.left(), 0);
    const int x1 = std::min(area.right() + 1, std::min(width(), kMaxColumns));
    {
        std::lock_guard<std::mutex> lock(thread_.DisplayLock());
        const ColumnCache& cache = thread_.Cache();
        // Until the drawing thread has caught up with a new range, the columns it holds are
        // drawn where their frames now fall, so a scroll or zoom never shows a blank view.
        const WaveGeometry shown = thread_.Shown();
        const bool current = shown.start == g.start && shown.length == g.length && shown.width == g.width;
        std::int64_t next = g.ColumnToFrame(x0);
        for (int x = x0; x < x1; ++x) {
            const std::int64_t first = next;
            next = g.ColumnToFrame(x + 1);
            QColor bg(Qt::black), wave = wavecolors::Wave();
            const bool outside = first >= dataEnd_ || next <= 0;
            const bool inSel = hasSelection && x >= selA && x < selB;
            const bool inBand = x >= cursorCol && x < bandEnd;
            if (outside) {
                bg = emptyBg;
                wave = emptyWave;
            } else if (inSel && inBand) {
                bg = wavecolors::CursorBandWave();
                wave = wavecolors::CursorBandBackground();
            } else if (inSel) {
                bg = wavecolors::SelectedBackground();
                wave = Qt::white;
            } else if (inBand) {
                bg = wavecolors::CursorBandBackground();
                wave = wavecolors::CursorBandWave();
            }
            std::uint8_t topByte = 0, bottomByte = 0;
            const std::int64_t sx = current ? x : (shown.length > 0 ? shown.FrameToColumn(first) : -1);
            if (!outside && sx >= 0 && sx < shown.width) {
                topByte = cache.top[static_cast<std::size_t>(sx)];
                bottomByte = cache.bottom[static_cast<std::size_t>(sx)];
            }
            const int a = topByte * hs / 512;
            const int b = bottomByte * hs / 512;
            if (!twoStrips) {
                const int mid = h / 2;
                p.fillRect(x, 0, 1, mid - a, bg);
                p.fillRect(x, mid - a, 1, a + b, wave);
                p.fillRect(x, mid + b, 1, h - mid - b, bg);
                if (a + b == 0) p.fillRect(x, mid, 1, 1, wave);
            } else {
                const int q1 = h / 4, q3 = 3 * h / 4;
                p.fillRect(x, 0, 1, h, bg);
                p.fillRect(x, q1 - a, 1, std::max(1, 2 * a), wave);
                p.fillRect(x, q3 - b, 1, std::max(1, 2 * b), wave);
            }
        }
    }
    if (area.right() >= x1) p.fillRect(QRect(x1, 0, area.right() + 1 - x1, h), emptyBg);  // past 2048 columns
    if (twoStrips) p.fillRect(QRect(x0, h / 2, x1 - x0, 1), emptyWave);
    // The cursor: a line with a yellow triangle at each edge.
    if (cursorCol >= 0 && cursorCol < g.width) {
        const QColor yellow = wavecolors::CursorTriangle();
        p.fillRect(cursorCol, 0, 1, h, yellow);
        const double cx = cursorCol + 0.5;
        FillTriangle(p, {cx - 4, 0}, {cx + 4, 0}, {cx, double(kTriangle)}, yellow);
        FillTriangle(p, {cx - 4, double(h)}, {cx + 4, double(h)}, {cx, double(h - kTriangle)}, yellow);
    }
    const QColor mark = wavecolors::Bookmark();
    for (const LBookmark& bm : bookmarks_) {
        const int x = BookmarkColumn(bm);
        if (x < 0 || x >= g.width) continue;
        p.fillRect(x, kTriangle, 2, h - 2 * kTriangle, mark);
        const double cx = x + 1.0;
        FillTriangle(p, {cx, double(h - kTriangle)}, {cx - 4, double(h)}, {cx + 4, double(h)}, mark);
        FillTriangle(p, {cx, double(kTriangle)}, {cx - 4, 0}, {cx + 4, 0}, mark);
    }
}

void LSVWaveWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || requested_.length <= 0) return;
    const int x = event->position().toPoint().x();
    const std::int32_t frame = FrameAt(x);
    selecting_ = true;
    if (event->modifiers() & Qt::ShiftModifier) {
        SpanTo(frame);
    } else if (overStart_) {
        pivot_ = selEnd_;
        SpanTo(frame);
    } else if (overEnd_) {
        pivot_ = selStart_;
        SpanTo(frame);
    } else if (overBookmark_ && (dragged_ = BookmarkAt(x, event->position().toPoint().y())) >= 0) {
        selecting_ = false;
    } else {
        pivot_ = frame;
        SetSelectionStart(frame);
        SetSelectionEnd(frame);
        SetCursor(frame, cursorWidth_);
    }
}

void LSVWaveWindow::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton)) {
        const bool hasSelection = selStart_ < selEnd_;
        overStart_ = hasSelection && std::abs(pos.x() - ColumnOf(selStart_)) <= kEdgeSlop;
        overEnd_ = hasSelection && !overStart_ && std::abs(pos.x() - ColumnOf(selEnd_)) <= kEdgeSlop;
        const int bm = BookmarkAt(pos.x(), pos.y());
        overBookmark_ = bm >= 0;
        if (overBookmark_) {
            setCursor(Qt::PointingHandCursor);
            if (onBookmarkOver) onBookmarkOver(bm, pos);
        } else {
            setCursor(overStart_ || overEnd_ ? Qt::SizeHorCursor : Qt::ArrowCursor);
            if (onNoBookmark) onNoBookmark();
        }
        return;
    }
    if (dragged_ >= 0 && dragged_ < static_cast<int>(bookmarks_.size())) {
        bookmarks_[static_cast<std::size_t>(dragged_)].timeMs = FramesToMs(FrameAt(pos.x()), rate_);
        update();
        if (onBookmarkOver) onBookmarkOver(dragged_, pos);
        return;
    }
    if (!selecting_) return;
    SpanTo(FrameAt(pos.x()));
    const int w = std::min(width(), kMaxColumns);
    if (pos.x() >= w) {
        if (autoScroll_ != kWaveScrollToEnd) {
            if (autoScroll_ == kWaveScrollToStart) Notify(kWaveScrollToStartDone);
            autoScroll_ = kWaveScrollToEnd;
            Notify(kWaveScrollToEnd);
        }
    } else if (pos.x() <= 0) {
        if (autoScroll_ != kWaveScrollToStart) {
            if (autoScroll_ == kWaveScrollToEnd) Notify(kWaveScrollToEndDone);
            autoScroll_ = kWaveScrollToStart;
            Notify(kWaveScrollToStart);
        }
    } else if (autoScroll_ != 0) {
        const int done = autoScroll_ == kWaveScrollToEnd ? kWaveScrollToEndDone : kWaveScrollToStartDone;
        autoScroll_ = 0;
        Notify(done);
    }
}

void LSVWaveWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (autoScroll_ != 0) {
        const int done = autoScroll_ == kWaveScrollToEnd ? kWaveScrollToEndDone : kWaveScrollToStartDone;
        autoScroll_ = 0;
        Notify(done);
    }
    if (dragged_ >= 0) {
        const int index = dragged_;
        dragged_ = -1;
        if (onBookmarkDropped && index < static_cast<int>(bookmarks_.size()))
            onBookmarkDropped(index, bookmarks_[static_cast<std::size_t>(index)].timeMs);
        return;
    }
    if (!selecting_) return;
    selecting_ = false;
    Notify(kWaveSelectionChanged);
}

}  // namespace sv
