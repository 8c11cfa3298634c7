#include "app/Application.h"

#include "app/CommandSetup.h"
#include "app/DocumentSubWindow.h"
#include "app/DocumentWindow.h"
#include "app/PlayerPanel.h"
#include "app/KeysFile.h"
#include "app/OptionsDialog.h"
#include "app/RecentFiles.h"
#include "core/CommandIds.h"
#include "core/DocumentCommands.h"
#include "formats/AudioFileIo.h"
#include "formats/Components.h"
#include "formats/FileEditCommands.h"
#include "formats/FormatCommands.h"
#include "app/RelatedPrograms.h"
#include "app/SplashWindow.h"
#include "core/ProjectCommands.h"
#include "platform/DetachedProcess.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QMdiArea>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <strings.h>

namespace sv {

StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& startDir) {
    StartOptions options;
    auto absolute = [&](const std::string& p) {
        return (p.empty() || p[0] == '/') ? p : JoinPath(startDir, p);
    };
    auto is = [](const std::string& a, const char* name) { return strcasecmp(a.c_str(), name) == 0; };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasNext = i + 1 < args.size();
        if (arg == "--screenshot" && hasNext) {
            options.screenshot = absolute(args[++i]);
        } else if ((is(arg, "-saveas") || is(arg, "-batch")) && hasNext) {
            options.arguments.push_back(arg);
            options.arguments.push_back(absolute(args[++i]));
        } else if (is(arg, "-list") && hasNext) {
            options.arguments.push_back(arg);
            const std::string& list = args[++i];
            options.arguments.push_back(!list.empty() && list[0] == '-' ? list : absolute(list));
        } else if (is(arg, "-window")) {
            options.arguments.push_back(arg);
            for (int k = 0; k < 2 && i + 1 < args.size(); ++k) options.arguments.push_back(args[++i]);
        } else if (!arg.empty() && arg[0] == '-') {
            options.arguments.push_back(arg);
        } else if (!arg.empty()) {
            options.files.push_back(absolute(arg));
            options.arguments.push_back(options.files.back());
        }
    }
    return options;
}

Application::Application(std::unique_ptr<SettingsScope> userScope, std::unique_ptr<SettingsScope> machineScope,
                         Host* host)
    : user_(std::move(userScope)), machine_(std::move(machineScope)), host_(host) {
    if (!user_) user_ = std::make_unique<QtSettingsScope>(QtSettingsScope::Scope::User);
    if (!machine_) machine_ = std::make_unique<QtSettingsScope>(QtSettingsScope::Scope::Machine);
    settings_ = std::make_unique<Settings>(*user_, machine_.get());
    RegisterShippedComponents(*settings_);
    EnsureFolder(UserDataHome());
    EnsureFolder(ProductDataFolder());
    blocks_ = std::make_unique<BlockStore>(ChooseWorkingFolder(*settings_));
    notifier_ = std::make_unique<QtNotifier>(&notifyTarget_);
    if (!host_) {
        qtHost_ = std::make_unique<QtHost>();
        host_ = qtHost_.get();
    }
    workspace_ = std::make_unique<Workspace>(*host_, *settings_, *blocks_, *notifier_);
    Workspace* ws = workspace_.get();
    clipboard_ = std::make_unique<QtSystemClipboard>([ws] { return RenderClipboardWave(*ws); });
    workspace_->systemClipboard = clipboard_.get();
    InstallFormatServices(*workspace_);
    player_ = std::make_unique<PlayerControl>(*workspace_);
    player_->InstallHooks();
    openFile = [](Workspace& w, const std::string& path) {
        bool askRaw = true;
        bool showErrors = true;
        return OpenFileIntoWindow(w, path, &askRaw, &showErrors);
    };
    analysis_ = std::make_unique<AnalysisWindowSet>(*workspace_);
    RegisterAllCommands(registry_, *this);
    // A script handed to a running editor, or "-batch" alone, opens the converter's wizard; a
    // script first on a start's command line ran headless before the frame existed.
    runBatch = [this](Workspace& target, const std::string&) { registry_.Run(kCmdBatchConverter, target); };
    frame_ = std::make_unique<FrameWindow>(*workspace_, registry_);
    analysis_->SetOwner(frame_.get());
    if (qtHost_) qtHost_->SetOwner(frame_.get());
    regionWindows_ = std::make_unique<RegionWindows>(*workspace_, frame_.get());
    frame_->RefreshCommandStates();
    RegisterFrameCommands();
    ConnectPlayer();
    workspace_->addRecentFile = [this](const std::string& path) {
        AddRecentFile(*settings_, path, static_cast<std::int64_t>(std::time(nullptr)));
        frame_->RebuildRecentMenu();
    };
    frame_->RebuildRecentMenu();
    if (LoadKeys(KeysFilePath(), frame_->Keys(), *host_)) frame_->KeysChanged();
    if (!blocks_->Usable()) {
        host_->MessageBox("Le dossier de travail \"" + blocks_->WorkingFolder() +
                              "\" ne peut pas être créé. Les sons ne pourront pas être modifiés; choisissez un "
                              "autre dossier de travail dans les options.",
                          "Sonvela", MsgIcon::Error, MsgButtons::Ok);
    }
}

Application::~Application() {
    // The frame (and its windows' references) first, then every document, then the store.
    if (player_) player_->SetView(nullptr);
    regionWindows_.reset();
    frame_.reset();
    player_.reset();
    if (workspace_) workspace_->systemClipboard = nullptr;
    clipboard_.reset();
    workspace_.reset();
}

void Application::RegisterFrameCommands() {
    FrameWindow* frame = frame_.get();
    registry_.Register(kCmdCascade, {[frame](Workspace&) { frame->Cascade(); }, HasActiveDocument, nullptr, nullptr});
    registry_.Register(kCmdSideBySide,
                       {[frame](Workspace&) { frame->SideBySide(); }, HasActiveDocument, nullptr, nullptr});
    registry_.Register(kCmdTile, {[frame](Workspace&) { frame->Tile(); }, HasActiveDocument, nullptr, nullptr});
    registry_.Register(kCmdArrangeIcons,
                       {[frame](Workspace&) { frame->ArrangeIcons(); }, HasActiveDocument, nullptr, nullptr});
    registry_.Register(kCmdQuit, {[frame](Workspace&) { frame->close(); }, nullptr, nullptr, nullptr});
    auto toggle = [frame](const char* name) {
        return CommandEntry{[frame, name](Workspace& ws) {
                                bool on = ws.settings().ReadBoolSetting("Settings", name, true);
                                ws.settings().WriteBoolUserSetting("Settings", name, !on);
                                frame->ApplyBarSettings();
                            },
                            nullptr,
                            [name](const Workspace& ws) {
                                return const_cast<Workspace&>(ws).settings().ReadBoolSetting("Settings", name, true);
                            },
                            nullptr};
    };
    registry_.Register(kCmdShowCommandBar, toggle("ShowCommandBar"));
    registry_.Register(kCmdShowMainToolbar, toggle("ShowMainToolbar"));
    registry_.Register(kCmdShowEffectsToolbar, toggle("ShowEffectsToolbar"));
    // Either item moves the bar to the other side; the checked one shows where it is.
    CommandEntry side = toggle("ShowCommandBarLeft");
    registry_.Register(kCmdCommandBarLeft, side);
    side.checked = [](const Workspace& ws) {
        return !const_cast<Workspace&>(ws).settings().ReadBoolSetting("Settings", "ShowCommandBarLeft", true);
    };
    registry_.Register(kCmdCommandBarRight, side);

    registry_.Register(kCmdOptions, {[frame](Workspace& ws) { RunOptionsDialog(ws, *frame); }, nullptr, nullptr,
                                     nullptr});
    for (int slot = 1; slot <= kRecentSlots; ++slot) {
        registry_.Register(kCmdRecentFirst + slot - 1,
                           {[this, slot](Workspace&) { OpenRecentFile(slot); },
                            [slot](const Workspace& ws) {
                                return !RecentPath(const_cast<Workspace&>(ws).settings(), slot).empty();
                            },
                            nullptr, nullptr});
    }
}

void Application::OpenRecentFile(int slot) {
    const std::string path = RecentPath(*settings_, slot);
    if (path.empty()) return;
    if (!openFile) {
        host_->MessageBox("Impossible d'ouvrir \"" + path + "\" : aucun lecteur de fichiers n'est disponible.",
                          "Sonvela", MsgIcon::Error, MsgButtons::Ok);
        return;
    }
    if (openFile(*workspace_, path)) workspace_->addRecentFile(path);
}

void Application::ConnectPlayer() {
    FrameWindow* frame = frame_.get();
    PlayerControl* control = player_.get();
    auto* panel = new PlayerPanel(*control, *workspace_);
    frame->AddToCommandBar(panel);
    panel->SetTransportActions(frame->Action(kCmdPlay), frame->Action(kCmdStop));
    panel->SetFollowCursor([frame, control](LAudioDocument& doc, bool held) {
        DocumentSubWindow* sub = frame->WindowOf(&doc);
        auto* window = sub ? dynamic_cast<DocumentWindow*>(sub->widget()) : nullptr;
        if (!window) return;
        if (control->Player().IsOpen() || held)
            window->FollowPlayerCursor(doc.cursor, held);
        else
            window->StopFollowingPlayer();
    });
    control->SetView(panel);
    panel->ReadVolume();
    frame->holdButton = [control](int id, bool pressed) {
        if (pressed)
            control->PressShuttle(id == kCmdRewind ? -1 : 1);
        else
            control->ReleaseShuttle();
    };
    frame->moveKey = [control](int key, bool press, bool shift) {
        MoveKey move;
        switch (key) {
            case Qt::Key_Shift: move = MoveKey::Shift; break;
            case Qt::Key_Home: move = MoveKey::Home; break;
            case Qt::Key_End: move = MoveKey::End; break;
            case Qt::Key_Left: move = MoveKey::Left; break;
            case Qt::Key_Right: move = MoveKey::Right; break;
            case Qt::Key_F7: move = MoveKey::F7; break;
            case Qt::Key_F8: move = MoveKey::F8; break;
            default: return;
        }
        if (press)
            control->KeyDown(move, shift);
        else
            control->KeyUp(move);
    };
}

void Application::Start(const StartOptions& options) {
    frame_->ShowAtStoredPlacement();
    CommandLineResult result = RunCommandLine(options.arguments.empty() ? options.files : options.arguments);
    if (exitRequested_) return;
    frame_->RefreshCommandStates();
    if (!result.handled && options.screenshot.empty()) ShowStartSplash();
    if (!options.screenshot.empty()) {
        std::string path = options.screenshot;
        QTimer::singleShot(1500, frame_.get(), [this, path] {
            if (!Screenshot(path)) std::fprintf(stderr, "sonvela: cannot write %s\n", path.c_str());
            frame_->hide();  // no save prompts for a screenshot run
            QApplication::exit(0);
        });
    }
}

CommandLineResult Application::RunCommandLine(const std::vector<std::string>& args) {
    Workspace& ws = *workspace_;
    FrameWindow* frame = frame_.get();
    CommandLineActions actions;
    actions.openFile = [&ws](const std::string& path, bool* askRaw, bool* showErrors) {
        return OpenFileIntoWindow(ws, path, askRaw, showErrors);
    };
    actions.save = [&ws] { return !ws.Active() || SaveDocument(ws, *ws.Active()); };
    actions.saveAs = [&ws](const std::string& path) { return !ws.Active() || SaveDocumentTo(ws, *ws.Active(), path); };
    actions.close = [this] { registry_.Run(kCmdCloseDocument, *workspace_); };
    actions.exit = [this] { return frame_->close(); };
    actions.openProject = [&ws](const std::string& path) { return LoadProject(ws, path) == 0; };
    actions.minimize = [frame] { frame->showMinimized(); };
    actions.maximize = [frame] { frame->showMaximized(); };
    actions.restore = [frame] { frame->showNormal(); };
    actions.resizeClient = [frame](int w, int h) {
        if (frame->isMaximized() || frame->isFullScreen()) frame->showNormal();
        frame->resize(w, h);
    };
    actions.batch = [this](const std::string& path) {
        if (runBatch) {
            runBatch(*workspace_, path);
            return;
        }
        host_->MessageBox("Le convertisseur par lots n'est pas disponible dans cette version.", "Sonvela",
                          MsgIcon::Error, MsgButtons::Ok);
        exitStatus_ = 1;
    };
    commandLineRunning_ = true;
    CommandLineResult result = ProcessCommandLine(args, actions);
    commandLineRunning_ = false;
    if (result.failed) exitStatus_ = 1;
    if (result.exitRequested) {
        exitRequested_ = true;
        QApplication::exit(exitStatus_);
    }
    return result;
}

int Application::RunHandedOverCommandLine(const std::vector<std::string>& args) {
    RaiseFrame();
    const int before = exitStatus_;
    exitStatus_ = 0;
    std::vector<std::string> walk(args.begin() + (args.empty() ? 0 : 1), args.end());
    CommandLineResult result = RunCommandLine(walk);
    const int status = result.failed || exitStatus_ != 0 ? 1 : 0;
    if (!result.exitRequested) {
        exitStatus_ = before;
        frame_->RefreshCommandStates();
        if (!result.handled) ShowStartSplash();
    }
    return status;
}

bool Application::ReadyForCommandLine() const {
    return !commandLineRunning_ && !QApplication::activeModalWidget() && !QApplication::activePopupWidget();
}

void Application::RaiseFrame() {
    if (frame_->isMaximized())
        frame_->showMaximized();
    else
        frame_->showNormal();
    frame_->raise();
    frame_->activateWindow();
}

void Application::ShowStartSplash() {
    if (splash_) splash_->close();
    splash_ = ShowSplash(frame_.get(), AboutText(SONVELA_VERSION, HelpServicesOfProgram().libraries,
                                                 FindRelatedPrograms()));
}

HelpServices Application::HelpServicesOfProgram() {
    HelpServices help;
    help.version = SONVELA_VERSION;
    help.libraries = {std::string("Qt ") + qVersion()};
    help.launch = [](const std::vector<std::string>& argv) { return StartDetached(argv); };
    help.guidePath = [] { return FindUserGuide(OwnExecutablePath()); };
    return help;
}

void Application::EndSession() {
    if (frame_ && frame_->isVisible()) frame_->SaveStoredPlacement();
    QApplication::exit(0);
}

bool Application::Screenshot(const std::string& path) {
    QApplication::processEvents();
    QPixmap shot = frame_->grab();
    return shot.save(QString::fromStdString(path), "PNG");
}

}  // namespace sv
