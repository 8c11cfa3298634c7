#include "app/Application.h"

#include "app/CommandSetup.h"
#include "core/CommandIds.h"
#include "core/DocumentCommands.h"
#include "platform/Paths.h"

#include <QApplication>
#include <QMdiArea>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace sv {

StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& startDir) {
    StartOptions options;
    auto absolute = [&](const std::string& p) {
        return (p.empty() || p[0] == '/') ? p : JoinPath(startDir, p);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--screenshot" && i + 1 < args.size()) {
            options.screenshot = absolute(args[++i]);
        } else if (!args[i].empty()) {
            options.files.push_back(absolute(args[i]));
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
    EnsureFolder(UserDataHome());
    EnsureFolder(ProductDataFolder());
    blocks_ = std::make_unique<BlockStore>(ChooseWorkingFolder(*settings_));
    notifier_ = std::make_unique<QtNotifier>(&notifyTarget_);
    if (!host_) {
        qtHost_ = std::make_unique<QtHost>();
        host_ = qtHost_.get();
    }
    workspace_ = std::make_unique<Workspace>(*host_, *settings_, *blocks_, *notifier_);
    RegisterAllCommands(registry_, *this);
    frame_ = std::make_unique<FrameWindow>(*workspace_, registry_);
    if (qtHost_) qtHost_->SetOwner(frame_.get());
    RegisterFrameCommands();
    if (!blocks_->Usable()) {
        host_->MessageBox("Le dossier de travail \"" + blocks_->WorkingFolder() +
                              "\" ne peut pas être créé. Les sons ne pourront pas être modifiés; choisissez un "
                              "autre dossier de travail dans les options.",
                          "Sonvela", MsgIcon::Error, MsgButtons::Ok);
    }
}

Application::~Application() {
    // The frame (and its windows' references) first, then every document, then the store.
    frame_.reset();
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
}

void Application::Start(const StartOptions& options) {
    frame_->resize(1000, 680);
    frame_->show();
    for (const std::string& file : options.files) {
        if (!openFile) {
            host_->MessageBox("Impossible d'ouvrir \"" + file + "\" : aucun lecteur de fichiers n'est disponible.",
                              "Sonvela", MsgIcon::Error, MsgButtons::Ok);
            break;
        }
        if (!openFile(*workspace_, file)) break;  // a run of opens reports only its first failure
    }
    frame_->RefreshCommandStates();
    if (!options.screenshot.empty()) {
        std::string path = options.screenshot;
        QTimer::singleShot(300, frame_.get(), [this, path] {
            if (!Screenshot(path)) std::fprintf(stderr, "sonvela: cannot write %s\n", path.c_str());
            frame_->hide();  // no save prompts for a screenshot run
            QApplication::exit(0);
        });
    }
}

bool Application::Screenshot(const std::string& path) {
    QApplication::processEvents();
    QPixmap shot = frame_->grab();
    return shot.save(QString::fromStdString(path), "PNG");
}

}  // namespace sv
