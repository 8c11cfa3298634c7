// Process entry: settles the display, builds the application object and runs the event loop.
#include "app/AppIcon.h"
#include "app/Application.h"
#include "app/HeadlessBatch.h"
#include "app/DesktopIntegration.h"
#include "app/SingleInstance.h"
#include "app/TerminationSignals.h"
#include "core/HeadlessHost.h"
#include "platform/DetachedProcess.h"
#include "platform/Paths.h"
#include "platform/RunLock.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QSessionManager>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <strings.h>
#include <vector>

namespace {

bool Is(const std::string& arg, const char* name) { return strcasecmp(arg.c_str(), name) == 0; }

// A start that cannot go on says why: on standard error, and in a box when someone can see it.
void ReportStartFailure(const std::string& text, bool headless) {
    std::fprintf(stderr, "sonvela: %s\n", text.c_str());
    if (!headless) QMessageBox::warning(nullptr, "Sonvela", QString::fromStdString(text));
}

// "-install" and "-uninstall": the desktop entry, its actions and the project type, for this user.
int RunDesktopSetup(bool install) {
    sv::DesktopInstall where;
    where.dataHome = sv::UserDataHome();
    std::string report;
    const std::string program = sv::OwnExecutablePath();
    const bool ok = install ? sv::InstallDesktopIntegration(where, program, &report)
                            : sv::RemoveDesktopIntegration(where, &report);
    std::fputs(report.c_str(), ok ? stdout : stderr);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    {
        // A batch from the terminal needs no display at all: it runs before Qt starts.
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
        char cwd[4096];
        int status = 0;
        if (sv::RunHeadlessBatch(args, ::getcwd(cwd, sizeof cwd) ? cwd : ".", &status)) return status;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    // Without a display nobody can answer: messages go to standard error instead.
    std::unique_ptr<sv::HeadlessHost> headless;
    if ((!platform || !*platform) && (!display || !*display) && (!wayland || !*wayland)) {
        headless = std::make_unique<sv::HeadlessHost>();
        std::fprintf(stderr,
                     "sonvela: aucun affichage (DISPLAY et WAYLAND_DISPLAY sont vides) ; "
                     "démarrage sur la plate-forme Qt « offscreen ».\n");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName("Sonvela");
    QApplication::setOrganizationName("Quillon Acoustics");
    QApplication::setWindowIcon(sv::AppIcon());
    // The program speaks French: so do the standard buttons of Qt's own dialogs.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::French), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    if (!args.empty() && (Is(args[0], "-install") || Is(args[0], "-uninstall")))
        return RunDesktopSetup(Is(args[0], "-install"));
    sv::StartOptions options = sv::ParseCommandLine(args, QDir::currentPath().toStdString());

    // One editor per user: under the run lock, a start hands its command line to the editor
    // that listens, or becomes the editor. A screenshot run stands alone.
    bool single = options.screenshot.empty();
    sv::InstancePlace place;
    sv::RunLock lock;
    if (single) {
        std::string error;
        if (!sv::FindInstancePlace(&place, &error)) {
            std::fprintf(stderr, "sonvela: %s L'éditeur démarre seul.\n", error.c_str());
            single = false;
        }
    }
    if (single) {
        lock = sv::RunLock::Adopt(place.lockPath);
        const bool adopted = lock.Held();
        if (!adopted) lock = sv::RunLock::Wait(place.lockPath);
        if (!lock.Held()) {
            std::fprintf(stderr, "sonvela: le verrou \"%s\" ne peut pas être pris ; l'éditeur démarre seul.\n",
                         place.lockPath.c_str());
            single = false;
        }
        const std::string self = sv::OwnExecutablePath();
        if (single) {
            std::vector<std::string> block = {self.empty() ? std::string(argv[0]) : self};
            block.insert(block.end(), options.arguments.begin(), options.arguments.end());
            int status = 1;
            std::string error;
            switch (sv::HandOver(place.socketPath, block, lock, &status, &error)) {
                case sv::HandOverOutcome::Done: return status;
                case sv::HandOverOutcome::Refused:
                case sv::HandOverOutcome::Failed:
                    ReportStartFailure(error, headless || QGuiApplication::platformName() == "offscreen");
                    return 1;
                case sv::HandOverOutcome::NoEditor: break;
            }
        }
        // The editor runs detached from whoever started it; the child inherits the lock and
        // lets it go once it listens. Without a display the run keeps its exit status instead.
        if (single && !adopted && !headless && !args.empty() && !Is(args.back(), "-block") && !self.empty()) {
            std::vector<std::string> restart = {self};
            restart.insert(restart.end(), options.arguments.begin(), options.arguments.end());
            restart.push_back("-block");
            sv::DetachedOptions keep;
            keep.keepFd = lock.Descriptor();
            keep.fdVariable = sv::RunLock::kInheritVariable;
            int err = 0;
            if (sv::StartDetached(restart, keep, &err)) return 0;
            std::fprintf(stderr, "sonvela: le redémarrage détaché a échoué (%s) ; l'éditeur démarre ici.\n",
                         std::strerror(err));
        }
    }
    // The program's own folder becomes current, once the arguments no longer depend on it.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    int status = 0;
    {
        sv::Application app(nullptr, nullptr, headless.get());
        sv::EndLoopOnTerminationSignals(&qtApp, [&app] { app.EndSession(); });
        QObject::connect(&qtApp, &QGuiApplication::commitDataRequest, &qtApp,
                         [&app](QSessionManager&) { app.frame().SaveStoredPlacement(); });
        // Listen first, then let the next start in, then run this start's own command line:
        // a long one no longer holds every other start back.
        std::unique_ptr<sv::InstanceServer> server;
        if (single) {
            server = std::make_unique<sv::InstanceServer>(
                [&app](const std::vector<std::string>& handed) { return app.RunHandedOverCommandLine(handed); },
                [&app] { return app.ReadyForCommandLine(); });
            std::string error;
            if (!server->Listen(place.socketPath, &error)) std::fprintf(stderr, "sonvela: %s\n", error.c_str());
            lock.Release();
        }
        app.Start(options);
        // "-exit" may have ended the run before the event loop started.
        status = app.ExitRequested() ? app.ExitStatus() : QApplication::exec();
        if (status == 0 && headless) status = app.ExitStatus();
    }
    return status;
}
