#pragma once
// The frame "Sonvela": a main window whose MDI area holds one child per document, the menus
// built from the menu table, the main and effects tool bars and the command bar. Every menu
// item, tool button and shortcut sends its command id to the registry; the frame only shows
// state and forwards.
#include "app/KeyTable.h"
#include "core/Workspace.h"

#include <QMainWindow>

#include <functional>

#include <map>
#include <vector>

class QAction;
class QDockWidget;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QVBoxLayout;

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
    // Shows each command's current first key beside its menu item after the table changed.
    void KeysChanged();
    // Key pre-translation: a key of the shortcut table runs its command and is consumed.
    bool PreTranslateKey(QKeyEvent* event);

    // A widget under the command bar's buttons (the player's panel).
    void AddToCommandBar(QWidget* widget);
    // The rewind and fast-forward buttons of the command bar, pressed and released.
    std::function<void(int id, bool pressed)> holdButton;
    // Every key press and release aimed at the frame (before the shortcut table), for the
    // player's selecting moves.
    std::function<void(int qtKey, bool press, bool shift)> moveKey;

    // Window arrangement and bar layout (commands 5009-5012, 9001-9005).
    void Cascade();
    void SideBySide();
    void Tile();
    void ArrangeIcons();
    void ApplyBarSettings();

    // The recent-files items (1050-1060) of the File menu, rebuilt from the "Recent" section.
    void RebuildRecentMenu();
    // The "MainWindow" placement: applied and shown at start, stored when the frame closes.
    void ShowAtStoredPlacement();
    void SaveStoredPlacement();

    // Opens dropped files as the File menu's Open does: one message for a run of failures.
    void OpenFiles(const std::vector<std::string>& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
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
    QVBoxLayout* commandColumn_ = nullptr;
    std::vector<QAction*> recentActions_;
};

}  // namespace sv
