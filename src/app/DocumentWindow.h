#pragma once
// The content of a document's window: the main waveform view of the visible range, the
// overview strip of the whole sound below it, the vertical-zoom and display-mode buttons
// (87, 88, 89, 91) and the time fields. It keeps the two views in line with the document
// (re-attaching them after an edit or a mode change), writes the mouse's selections back into
// the document, scrolls while a selection is dragged past an edge, and offers the waveform's
// context menu, whose items go through the command table.
#include "core/AudioDocument.h"

#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QTimer;
class QToolButton;

namespace sv {

class LSVWaveWindow;
class TimeRuler;
class Workspace;

struct ContextMenuEntry {
    int id = 0;  // 0 for a separator
    QString text;
    bool enabled = false;
};

// The waveform's context menu: undo and redo as the command table enables them, cut and copy
// with a selection, paste and paste mix while the document clipboard holds at least 1 ms.
std::vector<ContextMenuEntry> WaveContextMenu(const Workspace& ws, const LAudioDocument& doc,
                                              const std::function<bool(int)>& commandEnabled);

// "Taux d'Echantillonnage: 44100   Stereo".
QString RateText(const LAudioDocument& doc);

class DocumentWindow : public QWidget {
public:
    DocumentWindow(Workspace& ws, LAudioDocument& doc, QWidget* parent = nullptr);
    ~DocumentWindow() override;

    // Brings both views in line with the document and refreshes the time fields.
    void Refresh();
    // For the player: shows the playing position (with the 25 ms band in scrub hold) in both
    // views and turns the main view's page when the position leaves it.
    void FollowPlayerCursor(std::int32_t frame, bool scrubHold);
    // Back to showing the document's cursor.
    void StopFollowingPlayer();

    LSVWaveWindow* MainView() const { return main_; }
    LSVWaveWindow* Overview() const { return overview_; }
    TimeRuler* Ruler() const { return ruler_; }
    // Cursor, selection start, selection end and length, in the hundredths format.
    QStringList TimeFields() const;
    QString BookmarkText() const;

    // How the context menu reaches the command table; by default through the frame window.
    std::function<bool(int)> runCommand;
    std::function<bool(int)> commandEnabled;

    QSize sizeHint() const override { return {560, 260}; }

private:
    void ReattachIfNeeded();
    void OnMainNotify(int code);
    void OnOverviewNotify(int code);
    void ScrollStep();
    void ShowContextMenu(const QPoint& pos);
    void RefreshStatus();
    void SetViewsSelection();
    bool RunCommand(int id);
    bool CommandEnabled(int id);

    Workspace& ws_;
    LAudioDocument& doc_;
    TimeRuler* ruler_ = nullptr;
    LSVWaveWindow* main_ = nullptr;
    LSVWaveWindow* overview_ = nullptr;
    QToolButton* verticalButton_ = nullptr;  // 87
    QToolButton* modeButtons_[3] = {};       // 88, 89, 91
    QLabel* cursorField_ = nullptr;
    QLabel* selectionField_ = nullptr;
    QLabel* lengthField_ = nullptr;
    QLabel* rateField_ = nullptr;
    QLabel* bookmarkField_ = nullptr;
    QTimer* scrollTimer_ = nullptr;
    int scrollDirection_ = 0;

    // What the views were attached with.
    std::vector<LSegment> attachedSegments_;
    std::int32_t attachedRate_ = -1;
    int attachedChannels_ = -1;
    int attachedMode_ = -1;
    int attachedVertical_ = -1;
    bool attached_ = false;
    std::int32_t playerCursor_ = -1;
    std::int32_t playerWidth_ = 0;
};

}  // namespace sv
