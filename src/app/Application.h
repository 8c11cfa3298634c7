#pragma once
// The application object: owns, in order of construction, the settings, the block store in
// the working folder, the notifier, the Host, the workspace, the command registry and the
// frame. Destroyed in reverse, so every document releases its blocks before the store
// deletes what is left in the working folder.
#include "app/AnalysisWindowSet.h"
#include "app/CommandLine.h"
#include "app/FrameWindow.h"
#include "app/HelpCommands.h"
#include "app/QtHost.h"
#include "app/QtNotifier.h"
#include "app/QtSettingsScope.h"
#include "app/QtSystemClipboard.h"
#include "app/RegionWindows.h"
#include "audio/PlayerControl.h"
#include "core/BlockStore.h"
#include "core/CommandRegistry.h"
#include "core/Workspace.h"
#include "platform/Settings.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sv {

struct StartOptions {
    std::vector<std::string> files;      // absolute paths to open
    std::vector<std::string> arguments;  // the command line to walk: files (absolute) and switches
    std::string screenshot;              // PNG to write after start-up, then quit
};

// Parses the arguments (files, the switches of CommandLine.h and --screenshot FILE); relative
// paths (files and the arguments of "-saveas", "-list" and "-batch") are made absolute against
// the directory the program was started from, so that they mean the same to an editor that
// runs elsewhere. The numbers of "-window" and empty arguments stay as they are.
StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& startDir);

class Application {
public:
    // Tests may give the settings scopes and a Host of their own; by default the INI files of
    // the system and the Qt dialogs.
    explicit Application(std::unique_ptr<SettingsScope> userScope = nullptr,
                         std::unique_ptr<SettingsScope> machineScope = nullptr, Host* host = nullptr);
    ~Application();

    // Shows the frame, processes the command line; a screenshot request quits afterwards.
    void Start(const StartOptions& options);

    Workspace& workspace() { return *workspace_; }
    CommandRegistry& registry() { return registry_; }
    FrameWindow& frame() { return *frame_; }
    RegionWindows& regionWindows() { return *regionWindows_; }
    PlayerControl& player() { return *player_; }
    AnalysisWindowSet& analysis() { return *analysis_; }
    Settings& settings() { return *settings_; }
    BlockStore& blocks() { return *blocks_; }

    // Walks a command line (CommandLine.h) against the frame and the active document.
    CommandLineResult RunCommandLine(const std::vector<std::string>& args);
    // A command line handed over by a later start (argument 0 is its program): the frame comes
    // forward, the walk runs, the splash shows when nothing was handled. 0, or 1 when an open
    // or a save failed.
    int RunHandedOverCommandLine(const std::vector<std::string>& args);
    // False while a command line runs or a modal dialog is up: a hand-over waits until then.
    bool ReadyForCommandLine() const;
    // Brings the frame forward as a hand-over does (on Wayland the compositor may refuse).
    void RaiseFrame();
    // The start-up splash, while it shows.
    QWidget* Splash() const { return splash_; }
    // Set once "-exit" has closed the frame; the exit status is 1 when an open or save of a
    // command line failed, else 0.
    bool ExitRequested() const { return exitRequested_; }
    int ExitStatus() const { return exitStatus_; }

    // The end of the session (a termination signal): the state a quit saves is saved, then the
    // event loop ends without questions.
    void EndSession();

    // Writes the frame as it is now into a PNG file; false when it cannot be written.
    bool Screenshot(const std::string& path);

    // Opens a file into a new document; set once a reader for files exists.
    std::function<bool(Workspace&, const std::string&)> openFile;
    // "-batch" reaching a running editor: opens the batch converter (the default), or what a
    // test puts here; null says the converter is not available.
    std::function<void(Workspace&, const std::string& path)> runBatch;

    // What the Help menu needs of the program: version, components, guide, launcher.
    HelpServices HelpServicesOfProgram();

private:
    void RegisterFrameCommands();
    void ConnectPlayer();
    // Recent-files item of a slot: opens the file and refreshes its date.
    void OpenRecentFile(int slot);
    void ShowStartSplash();

    QObject notifyTarget_;
    std::unique_ptr<SettingsScope> user_;
    std::unique_ptr<SettingsScope> machine_;
    std::unique_ptr<Settings> settings_;
    std::unique_ptr<BlockStore> blocks_;
    std::unique_ptr<QtNotifier> notifier_;
    std::unique_ptr<QtHost> qtHost_;
    Host* host_ = nullptr;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<QtSystemClipboard> clipboard_;
    std::unique_ptr<PlayerControl> player_;
    std::unique_ptr<AnalysisWindowSet> analysis_;
    CommandRegistry registry_;
    std::unique_ptr<FrameWindow> frame_;
    std::unique_ptr<RegionWindows> regionWindows_;
    QPointer<QWidget> splash_;
    bool commandLineRunning_ = false;
    bool exitRequested_ = false;
    int exitStatus_ = 0;
};

}  // namespace sv
