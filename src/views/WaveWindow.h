#pragma once
// LSVWaveWindow: the waveform control of a document window (the main view and the overview
// strip are two of them). It paints the column cache of its drawing thread with the selection,
// the cursor and the bookmarks over it, and turns the mouse into selections, bookmark drags and
// notifications for its parent. The parent gets the codes 2 (selection or cursor changed by the
// mouse), 4 and 6 (the pointer left the right or left edge while selecting: scroll) and 5 and 7
// (that scrolling ends), and the bookmark messages 9 (over or dragging bookmark i) and 10
// (over no bookmark).
#include "core/AudioData.h"
#include "core/Bookmark.h"
#include "views/WaveDrawThread.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace sv {

// The colours of the control, shared with the recorder's LWaveWindow.
namespace wavecolors {
QColor Wave();
QColor SelectedBackground();
QColor CursorBandBackground();
QColor CursorBandWave();
QColor CursorTriangle();
QColor Bookmark();
QColor EmptyBackground(const QWidget& w);  // the system button face
QColor EmptyWave(const QWidget& w);        // the system grey text
}  // namespace wavecolors

enum WaveNotify {
    kWaveSelectionChanged = 2,
    kWaveScrollToEnd = 4,
    kWaveScrollToEndDone = 5,
    kWaveScrollToStart = 6,
    kWaveScrollToStartDone = 7,
};

class LSVWaveWindow : public QWidget {
public:
    explicit LSVWaveWindow(QWidget* parent = nullptr);
    ~LSVWaveWindow() override;

    // Stops the drawing thread, takes a copy of sound, and starts the thread again.
    void Attach(const LAudioData& sound, int mode, bool verticalZoom);
    void Detach();
    // The range to show; the drawing thread renders it when it can.
    void RequestRange(std::int32_t start, std::int32_t length);
    void SetCursor(std::int32_t frame, std::int32_t width);
    void SetDataEnd(std::int32_t frames);
    void SetSelectionStart(std::int32_t frame);
    void SetSelectionEnd(std::int32_t frame);
    void SetBookmarks(const std::vector<LBookmark>& bookmarks);

    std::int32_t SelectionStart() const { return selStart_; }
    std::int32_t SelectionEnd() const { return selEnd_; }
    std::int32_t Cursor() const { return cursor_; }
    std::int32_t Pivot() const { return pivot_; }
    int AutoScrollState() const { return autoScroll_; }
    const std::vector<LBookmark>& Bookmarks() const { return bookmarks_; }
    WaveGeometry Requested() const { return requested_; }
    int Mode() const { return mode_; }
    int Channels() const { return channels_; }
    WaveDrawThread& DrawThread() { return thread_; }
    // The frame under a pointer column, inside the sound.
    std::int32_t FrameAt(int x) const;
    // The first bookmark within 4 columns of x with y in the bottom 6 pixels; -1 for none.
    int BookmarkAt(int x, int y) const;

    // The union of the areas painted since the last call (to check that a scroll paints only
    // the exposed columns).
    QRect TakePaintedArea() { return std::exchange(painted_, QRect()); }

    std::function<void(int code)> onNotify;
    std::function<void(int index, QPoint pos)> onBookmarkOver;  // message 9
    std::function<void()> onNoBookmark;                          // message 10
    // A dragged bookmark was let go at this time (ms).
    std::function<void(int index, std::int32_t timeMs)> onBookmarkDropped;

    QSize sizeHint() const override { return {520, 160}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Notify(int code);
    void InvalidateFrames(std::int32_t a, std::int32_t b);
    void SpanTo(std::int32_t frame);
    int ColumnOf(std::int32_t frame) const;
    int BookmarkColumn(const LBookmark& b) const;

    WaveDrawThread thread_;
    int channels_ = 1;
    int mode_ = 0;
    std::int32_t rate_ = 44100;
    WaveGeometry requested_;
    std::int32_t cursor_ = 0;
    std::int32_t cursorWidth_ = 0;
    std::int32_t dataEnd_ = 0;
    std::int32_t selStart_ = 0;
    std::int32_t selEnd_ = 0;
    std::int32_t pivot_ = 0;
    std::vector<LBookmark> bookmarks_;
    bool overStart_ = false;
    bool overEnd_ = false;
    bool overBookmark_ = false;
    int dragged_ = -1;
    bool selecting_ = false;
    int autoScroll_ = 0;
    QRect painted_;
};

}  // namespace sv
