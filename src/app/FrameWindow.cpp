#include "app/FrameWindow.h"

#include "app/DocumentSubWindow.h"
#include "app/DocumentWindow.h"
#include "app/KeyCodes.h"
#include "app/MenuTree.h"
#include "app/QtKeys.h"
#include "app/RecentFiles.h"
#include "app/WindowPlacement.h"
#include "core/CommandIds.h"
#include "core/CommandRegistry.h"
#include "core/DocumentCommands.h"
#include "formats/FormatCommands.h"
#include "platform/Settings.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sv {

namespace {

// Tool bar and command bar contents; the icons come from the style where one fits.
struct BarButton {
    int id;
    QStyle::StandardPixmap icon;
};

const std::vector<BarButton> kMainBar = {
    {kCmdNewDocument, QStyle::SP_FileIcon},       {kCmdOpen, QStyle::SP_DialogOpenButton},
    {kCmdSave, QStyle::SP_DialogSaveButton},      {0, QStyle::SP_CustomBase},
    {kCmdUndo, QStyle::SP_ArrowBack},             {kCmdRedo, QStyle::SP_ArrowForward},
    {0, QStyle::SP_CustomBase},                   {kCmdCut, QStyle::SP_CustomBase},
    {kCmdCopy, QStyle::SP_CustomBase},            {kCmdPaste, QStyle::SP_CustomBase},
    {kCmdDelete, QStyle::SP_TrashIcon},           {0, QStyle::SP_CustomBase},
    {kCmdZoomIn, QStyle::SP_CustomBase},          {kCmdZoomOut, QStyle::SP_CustomBase},
};
const std::vector<BarButton> kEffectsBar = {
    {kCmdAmplify, QStyle::SP_CustomBase},   {kCmdNormalize, QStyle::SP_CustomBase},
    {kCmdFadeIn, QStyle::SP_CustomBase},    {kCmdFadeOut, QStyle::SP_CustomBase},
    {kCmdEqualizer, QStyle::SP_CustomBase}, {kCmdEcho, QStyle::SP_CustomBase},
    {kCmdReverse, QStyle::SP_CustomBase},
};
const std::vector<BarButton> kCommandBar = {
    {kCmdPlay, QStyle::SP_MediaPlay},           {kCmdStop, QStyle::SP_MediaStop},
    {kCmdPlayLoop, QStyle::SP_BrowserReload},   {kCmdGoToStart, QStyle::SP_MediaSkipBackward},
    {kCmdRewind, QStyle::SP_MediaSeekBackward}, {kCmdFastForward, QStyle::SP_MediaSeekForward},
    {kCmdGoToEnd, QStyle::SP_MediaSkipForward}, {kCmdRecord, QStyle::SP_DialogNoButton},
};

QString MenuLabel(const MenuNode& node) {
    QString text = QString::fromStdString(node.text);
    if (!node.shortcut.empty()) text += "\t" + QString::fromStdString(node.shortcut);
    return text;
}

}  // namespace

FrameWindow::FrameWindow(Workspace& ws, const CommandRegistry& registry)
    : ws_(ws), registry_(registry), keys_(KeyTable::BuiltIn()) {
    setObjectName("LMMWC");
    setWindowTitle("Sonvela");
    mdi_ = new QMdiArea;
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    setAcceptDrops(true);
    BuildMenus();
    BuildBars();
    statusBar()->showMessage("Prêt");
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        auto* sub = dynamic_cast<DocumentSubWindow*>(w);
        if (sub) ws_.SetActive(sub->Document());
    });
    ws_.SetWindows(this);
    qApp->installEventFilter(this);
    ApplyBarSettings();
    RefreshCommandStates();
}

FrameWindow::~FrameWindow() {
    qApp->removeEventFilter(this);
    ws_.SetWindows(nullptr);
}

QMenu* FrameWindow::BuildMenu(const MenuNode& node, QWidget* parent) {
    auto* menu = new QMenu(QString::fromStdString(node.text), parent);
    for (const MenuNode& child : node.children) {
        if (child.IsSeparator()) {
            menu->addSeparator();
        } else if (child.IsSubmenu()) {
            menu->addMenu(BuildMenu(child, menu));
        } else {
            QAction* action = menu->addAction(MenuLabel(child));
            action->setData(child.id);
            action->setObjectName(QString("cmd%1").arg(child.id));
            QString plain = QString::fromStdString(child.text).remove('&');
            action->setIconText(plain.endsWith("...") ? plain.chopped(3) : plain);
            action->setToolTip(plain);
            actions_[child.id] = action;
            baseTexts_[child.id] = MenuLabel(child);
            const int id = child.id;
            connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this] { RefreshCommandStates(); });
    return menu;
}

void FrameWindow::BuildMenus() {
    for (const MenuNode& top : MainMenu()) menuBar()->addMenu(BuildMenu(top, menuBar()));
}

void FrameWindow::BuildBars() {
    auto fill = [this](QToolBar* bar, const std::vector<BarButton>& buttons) {
        for (const BarButton& b : buttons) {
            if (b.id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* action = actions_.at(b.id);
            if (b.icon != QStyle::SP_CustomBase) action->setIcon(style()->standardIcon(b.icon));
            bar->addAction(action);
        }
    };
    mainBar_ = addToolBar("Barre d'Outils Principale");
    mainBar_->setObjectName("MainToolbar");
    mainBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    fill(mainBar_, kMainBar);
    addToolBarBreak();
    effectsBar_ = addToolBar("Barre d'Outils des Effets");
    effectsBar_->setObjectName("EffectsToolbar");
    effectsBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    fill(effectsBar_, kEffectsBar);

    commandBar_ = new QDockWidget("Barre de Commandes", this);
    commandBar_->setObjectName("CommandBar");
    commandBar_->setFeatures(QDockWidget::NoDockWidgetFeatures);
    auto* panel = new QWidget;
    auto* column = new QVBoxLayout(panel);
    for (const BarButton& b : kCommandBar) {
        QAction* action = actions_.at(b.id);
        action->setIcon(style()->standardIcon(b.icon));
        auto* button = new QToolButton;
        button->setObjectName(QString("bar%1").arg(b.id));
        if (b.id == kCmdRewind || b.id == kCmdFastForward) {
            // Press and hold: the button acts while it is down, not when it is clicked.
            button->setIcon(action->icon());
            button->setText(action->iconText());
            button->setEnabled(action->isEnabled());
            connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
            const int id = b.id;
            connect(button, &QToolButton::pressed, this, [this, id] {
                if (holdButton) holdButton(id, true);
            });
            connect(button, &QToolButton::released, this, [this, id] {
                if (holdButton) holdButton(id, false);
            });
        } else {
            button->setDefaultAction(action);
        }
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        column->addWidget(button);
    }
    commandColumn_ = column;
    column->addStretch();
    commandBar_->setWidget(panel);
    addDockWidget(Qt::LeftDockWidgetArea, commandBar_);
}

void FrameWindow::ApplyBarSettings() {
    Settings& st = ws_.settings();
    mainBar_->setVisible(st.ReadBoolSetting("Settings", "ShowMainToolbar", true));
    effectsBar_->setVisible(st.ReadBoolSetting("Settings", "ShowEffectsToolbar", true));
    bool left = st.ReadBoolSetting("Settings", "ShowCommandBarLeft", true);
    addDockWidget(left ? Qt::LeftDockWidgetArea : Qt::RightDockWidgetArea, commandBar_);
    commandBar_->setVisible(st.ReadBoolSetting("Settings", "ShowCommandBar", true));
}

QAction* FrameWindow::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

bool FrameWindow::RunCommand(int id) {
    bool ran = registry_.Run(id, ws_);
    RefreshCommandStates();
    return ran;
}

void FrameWindow::RefreshCommandStates() {
    for (auto& [id, action] : actions_) {
        action->setEnabled(registry_.Enabled(id, ws_));
        if (registry_.Checkable(id)) {
            action->setCheckable(true);
            action->setChecked(registry_.Checked(id, ws_));
        }
        std::string text = registry_.Text(id, ws_);
        action->setText(text.empty() ? baseTexts_[id] : QString::fromStdString(text));
    }
    for (auto& [doc, window] : windows_) window->Refresh();
    if (LAudioDocument* doc = ws_.Active())
        statusBar()->showMessage(RateText(*doc));
    else
        statusBar()->showMessage("Prêt");
}

DocumentSubWindow* FrameWindow::WindowOf(const LAudioDocument* doc) const {
    auto it = windows_.find(doc);
    return it == windows_.end() ? nullptr : it->second;
}

void FrameWindow::DocumentAdded(LAudioDocument& doc) {
    auto* sub = new DocumentSubWindow(ws_, Ref<LAudioDocument>(&doc));
    windows_[&doc] = sub;
    mdi_->addSubWindow(sub);
    // The usual size where the area has room for it, never wider or taller than the area, so
    // the window's buttons are not cut off at its right edge.
    const QSize area = mdi_->viewport()->size();
    QSize size(560, 260);
    if (area.width() > 0 && area.height() > 0) size = size.boundedTo(area);
    sub->resize(size);
    sub->show();
    const QPoint at = sub->pos();
    sub->move(std::clamp(at.x(), 0, std::max(0, area.width() - sub->width())),
              std::clamp(at.y(), 0, std::max(0, area.height() - sub->height())));
    mdi_->setActiveSubWindow(sub);
}

void FrameWindow::DocumentRemoved(LAudioDocument& doc) {
    auto it = windows_.find(&doc);
    if (it == windows_.end()) return;
    DocumentSubWindow* sub = it->second;
    windows_.erase(it);
    sub->MarkRemoved();
    sub->close();  // deletes itself; closing from its own close event is guarded by Qt
}

void FrameWindow::DocumentChanged(LAudioDocument& doc) {
    if (DocumentSubWindow* sub = WindowOf(&doc)) sub->Refresh();
}

void FrameWindow::CommandStatesChanged() { RefreshCommandStates(); }

void FrameWindow::TileWindows() { Tile(); }

void FrameWindow::Cascade() { mdi_->cascadeSubWindows(); }

void FrameWindow::Tile() { mdi_->tileSubWindows(); }

void FrameWindow::SideBySide() {
    // Each window takes the full height and an equal share of the width, left to right.
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (!w->isMinimized()) subs << w;
    if (subs.isEmpty()) return;
    const QRect area = mdi_->viewport()->rect();
    const int width = area.width() / static_cast<int>(subs.size());
    for (int i = 0; i < static_cast<int>(subs.size()); ++i) {
        subs[i]->showNormal();
        subs[i]->setGeometry(i * width, 0, width, area.height());
    }
}

void FrameWindow::ArrangeIcons() {
    // Minimised windows line up along the bottom edge, left to right.
    const QRect area = mdi_->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* w : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (!w->isMinimized()) continue;
        QSize size = w->size();
        w->move(x, area.height() - size.height());
        x += size.width();
    }
}

void FrameWindow::AddToCommandBar(QWidget* widget) {
    // Above the stretch that keeps the buttons at the top.
    commandColumn_->insertWidget(commandColumn_->count() - 1, widget);
}

bool FrameWindow::PreTranslateKey(QKeyEvent* event) {
    std::uint32_t code = KeyCodeFromEvent(*event);
    int id = code ? keys_.CommandFor(code) : 0;
    if (id == 0) return false;
    if (!event->isAutoRepeat()) RunCommand(id);
    return true;
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event) {
    // Only keys aimed at the frame or its children: dialogs keep their own keys.
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && moveKey) {
        auto* widget = qobject_cast<QWidget*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (widget && widget->window() == this && !key->isAutoRepeat() && QApplication::activeModalWidget() == nullptr)
            moveKey(key->key(), event->type() == QEvent::KeyPress, key->modifiers() & Qt::ShiftModifier);
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && QApplication::activeModalWidget() == nullptr) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (event->type() == QEvent::ShortcutOverride) {
                std::uint32_t code = KeyCodeFromEvent(*key);
                if (code && keys_.CommandFor(code)) {
                    event->accept();  // keep Qt's own shortcuts from taking the key
                    return true;
                }
                return false;
            }
            if (PreTranslateKey(key)) return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrameWindow::OpenFiles(const std::vector<std::string>& paths) {
    bool askRaw = true;
    bool showErrors = true;
    for (const std::string& path : paths) OpenFileIntoWindow(ws_, path, &askRaw, &showErrors);
    RefreshCommandStates();
}

void FrameWindow::dragEnterEvent(QDragEnterEvent* event) {
    bool files = false;
    for (const QUrl& url : event->mimeData()->urls()) files = files || url.isLocalFile();
    if (files) event->acceptProposedAction();
}

void FrameWindow::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
    if (paths.empty()) return;
    event->acceptProposedAction();
    OpenFiles(paths);
}

void FrameWindow::closeEvent(QCloseEvent* event) {
    if (QueryClose(ws_)) {
        SaveStoredPlacement();
        event->accept();
    } else {
        event->ignore();
    }
}

void FrameWindow::KeysChanged() {
    for (const MenuNode* item : AllCommandItems()) {
        if (!actions_.count(item->id)) continue;
        std::vector<std::uint32_t> keys = keys_.KeysOf(item->id);
        // The window manager serves Alt+F4; the table never holds it.
        if (item->id == kCmdQuit && keys.empty()) continue;
        std::uint32_t menuKey = item->shortcut.empty() ? 0 : ParseShortcut(item->shortcut);
        QString text = QString::fromStdString(item->text);
        if (!keys.empty()) {
            bool menuKeyKept = std::find(keys.begin(), keys.end(), menuKey) != keys.end();
            text += "\t" + QString::fromStdString(ShortcutText(menuKeyKept ? menuKey : keys.front()));
        }
        baseTexts_[item->id] = text;
    }
    RefreshCommandStates();
}

void FrameWindow::RebuildRecentMenu() {
    for (QAction* action : recentActions_) delete action;
    recentActions_.clear();
    QAction* quit = Action(kCmdQuit);
    auto* fileMenu = quit ? qobject_cast<QMenu*>(quit->parent()) : nullptr;
    if (!fileMenu) return;
    int position = 1;
    for (const RecentEntry& entry : RecentFilesByDate(ws_.settings())) {
        QString label = QString::fromStdString(RecentLabel(position++, entry.path));
        // A "&" of the path is shown as itself, not taken as the item's mnemonic.
        label = label.left(1) + label.mid(1).replace("&", "&&");
        auto* action = new QAction(label, fileMenu);
        const int id = kCmdRecentFirst + entry.slot - 1;
        action->setObjectName(QString("cmd%1").arg(id));
        action->setData(id);
        action->setToolTip(QString::fromStdString(entry.path));
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        fileMenu->insertAction(quit, action);
        recentActions_.push_back(action);
    }
}

void FrameWindow::ShowAtStoredPlacement() {
    WindowPlacement p = LoadMainWindowRect(ws_.settings());
    setGeometry(p.rect.x, p.rect.y, p.rect.width, p.rect.height);
    if (p.maximized)
        showMaximized();  // the geometry above is what restoring goes back to
    else
        show();
}

void FrameWindow::SaveStoredPlacement() {
    WindowShowState state = isMinimized()   ? WindowShowState::Minimized
                            : isMaximized() ? WindowShowState::Maximized
                                            : WindowShowState::Normal;
    QRect g = geometry();
    QScreen* s = screen();
    int right = s ? s->availableGeometry().x() + s->availableGeometry().width() : g.x() + g.width();
    SaveMainWindowRect(ws_.settings(), state, {g.x(), g.y(), g.width(), g.height()}, right);
}

}  // namespace sv
