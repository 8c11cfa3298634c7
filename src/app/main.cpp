// Process entry: settles the display, builds the application object and runs the event loop.
#include "app/AppIcon.h"
#include "app/Application.h"
#include "app/HeadlessBatch.h"
#include "app/TerminationSignals.h"
#include "core/HeadlessHost.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

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
    sv::StartOptions options = sv::ParseCommandLine(args, QDir::currentPath().toStdString());
    // The program's own folder becomes current, once the arguments no longer depend on it.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    int status = 0;
    {
        sv::Application app(nullptr, nullptr, headless.get());
        sv::EndLoopOnTerminationSignals(&qtApp, [&app] { app.EndSession(); });
        app.Start(options);
        // "-exit" may have ended the run before the event loop started.
        status = app.ExitRequested() ? app.ExitStatus() : QApplication::exec();
        if (status == 0 && headless) status = app.ExitStatus();
    }
    return status;
}
