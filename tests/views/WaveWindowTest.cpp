// The waveform control drawn offscreen (colours of chosen pixels, screenshots of each mode),
// its mouse selection, and the document window around two of them.
#include "app/DocumentWindow.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/Notifier.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "platform/Paths.h"
#include "platform/Settings.h"
#include "support/Screenshots.h"
#include "support/ScriptedHost.h"
#include "support/SoundHelpers.h"
#include "support/TempFolder.h"
#include "views/RecorderWaveWindow.h"
#include "views/ViewCommands.h"
#include "views/WaveWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace sv {
namespace {

using test::ScreenshotPath;

using test::MakeSound;

// Lets the drawing thread finish and its repaint requests arrive.
void Settle(LSVWaveWindow& view) {
    ASSERT_TRUE(view.DrawThread().WaitIdle(5000));
    QApplication::processEvents();
}

QColor Pixel(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }

#define EXPECT_RGB(img, x, y, r, g, b) EXPECT_EQ(Pixel(img, x, y), QColor(r, g, b)) << "at " << (x) << "," << (y)

void Mouse(QWidget& w, QEvent::Type type, int x, int y, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QPointF p(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, p, w.mapToGlobal(p), button, buttons, mods);
    QApplication::sendEvent(&w, &e);
}

class WaveWindowTest : public ::testing::Test {
protected:
    LAudioData Make(std::int32_t frames, std::uint8_t channels, std::function<std::int32_t(int, int)> f) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels);
        for (int k = 0; k < frames; ++k)
            for (int c = 0; c < channels; ++c) s[static_cast<std::size_t>(k) * channels + c] = f(k, c);
        return MakeSound(store, s, channels);
    }
    // 40,000 frames at 44.1 kHz on 400 columns of 200 rows: 100 frames per column.
    void Show(LSVWaveWindow& view, const LAudioData& sound, int mode = 0, bool vzoom = false,
              std::int32_t length = 40000) {
        view.resize(400, 200);
        view.Attach(sound, mode, vzoom);
        view.RequestRange(0, length);
        Settle(view);
    }

    test::TempFolder folder;
    BlockStore store{folder.path() + "/blocks"};
};

// Left: a half-scale square; right: a quarter-scale one.
std::int32_t Squares(int k, int c) { return ((k & 1) ? 1 : -1) * (c == 0 ? 262136 : 131068); }

// A tone whose loudness swells nine times over 10 s, louder on the left.
std::int32_t Music(int k, int c) {
    const double swell = 0.15 + 0.85 * std::fabs(std::sin(k / 441000.0 * 9.0));
    return static_cast<std::int32_t>((c == 0 ? 500000 : 260000) * swell * std::sin(k * 0.05 + c));
}

TEST_F(WaveWindowTest, ColoursOfWaveSelectionCursorBandTrianglesBookmarksAndEmptyColumns) {
    LSVWaveWindow view;
    Show(view, Make(40000, 1, Squares), 0, false, 44100);
    view.SetSelectionStart(10000);
    view.SetSelectionEnd(20000);
    view.SetCursor(30000, 2000);
    LBookmark mark;
    mark.name = "Refrain";
    mark.timeMs = 800;  // frame 35,280: column 320
    view.SetBookmarks({mark});
    QApplication::processEvents();
    const QImage img = view.grab().toImage();
    ASSERT_EQ(img.width(), 400);
    // Columns are 110.25 frames wide here; half scale is byte 127: 49 rows each side of row 100.
    EXPECT_RGB(img, 50, 100, 102, 255, 102);  // wave
    EXPECT_RGB(img, 50, 51, 102, 255, 102);
    EXPECT_RGB(img, 50, 50, 0, 0, 0);  // background
    EXPECT_RGB(img, 50, 149, 0, 0, 0);
    EXPECT_RGB(img, 120, 20, 5, 95, 167);   // selection background
    EXPECT_RGB(img, 120, 100, 255, 255, 255);  // selected wave
    const int cursor = 272;                  // 30,000 frames
    EXPECT_RGB(img, cursor + 5, 20, 255, 255, 189);  // cursor band (2,000 frames: 18 columns)
    EXPECT_RGB(img, cursor + 5, 100, 0, 128, 0);
    EXPECT_RGB(img, cursor, 100, 255, 255, 17);  // the cursor line
    EXPECT_RGB(img, cursor - 3, 0, 255, 255, 17);  // its triangles
    EXPECT_RGB(img, cursor + 3, 199, 255, 255, 17);
    EXPECT_RGB(img, 320, 100, 0, 191, 255);  // the bookmark line, 2 pixels wide
    EXPECT_RGB(img, 320, 3, 0, 191, 255);
    EXPECT_RGB(img, 319, 199, 0, 191, 255);  // its bottom triangle
    const QColor face = wavecolors::EmptyBackground(view);
    EXPECT_EQ(Pixel(img, 390, 20), face);  // beyond the data end
    EXPECT_EQ(Pixel(img, 390, 100), wavecolors::EmptyWave(view));
    EXPECT_TRUE(img.save(QString::fromStdString(ScreenshotPath("wave-colours.png"))));
    EXPECT_EQ(view.BookmarkAt(322, 197), 0);
    EXPECT_EQ(view.BookmarkAt(322, 150), -1);

    view.SetCursor(44100, 0);  // the end of the view: drawn on the last column
    QApplication::processEvents();
    EXPECT_RGB(view.grab().toImage(), 399, 100, 255, 255, 17);
    view.SetCursor(50000, 0);  // beyond the view: not drawn
    QApplication::processEvents();
    EXPECT_EQ(Pixel(view.grab().toImage(), 399, 100), wavecolors::EmptyWave(view));

    view.Detach();  // a disabled control paints only its background
    QApplication::processEvents();
    const QImage off = view.grab().toImage();
    EXPECT_EQ(Pixel(off, 50, 100), face);
}

TEST_F(WaveWindowTest, ModesVerticalZoomAndTheTwoStripSeparatorAsDrawn) {
    LAudioData stereo = Make(40000, 2, Squares);
    struct Case {
        int mode;
        bool vzoom;
        const char* file;
    };
    for (Case c : {Case{0, false, "wave-mode0.png"}, Case{1, false, "wave-mode1.png"},
                   Case{2, false, "wave-mode2.png"}, Case{0, true, "wave-mode0-vertical-zoom.png"}}) {
        LSVWaveWindow view;
        Show(view, stereo, c.mode, c.vzoom);
        const QImage img = view.grab().toImage();
        EXPECT_TRUE(img.save(QString::fromStdString(ScreenshotPath(c.file))));
        if (c.mode == 0 && !c.vzoom) {
            EXPECT_RGB(img, 50, 51, 102, 255, 102);  // positive peak over both channels: 127
            EXPECT_RGB(img, 50, 148, 102, 255, 102);
            EXPECT_RGB(img, 50, 149, 0, 0, 0);
        } else if (c.mode == 1) {
            EXPECT_RGB(img, 50, 51, 102, 255, 102);   // left peak 127 above
            EXPECT_RGB(img, 50, 123, 102, 255, 102);  // right peak 63 below: 24 rows
            EXPECT_RGB(img, 50, 124, 0, 0, 0);
        } else if (c.mode == 2) {
            // Strips of 100 rows: left centred at 50 (a = 24), right at 150 (b = 12).
            EXPECT_RGB(img, 50, 27, 102, 255, 102);
            EXPECT_RGB(img, 50, 25, 0, 0, 0);
            EXPECT_RGB(img, 50, 139, 102, 255, 102);
            EXPECT_RGB(img, 50, 137, 0, 0, 0);
            EXPECT_EQ(Pixel(img, 50, 100), wavecolors::EmptyWave(view));  // the separator
        } else {
            EXPECT_RGB(img, 50, 1, 102, 255, 102);  // clipped at 255: the full height
            EXPECT_RGB(img, 50, 198, 102, 255, 102);
        }
    }
}

TEST_F(WaveWindowTest, ScrollingByLessThanAScreenPaintsOnlyTheExposedColumns) {
    LAudioData stairs = Make(100000, 1, [](int k, int) { return (k / 1000) * 5000; });
    LSVWaveWindow view;
    view.resize(400, 200);
    view.show();
    Show(view, stairs);
    view.TakePaintedArea();
    view.RequestRange(1000, 40000);  // 10 columns on
    Settle(view);
    const QRect painted = view.TakePaintedArea();
    EXPECT_GE(painted.left(), 380);
    EXPECT_EQ(painted.right(), 399);
    // What is on show is what a fresh view of that range draws.
    LSVWaveWindow fresh;
    fresh.resize(400, 200);
    fresh.Attach(stairs, 0, false);
    fresh.RequestRange(1000, 40000);
    Settle(fresh);
    EXPECT_EQ(view.grab().toImage(), fresh.grab().toImage());
    view.TakePaintedArea();
    view.RequestRange(50000, 40000);  // a screen or more: everything
    Settle(view);
    EXPECT_EQ(view.TakePaintedArea().width(), 400);
}

TEST_F(WaveWindowTest, MouseSelectsFromThePivotExtendsWithShiftAndDragsAnEdge) {
    LSVWaveWindow view;
    Show(view, Make(40000, 1, Squares));
    std::vector<int> codes;
    view.onNotify = [&](int code) { codes.push_back(code); };
    Mouse(view, QEvent::MouseButtonPress, 100, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 200, 50, Qt::LeftButton);
    EXPECT_EQ(view.SelectionStart(), 10000);
    EXPECT_EQ(view.SelectionEnd(), 20000);
    Mouse(view, QEvent::MouseMove, 60, 50, Qt::LeftButton);  // back past the pivot
    EXPECT_EQ(view.SelectionStart(), 6000);
    EXPECT_EQ(view.SelectionEnd(), 10000);
    Mouse(view, QEvent::MouseButtonRelease, 60, 50, Qt::NoButton);
    EXPECT_EQ(codes, std::vector<int>{kWaveSelectionChanged});
    EXPECT_EQ(view.Pivot(), 10000);

    // Shift-click before the pivot selects from the click to the pivot.
    Mouse(view, QEvent::MouseButtonPress, 30, 50, Qt::LeftButton, Qt::ShiftModifier);
    Mouse(view, QEvent::MouseButtonRelease, 30, 50, Qt::NoButton, Qt::ShiftModifier);
    EXPECT_EQ(view.SelectionStart(), 3000);
    EXPECT_EQ(view.SelectionEnd(), 10000);

    // Hovering the end edge shows the resize cursor; dragging it moves only the end.
    Mouse(view, QEvent::MouseMove, 104, 50, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeHorCursor);
    Mouse(view, QEvent::MouseButtonPress, 104, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 250, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, 250, 50, Qt::NoButton);
    EXPECT_EQ(view.SelectionStart(), 3000);
    EXPECT_EQ(view.SelectionEnd(), 25000);
    Mouse(view, QEvent::MouseMove, 200, 50, Qt::NoButton);
    EXPECT_EQ(view.cursor().shape(), Qt::ArrowCursor);
    Mouse(view, QEvent::MouseMove, 28, 50, Qt::NoButton);  // the start edge
    Mouse(view, QEvent::MouseButtonPress, 28, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 300, 50, Qt::LeftButton);  // past the end: the pivot is the old end
    Mouse(view, QEvent::MouseButtonRelease, 300, 50, Qt::NoButton);
    EXPECT_EQ(view.SelectionStart(), 25000);
    EXPECT_EQ(view.SelectionEnd(), 30000);
}

TEST_F(WaveWindowTest, LeavingAnEdgeWhileSelectingSendsTheScrollCodesOnce) {
    LSVWaveWindow view;
    Show(view, Make(40000, 1, Squares));
    std::vector<int> codes;
    view.onNotify = [&](int code) { codes.push_back(code); };
    Mouse(view, QEvent::MouseButtonPress, 200, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 400, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 420, 50, Qt::LeftButton);
    EXPECT_EQ(view.AutoScrollState(), kWaveScrollToEnd);
    Mouse(view, QEvent::MouseMove, 300, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 0, 50, Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, -5, 50, Qt::NoButton);
    EXPECT_EQ(codes, (std::vector<int>{4, 5, 6, 7, 2}));
    EXPECT_EQ(view.AutoScrollState(), 0);
}

TEST_F(WaveWindowTest, BookmarksAreHoveredAndDraggedWithMessages9And10) {
    LSVWaveWindow view;
    Show(view, Make(44100, 1, Squares), 0, false, 44100);
    LBookmark mark;
    mark.name = "A";
    mark.timeMs = 500;  // column 200
    view.SetBookmarks({mark});
    int over = -2, none = 0, droppedAt = -1;
    view.onBookmarkOver = [&](int i, QPoint) { over = i; };
    view.onNoBookmark = [&] { ++none; };
    view.onBookmarkDropped = [&](int, std::int32_t ms) { droppedAt = ms; };
    Mouse(view, QEvent::MouseMove, 202, 197, Qt::NoButton);
    EXPECT_EQ(over, 0);
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    Mouse(view, QEvent::MouseButtonPress, 202, 197, Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, 100, 197, Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, 100, 197, Qt::NoButton);
    EXPECT_EQ(droppedAt, 250);
    EXPECT_EQ(view.SelectionStart(), view.SelectionEnd());  // no selection was made
    Mouse(view, QEvent::MouseMove, 300, 100, Qt::NoButton);
    EXPECT_GE(none, 1);
}

TEST_F(WaveWindowTest, ScreenshotsOfMusicInEachModeFromSamplesAndFromPeakFiles) {
    // 10 s, so that the whole is drawn from the peak files.
    LAudioData music = Make(441000, 2, Music);
    for (int mode : {0, 1, 2}) {
        for (std::int32_t length : {441000, 40000}) {
            LSVWaveWindow view;
            Show(view, music, mode, false, length);
            view.SetSelectionStart(length / 4);
            view.SetSelectionEnd(length / 2);
            view.SetCursor(length * 3 / 5, 0);
            QApplication::processEvents();
            const std::string name = "music-mode" + std::to_string(mode) + (length > 40000 ? "-peaks" : "-samples") + ".png";
            const QImage img = view.grab().toImage();
            EXPECT_TRUE(img.save(QString::fromStdString(ScreenshotPath(name))));
            SCOPED_TRACE(name);
            // Selection on columns 100 to 199, cursor on column 240; no peak reaches row 1.
            EXPECT_RGB(img, 10, 1, 0, 0, 0);
            EXPECT_RGB(img, 150, 1, 5, 95, 167);
            EXPECT_RGB(img, 240, 100, 255, 255, 17);
            EXPECT_RGB(img, 237, 0, 255, 255, 17);
            EXPECT_RGB(img, 243, 199, 255, 255, 17);
            // Every column crosses zero, so each strip's middle row is wave.
            for (int row : mode == 2 ? std::vector<int>{50, 150} : std::vector<int>{100}) {
                EXPECT_RGB(img, 50, row, 102, 255, 102);
                EXPECT_RGB(img, 150, row, 255, 255, 255);
                EXPECT_RGB(img, 300, row, 102, 255, 102);
            }
            if (mode == 2) EXPECT_EQ(Pixel(img, 10, 100), wavecolors::EmptyWave(view));
        }
    }
}

TEST_F(WaveWindowTest, TheRecorderPanelDrawsThePartFromThePositionAsABandAndAClickMovesIt) {
    LWaveWindow view;
    view.resize(400, 100);
    view.Attach(Make(40000, 1, Squares));
    view.RequestRange(0, 44100);
    ASSERT_TRUE(view.DrawThread().WaitIdle(5000));
    view.SetPosition(20000);  // column 181
    QApplication::processEvents();
    const QImage img = view.grab().toImage();
    EXPECT_RGB(img, 100, 50, 102, 255, 102);
    EXPECT_RGB(img, 100, 5, 0, 0, 0);
    EXPECT_RGB(img, 250, 50, 0, 128, 0);
    EXPECT_RGB(img, 250, 5, 255, 255, 189);
    EXPECT_RGB(img, 181, 1, 0, 255, 0);
    EXPECT_RGB(img, 181, 0, 255, 255, 189);  // the line starts at row 1
    EXPECT_EQ(Pixel(img, 390, 5), wavecolors::EmptyBackground(view));
    EXPECT_TRUE(img.save(QString::fromStdString(ScreenshotPath("recorder-panel.png"))));
    int code = 0;
    view.onNotify = [&](int c) { code = c; };
    Mouse(view, QEvent::MouseButtonPress, 100, 50, Qt::LeftButton);
    EXPECT_EQ(code, 2);
    EXPECT_EQ(view.Position(), 11025);
}

class DocumentWindowTest : public WaveWindowTest {
protected:
    DocumentWindowTest() { RegisterViewCommands(registry); }
    LAudioDocument& Open(const LAudioData& sound) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(sound, "/music/take.wav");
        ws.AddDocument(doc);
        ws.SetActive(doc.get());
        return *doc;
    }
    test::ScriptedHost host;
    MemorySettingsScope user;
    Settings settings{user, nullptr};
    ManualNotifier notifier;
    Workspace ws{host, settings, store, notifier};
    CommandRegistry registry;
};

TEST_F(DocumentWindowTest, ShowsTheWholeSoundFollowsZoomsAndModesAndWritesMouseSelections) {
    LAudioDocument& doc = Open(Make(88200, 2, Music));
    DocumentWindow win(ws, doc);
    win.resize(600, 300);
    win.show();
    QApplication::processEvents();
    EXPECT_EQ(win.Overview()->Requested().length, 88200);
    EXPECT_EQ(win.MainView()->Requested().length, 88200);  // a view never set shows everything

    doc.cursor = 44100;
    ASSERT_TRUE(registry.Run(kCmdZoomIn, ws));
    win.Refresh();
    EXPECT_EQ(win.MainView()->Requested().start, 22050);
    EXPECT_EQ(win.MainView()->Requested().length, 44100);
    EXPECT_EQ(win.Overview()->Requested().length, 88200);

    ASSERT_TRUE(registry.Run(kCmdDisplayTwoChannels, ws));
    EXPECT_TRUE(registry.Checked(kCmdDisplayTwoChannels, ws));
    win.Refresh();
    EXPECT_EQ(win.MainView()->Mode(), 2);
    EXPECT_EQ(win.Overview()->Mode(), 0);
    EXPECT_TRUE(win.findChild<QToolButton*>("button91")->isChecked());
    win.findChild<QToolButton*>("button87")->click();
    EXPECT_EQ(doc.verticalZoom, 1);

    // A drag in the main view becomes the document's selection.
    LSVWaveWindow& main = *win.MainView();
    Settle(main);
    const int w = main.width();
    Mouse(main, QEvent::MouseButtonPress, w / 4, 20, Qt::LeftButton);
    Mouse(main, QEvent::MouseMove, w / 2, 20, Qt::LeftButton);
    Mouse(main, QEvent::MouseButtonRelease, w / 2, 20, Qt::NoButton);
    EXPECT_EQ(doc.selectionStart, main.FrameAt(w / 4));
    EXPECT_EQ(doc.selectionEnd, main.FrameAt(w / 2));
    EXPECT_EQ(win.Overview()->SelectionStart(), doc.selectionStart);
    EXPECT_EQ(win.TimeFields()[1], QString::fromStdString(FormatTimeText(FramesToMs(doc.selectionStart, 44100))));
    EXPECT_TRUE(win.findChild<QWidget*>("rateField") != nullptr);

    // A click in the overview moves the main view there.
    LSVWaveWindow& overview = *win.Overview();
    Settle(overview);
    Mouse(overview, QEvent::MouseButtonPress, overview.width() - 2, 20, Qt::LeftButton);
    Mouse(overview, QEvent::MouseButtonRelease, overview.width() - 2, 20, Qt::NoButton);
    EXPECT_EQ(doc.viewEnd, 88200);
    EXPECT_EQ(doc.viewStart, 44100);
    win.findChild<QToolButton*>("button87")->click();  // vertical zoom off again
    Settle(main);
    Settle(overview);
    EXPECT_TRUE(win.grab().save(QString::fromStdString(ScreenshotPath("document-window.png"))));
    // The main view in two strips over 44,100 to 88,200, the selection before it; the overview
    // shows the whole with the selection and the cursor.
    const QImage top = main.grab().toImage();
    const int h = main.height();
    EXPECT_RGB(top, w / 2, 1, 0, 0, 0);
    EXPECT_RGB(top, w / 2, h / 4, 102, 255, 102);
    EXPECT_RGB(top, w / 2, 3 * h / 4, 102, 255, 102);
    EXPECT_EQ(Pixel(top, w / 2, h / 2), wavecolors::EmptyWave(main));
    auto column = [](const LSVWaveWindow& v, std::int32_t frame) {
        int x = 0;
        while (x + 1 < v.width() && v.FrameAt(x + 1) <= frame) ++x;
        return x;
    };
    const QImage all = overview.grab().toImage();
    const int oh = overview.height();
    EXPECT_RGB(all, column(overview, 38000), 1, 5, 95, 167);
    EXPECT_RGB(all, column(overview, 38000), oh / 2, 255, 255, 255);
    EXPECT_RGB(all, column(overview, 20000), 1, 0, 0, 0);
    EXPECT_RGB(all, column(overview, doc.cursor), oh / 4, 255, 255, 17);
}

TEST_F(DocumentWindowTest, DraggingPastTheEdgeScrollsWithTheSelectionAndABookmarkShowsItsName) {
    LAudioDocument& doc = Open(Make(441000, 1, Squares));
    LBookmark mark;
    mark.name = "Couplet";
    mark.timeMs = 1000;
    doc.bookmarks.push_back(mark);
    DocumentWindow win(ws, doc);
    win.resize(600, 300);
    win.show();
    doc.SetView(0, 44100);
    win.Refresh();
    LSVWaveWindow& main = *win.MainView();
    const int w = main.width();
    Mouse(main, QEvent::MouseButtonPress, w / 2, 20, Qt::LeftButton);
    const std::int32_t pivot = main.Pivot();
    Mouse(main, QEvent::MouseMove, w + 10, 20, Qt::LeftButton);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 20);
    Mouse(main, QEvent::MouseButtonRelease, w + 10, 20, Qt::NoButton);
    EXPECT_GT(doc.viewStart, 0);
    EXPECT_EQ(doc.viewEnd - doc.viewStart, 44100);
    EXPECT_EQ(doc.selectionEnd, doc.viewEnd);  // the dragged edge followed the scroll
    EXPECT_EQ(doc.selectionStart, pivot);
    const std::int32_t start = doc.viewStart;
    QApplication::processEvents();
    EXPECT_EQ(doc.viewStart, start);  // the release ended the scrolling

    doc.SetView(0, 88200);
    win.Refresh();
    Mouse(main, QEvent::MouseMove, main.width() / 2, main.height() - 2, Qt::NoButton);
    EXPECT_EQ(win.BookmarkText(), "Couplet");
    Mouse(main, QEvent::MouseMove, 10, 10, Qt::NoButton);
    EXPECT_EQ(win.BookmarkText(), "");
}

TEST_F(DocumentWindowTest, AnEditReattachesTheViewsAndAnEmptySoundShowsOneSecond) {
    LAudioDocument& doc = Open(Make(20000, 1, Squares));
    DocumentWindow win(ws, doc);
    win.resize(500, 250);
    doc.SetView(5000, 15000);
    win.Refresh();
    EXPECT_EQ(win.MainView()->Requested().start, 5000);
    doc.sound.Free();  // everything deleted
    win.Refresh();
    EXPECT_EQ(win.MainView()->Requested().start, 0);
    EXPECT_EQ(win.MainView()->Requested().length, 44100);
    EXPECT_EQ(win.Overview()->Requested().length, 44100);
}

TEST_F(DocumentWindowTest, ThePlayerCursorTurnsThePageAndTheContextMenuFollowsTheClipboard) {
    LAudioDocument& doc = Open(Make(100000, 1, Squares));
    DocumentWindow win(ws, doc);
    win.resize(500, 250);
    doc.SetView(0, 10000);
    win.Refresh();
    win.FollowPlayerCursor(25000, true);
    EXPECT_EQ(doc.viewStart, 25000);
    EXPECT_EQ(doc.viewEnd, 35000);
    EXPECT_EQ(win.MainView()->Cursor(), 25000);
    win.FollowPlayerCursor(97000, false);  // the last page is kept full
    EXPECT_EQ(doc.viewStart, 90000);
    win.StopFollowingPlayer();
    EXPECT_EQ(win.MainView()->Cursor(), doc.cursor);

    auto enabled = [](const std::vector<ContextMenuEntry>& menu, int id) {
        for (const ContextMenuEntry& e : menu)
            if (e.id == id) return e.enabled;
        return false;
    };
    auto none = [](int) { return false; };
    std::vector<ContextMenuEntry> menu = WaveContextMenu(ws, doc, none);
    EXPECT_FALSE(enabled(menu, kCmdCut));
    EXPECT_FALSE(enabled(menu, kCmdPaste));
    doc.SetSelection(0, 44, 0);  // 44 frames: under 1 ms on the clipboard
    ws.Clipboard() = Make(44, 1, Squares);
    menu = WaveContextMenu(ws, doc, none);
    EXPECT_TRUE(enabled(menu, kCmdCopy));
    EXPECT_FALSE(enabled(menu, kCmdPasteMix));
    ws.Clipboard() = Make(45, 1, Squares);
    menu = WaveContextMenu(ws, doc, [](int id) { return id == kCmdUndo; });
    EXPECT_TRUE(enabled(menu, kCmdPaste));
    EXPECT_TRUE(enabled(menu, kCmdPasteMix));
    EXPECT_TRUE(enabled(menu, kCmdUndo));
    EXPECT_FALSE(enabled(menu, kCmdRedo));
}

}  // namespace
}  // namespace sv
