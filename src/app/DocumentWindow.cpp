#include "app/DocumentWindow.h"

#include "app/FrameWindow.h"
#include "core/CommandIds.h"
#include "core/TimeText.h"
#include "core/Workspace.h"
#include "views/TimeRuler.h"
#include "views/ViewCommands.h"
#include "views/WaveWindow.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

namespace {

constexpr int kScrollIntervalMs = 50;
constexpr std::int32_t kScrubHoldMs = 25;

QString Hundredths(std::int32_t frames, std::int32_t rate) {
    return QString::fromStdString(FormatTimeText(FramesToMs(frames, rate)));
}

bool SameSegments(const std::vector<LSegment>& a, const std::vector<LSegment>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const LSegment& x, const LSegment& y) {
        return x.block == y.block && x.frames == y.frames && x.gain == y.gain && x.offset == y.offset;
    });
}

}  // namespace

std::vector<ContextMenuEntry> WaveContextMenu(const Workspace& ws, const LAudioDocument& doc,
                                              const std::function<bool(int)>& commandEnabled) {
    const LAudioData& clip = ws.Clipboard();
    const bool clipboardFull = FramesToMs(clip.Length(), clip.sampleRate) > 0;
    auto enabled = [&](int id) { return commandEnabled ? commandEnabled(id) : false; };
    return {
        {kCmdUndo, "Annuler", enabled(kCmdUndo)},
        {kCmdRedo, "Rétablir", enabled(kCmdRedo)},
        {0, {}, false},
        {kCmdCut, "Couper", doc.HasSelection()},
        {kCmdCopy, "Copier", doc.HasSelection()},
        {kCmdPaste, "Coller", clipboardFull},
        {kCmdPasteMix, "Coller le Mixage...", clipboardFull},
    };
}

QString RateText(const LAudioDocument& doc) {
    return QString("Taux d'Echantillonnage: %1   %2").arg(doc.sound.sampleRate).arg(doc.sound.channels == 2 ? "Stereo" : "Mono");
}

DocumentWindow::DocumentWindow(Workspace& ws, LAudioDocument& doc, QWidget* parent)
    : QWidget(parent), ws_(ws), doc_(doc) {
    setObjectName("DocumentWindow");
    ruler_ = new TimeRuler;
    main_ = new LSVWaveWindow;
    main_->setObjectName("mainView");
    overview_ = new LSVWaveWindow;
    overview_->setObjectName("overview");
    overview_->setFixedHeight(48);
    main_->setContextMenuPolicy(Qt::CustomContextMenu);

    auto button = [this](const char* name, const QString& text, const QString& tip) {
        auto* b = new QToolButton;
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(tip);
        b->setCheckable(true);
        b->setAutoRaise(true);
        return b;
    };
    verticalButton_ = button("button87", "V", "Zoom Vertical");
    modeButtons_[0] = button("button88", "+/-", "Afficher la Forme d'Onde en +/-");
    modeButtons_[1] = button("button89", "L /R", "Afficher la Forme d'Onde en L /R");
    modeButtons_[2] = button("button91", "G+D", "Afficher la Forme d'Onde en doubles canaux G et D");
    auto field = [](const char* name) {
        auto* l = new QLabel;
        l->setObjectName(name);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    cursorField_ = field("cursorField");
    selectionField_ = field("selectionField");
    lengthField_ = field("lengthField");
    rateField_ = field("rateField");
    bookmarkField_ = field("bookmarkField");

    // Two rows under the views: the buttons and the rate, then the time fields.
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(2, 0, 2, 0);
    buttons->addWidget(verticalButton_);
    for (QToolButton* b : modeButtons_) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(bookmarkField_);
    buttons->addSpacing(8);
    buttons->addWidget(rateField_);
    auto* fields = new QHBoxLayout;
    fields->setContentsMargins(4, 0, 4, 2);
    fields->addWidget(new QLabel("Curseur:"));
    fields->addWidget(cursorField_);
    fields->addSpacing(8);
    fields->addWidget(new QLabel("Sélection:"));
    fields->addWidget(selectionField_);
    fields->addSpacing(8);
    fields->addWidget(new QLabel("Durée:"));
    fields->addWidget(lengthField_);
    fields->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(ruler_);
    layout->addWidget(main_, 1);
    layout->addWidget(overview_);
    layout->addLayout(buttons);
    layout->addLayout(fields);

    scrollTimer_ = new QTimer(this);
    scrollTimer_->setInterval(kScrollIntervalMs);
    connect(scrollTimer_, &QTimer::timeout, this, [this] { ScrollStep(); });

    connect(verticalButton_, &QToolButton::clicked, this, [this] {
        ToggleVerticalZoom(doc_);
        Refresh();
    });
    for (int mode = 0; mode < 3; ++mode)
        connect(modeButtons_[mode], &QToolButton::clicked, this, [this, mode] {
            SetDisplayMode(doc_, mode);
            Refresh();
        });
    connect(main_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { ShowContextMenu(p); });

    main_->onNotify = [this](int code) { OnMainNotify(code); };
    overview_->onNotify = [this](int code) { OnOverviewNotify(code); };
    auto over = [this](LSVWaveWindow* view) {
        return [this, view](int index, QPoint pos) {
            const auto& marks = view->Bookmarks();
            if (index < 0 || index >= static_cast<int>(marks.size())) return;
            const QString name = QString::fromStdString(marks[static_cast<std::size_t>(index)].name);
            bookmarkField_->setText(name);
            QToolTip::showText(view->mapToGlobal(pos), name, view);
        };
    };
    main_->onBookmarkOver = over(main_);
    overview_->onBookmarkOver = over(overview_);
    auto none = [this] {
        bookmarkField_->clear();
        QToolTip::hideText();
    };
    main_->onNoBookmark = none;
    overview_->onNoBookmark = none;
    auto dropped = [this](int index, std::int32_t timeMs) {
        if (index < 0 || index >= static_cast<int>(doc_.bookmarks.size())) return;
        doc_.bookmarks[static_cast<std::size_t>(index)].timeMs = std::max(0, timeMs);
        std::stable_sort(doc_.bookmarks.begin(), doc_.bookmarks.end(),
                         [](const LBookmark& a, const LBookmark& b) { return a.timeMs < b.timeMs; });
        main_->SetBookmarks(doc_.bookmarks);
        overview_->SetBookmarks(doc_.bookmarks);
    };
    main_->onBookmarkDropped = dropped;
    overview_->onBookmarkDropped = dropped;

    Refresh();
}

DocumentWindow::~DocumentWindow() {
    main_->Detach();
    overview_->Detach();
}

bool DocumentWindow::RunCommand(int id) {
    if (runCommand) return runCommand(id);
    if (auto* frame = dynamic_cast<FrameWindow*>(window())) return frame->RunCommand(id);
    return false;
}

bool DocumentWindow::CommandEnabled(int id) {
    if (commandEnabled) return commandEnabled(id);
    if (auto* frame = dynamic_cast<FrameWindow*>(window()))
        if (QAction* a = frame->Action(id)) return a->isEnabled();
    return false;
}

void DocumentWindow::ReattachIfNeeded() {
    const LAudioData& s = doc_.sound;
    if (attached_ && attachedRate_ == s.sampleRate && attachedChannels_ == s.channels &&
        attachedMode_ == doc_.displayMode && attachedVertical_ == doc_.verticalZoom &&
        SameSegments(attachedSegments_, s.Segments()))
        return;
    overview_->Attach(s, 0, false);
    main_->Attach(s, doc_.displayMode, doc_.verticalZoom != 0);
    attachedSegments_ = s.Segments();
    attachedRate_ = s.sampleRate;
    attachedChannels_ = s.channels;
    attachedMode_ = doc_.displayMode;
    attachedVertical_ = doc_.verticalZoom;
    attached_ = true;
}

void DocumentWindow::Refresh() {
    ReattachIfNeeded();
    const FrameRange whole = OverviewRange(doc_);
    const WaveGeometry o = overview_->Requested();
    if (o.start != whole.start || o.length != whole.length) overview_->RequestRange(whole.start, whole.length);
    const FrameRange visible = MainViewRange(doc_);
    const WaveGeometry m = main_->Requested();
    if (m.start != visible.start || m.length != visible.length) main_->RequestRange(visible.start, visible.length);
    ruler_->SetRange(visible.start, visible.length, doc_.sound.sampleRate);
    for (LSVWaveWindow* view : {main_, overview_}) {
        view->SetDataEnd(doc_.Length());
        if (view->Bookmarks().size() != doc_.bookmarks.size() ||
            !std::equal(doc_.bookmarks.begin(), doc_.bookmarks.end(), view->Bookmarks().begin(),
                        [](const LBookmark& a, const LBookmark& b) { return a.timeMs == b.timeMs && a.name == b.name; }))
            view->SetBookmarks(doc_.bookmarks);
    }
    SetViewsSelection();
    verticalButton_->setChecked(doc_.verticalZoom != 0);
    for (int mode = 0; mode < 3; ++mode) modeButtons_[mode]->setChecked(doc_.displayMode == mode);
    RefreshStatus();
}

void DocumentWindow::SetViewsSelection() {
    const std::int32_t cursor = playerCursor_ >= 0 ? playerCursor_ : doc_.cursor;
    const std::int32_t width = playerCursor_ >= 0 ? playerWidth_ : 0;
    for (LSVWaveWindow* view : {main_, overview_}) {
        if (view->SelectionStart() != doc_.selectionStart) view->SetSelectionStart(doc_.selectionStart);
        if (view->SelectionEnd() != doc_.selectionEnd) view->SetSelectionEnd(doc_.selectionEnd);
        if (view->Cursor() != cursor) view->SetCursor(cursor, width);
    }
}

QStringList DocumentWindow::TimeFields() const {
    const std::int32_t rate = doc_.sound.sampleRate;
    return {Hundredths(doc_.cursor, rate), Hundredths(doc_.selectionStart, rate), Hundredths(doc_.selectionEnd, rate),
            Hundredths(doc_.Length(), rate)};
}

QString DocumentWindow::BookmarkText() const { return bookmarkField_->text(); }

void DocumentWindow::RefreshStatus() {
    const QStringList f = TimeFields();
    cursorField_->setText(f[0]);
    selectionField_->setText(f[1] + " - " + f[2]);
    lengthField_->setText(f[3]);
    rateField_->setText(RateText(doc_));
}

void DocumentWindow::OnMainNotify(int code) {
    switch (code) {
    case kWaveSelectionChanged:
        doc_.SetSelection(main_->SelectionStart(), main_->SelectionEnd(), main_->Cursor());
        SetViewsSelection();
        RefreshStatus();
        ws_.CommandStatesChanged();
        break;
    case kWaveScrollToEnd:
        scrollDirection_ = 1;
        scrollTimer_->start();
        break;
    case kWaveScrollToStart:
        scrollDirection_ = -1;
        scrollTimer_->start();
        break;
    case kWaveScrollToEndDone:
    case kWaveScrollToStartDone:
        scrollDirection_ = 0;
        scrollTimer_->stop();
        break;
    default:
        break;
    }
}

void DocumentWindow::ScrollStep() {
    if (scrollDirection_ == 0) return;
    const std::int32_t length = doc_.viewEnd - doc_.viewStart;
    const std::int32_t step = std::max(1, length / 10);
    std::int64_t start = static_cast<std::int64_t>(doc_.viewStart) + scrollDirection_ * step;
    start = std::clamp<std::int64_t>(start, 0, std::max(0, doc_.Length() - length));
    if (start == doc_.viewStart) return;
    doc_.SetView(static_cast<std::int32_t>(start), static_cast<std::int32_t>(start + length));
    main_->RequestRange(doc_.viewStart, doc_.viewEnd - doc_.viewStart);
    ruler_->SetRange(doc_.viewStart, doc_.viewEnd - doc_.viewStart, doc_.sound.sampleRate);
}

void DocumentWindow::OnOverviewNotify(int code) {
    if (code != kWaveSelectionChanged) return;
    const std::int32_t a = overview_->SelectionStart();
    const std::int32_t b = overview_->SelectionEnd();
    if (a < b) {
        // A drag on the overview selects there, as in the main view.
        doc_.SetSelection(a, b, overview_->Cursor());
    } else {
        // A click moves the main view there, keeping its length.
        const std::int32_t length = std::max(1, doc_.viewEnd - doc_.viewStart);
        std::int64_t start = static_cast<std::int64_t>(a) - length / 2;
        start = std::clamp<std::int64_t>(start, 0, std::max(0, doc_.Length() - length));
        doc_.SetView(static_cast<std::int32_t>(start), static_cast<std::int32_t>(start + length));
        doc_.cursor = a;
    }
    Refresh();
    ws_.CommandStatesChanged();
}

void DocumentWindow::FollowPlayerCursor(std::int32_t frame, bool scrubHold) {
    playerCursor_ = std::max(0, frame);
    playerWidth_ = scrubHold ? MsToFrames(kScrubHoldMs, doc_.sound.sampleRate) : 0;
    for (LSVWaveWindow* view : {main_, overview_}) view->SetCursor(playerCursor_, playerWidth_);
    if (playerCursor_ < doc_.viewStart || playerCursor_ >= doc_.viewEnd) {
        const std::int32_t length = std::max(1, doc_.viewEnd - doc_.viewStart);
        std::int64_t start = std::clamp<std::int64_t>(playerCursor_, 0, std::max(0, doc_.Length() - length));
        doc_.SetView(static_cast<std::int32_t>(start), static_cast<std::int32_t>(start + length));
        main_->RequestRange(doc_.viewStart, doc_.viewEnd - doc_.viewStart);
        ruler_->SetRange(doc_.viewStart, doc_.viewEnd - doc_.viewStart, doc_.sound.sampleRate);
    }
}

void DocumentWindow::StopFollowingPlayer() {
    playerCursor_ = -1;
    playerWidth_ = 0;
    SetViewsSelection();
}

void DocumentWindow::ShowContextMenu(const QPoint& pos) {
    ws_.SetActive(&doc_);
    QMenu menu(this);
    for (const ContextMenuEntry& e : WaveContextMenu(ws_, doc_, [this](int id) { return CommandEnabled(id); })) {
        if (e.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* a = menu.addAction(e.text);
        a->setEnabled(e.enabled);
        const int id = e.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    }
    menu.exec(main_->mapToGlobal(pos));
}

}  // namespace sv
