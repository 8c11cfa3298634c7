#pragma once
// The frame "Sonvela": a main window whose MDI area holds one child per document, the menus
// built from the menu table, the main and effects tool bars and the command bar. Every menu
// item, tool button and shortcut sends its command id to the registry; the frame only shows
// state and forwards.
#include "app/KeyTable.h"
#include "core/Workspace.h"

#include <QMainWindow>

#include <map>

class QAction;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

namespace sv {

class CommandRegistry;
class DocumentSubWindow;

class FrameWindow : public QMainWindow, public FrameWindows {
public:
    FrameWindow(Workspace& ws, const CommandRegistry& registry);
    ~FrameWindow() override;

    // FrameWindows
    void DocumentAdded(LAudioDocument& doc) override;
    void DocumentRemoved(LAudioDocument& doc) override;
    void DocumentChanged(LAudioDocument& doc) override;
    void CommandStatesChanged() override;
    void TileWindows() override;

    // Runs a command as a menu item would; false when it is unknown or disabled.
    bool RunCommand(int id);
    void RefreshCommandStates();
    QAction* Action(int id) const;
    QMdiArea* MdiArea() const { return mdi_; }
    DocumentSubWindow* WindowOf(const LAudioDocument* doc) const;

    KeyTable& Keys() { return keys_; }
    // Key pre-translation: a key of the shortcut table runs its command and is consumed.
    bool PreTranslateKey(QKeyEvent* event);

    // Window arrangement and bar layout (commands 5009-5012, 9001-9005).
    void Cascade();
    void SideBySide();
    void Tile();
    void ArrangeIcons();
    void ApplyBarSettings();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildBars();
    QMenu* BuildMenu(const struct MenuNode& node, QWidget* parent);

    Workspace& ws_;
    const CommandRegistry& registry_;
    KeyTable keys_;
    QMdiArea* mdi_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, QString> baseTexts_;
    std::map<const LAudioDocument*, DocumentSubWindow*> windows_;
    QToolBar* mainBar_ = nullptr;
    QToolBar* effectsBar_ = nullptr;
    QDockWidget* commandBar_ = nullptr;
};

}  // namespace sv
