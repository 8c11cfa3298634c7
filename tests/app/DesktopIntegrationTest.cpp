// The desktop entry, the project type and their removal, checked with the desktop's own tools;
// and the Help menu's commands.
#include "app/DesktopIntegration.h"
#include "app/HelpCommands.h"
#include "core/CommandIds.h"
#include "platform/ChildProcess.h"
#include "platform/Paths.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace sv {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The output of a shell command line (the tools' own way of being asked).
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

TEST(DesktopEntry, ExecArgumentsAreQuotedAsDesktopEntriesRequire) {
    EXPECT_EQ(DesktopExecArgument("/usr/bin/sonvela"), "/usr/bin/sonvela");
    EXPECT_EQ(DesktopExecArgument("/opt/Mes Programmes/sonvela"), "\"/opt/Mes Programmes/sonvela\"");
    EXPECT_EQ(DesktopExecArgument("/o/a\"b$c\\d"), "\"/o/a\\\\\"b\\\\$c\\\\\\\\d\"");
    EXPECT_EQ(DesktopExecArgument("/o/100%/s"), "/o/100%%/s");
    const std::string text = DesktopFileText("/opt/Mes Programmes/sonvela");
    EXPECT_NE(text.find("Exec=\"/opt/Mes Programmes/sonvela\" %F\n"), std::string::npos);
    EXPECT_NE(text.find("[Desktop Action edit]\nName=Editer avec Sonvela\n"), std::string::npos);
    EXPECT_NE(text.find("[Desktop Action batch]\nName=Convertir le Lot avec Sonvela\nExec=\"/opt/Mes "
                        "Programmes/sonvela\" -batch %f\n"),
              std::string::npos);
    EXPECT_NE(text.find("audio/x-wav;"), std::string::npos);
    EXPECT_NE(text.find("application/x-sonvela-project;\n"), std::string::npos);
}

TEST(DesktopEntry, InstallPassesTheToolsAndRemovalTakesAwayExactlyWhatItWrote) {
    for (const char* tool : {"desktop-file-validate", "update-desktop-database", "update-mime-database", "gio"})
        if (!ProgramAvailable(tool)) GTEST_SKIP() << tool << " missing";
    test::TempFolder data;
    DesktopInstall where;
    where.dataHome = data.path();
    // Something of the user's own that the removal must leave alone.
    EnsureFolder(data.File("applications"));
    std::ofstream(data.File("applications/other.desktop")) << "[Desktop Entry]\n";
    std::string report;
    ASSERT_TRUE(InstallDesktopIntegration(where, "/opt/Mes Programmes/sonvela", &report)) << report;
    const std::string desktop = data.File("applications/quillon-sonvela.desktop");
    EXPECT_EQ(Output("desktop-file-validate '" + desktop + "' 2>&1; echo $?"), "0");
    EXPECT_NE(ReadAll(data.File("applications/mimeinfo.cache")).find("audio/x-wav=quillon-sonvela.desktop;"),
              std::string::npos);
    std::ofstream(data.File("show.svp")) << "1\n";
    const std::string env = "XDG_DATA_HOME='" + data.path() + "' XDG_CURRENT_DESKTOP=GNOME ";
    EXPECT_EQ(Output(env + "xdg-mime query filetype '" + data.File("show.svp") + "' 2>/dev/null"),
              "application/x-sonvela-project");

    ASSERT_TRUE(RemoveDesktopIntegration(where, &report)) << report;
    EXPECT_FALSE(FileExists(desktop));
    EXPECT_FALSE(FileExists(data.File("mime/packages/quillon-sonvela.xml")));
    EXPECT_FALSE(FileExists(data.File("mime")));  // the install made it; only derived caches were left
    EXPECT_TRUE(FileExists(data.File("applications/other.desktop")));
    EXPECT_FALSE(FileExists(DesktopManifestPath(data.path())));
    EXPECT_NE(Output(env + "xdg-mime query filetype '" + data.File("show.svp") + "' 2>/dev/null"),
              "application/x-sonvela-project");
    // A second removal finds nothing to take.
    EXPECT_TRUE(RemoveDesktopIntegration(where, &report));
    EXPECT_NE(report.find("Rien à retirer"), std::string::npos);
}

TEST(DesktopEntry, AFailingCacheToolIsAFailureAndTheFilesStayRemovable) {
    test::TempFolder data;
    DesktopInstall where;
    where.dataHome = data.path();
    where.updateMimeDatabase = data.File("no-such-tool");
    where.updateDesktopDatabase = "false";
    std::string report;
    EXPECT_FALSE(InstallDesktopIntegration(where, "/usr/bin/sonvela", &report));
    EXPECT_NE(report.find("no-such-tool"), std::string::npos) << report;
    EXPECT_NE(report.find("\"false "), std::string::npos) << report;
    EXPECT_TRUE(FileExists(data.File("applications/quillon-sonvela.desktop")));
    where.updateMimeDatabase = where.updateDesktopDatabase = "true";
    EXPECT_TRUE(RemoveDesktopIntegration(where, &report)) << report;
    EXPECT_FALSE(FileExists(data.File("applications/quillon-sonvela.desktop")));
}

struct HelpMenu : test::TestWorkspace {
    std::vector<std::vector<std::string>> launched;
    std::string guide;
    HelpMenu() {
        HelpServices help;
        help.version = "0.1.0";
        help.libraries = {"Qt 6.4.2"};
        help.launch = [this](const std::vector<std::string>& argv) { return launched.push_back(argv), true; };
        help.guidePath = [this] { return guide; };
        help.programFound = [](const std::string& p) { return p == "lame" || p == "espeak-ng"; };
        RegisterHelpCommands(registry, help);
    }
};

TEST(HelpCommands, TheGuideOpensThroughXdgOpenOrSaysItIsMissing) {
    HelpMenu m;
    m.registry.Run(kCmdHelp, m.ws);
    ASSERT_EQ(m.host.messages.size(), 1u);
    EXPECT_EQ(m.host.messages[0].text, "Le guide de l'utilisateur n'est pas installé avec ce programme.");
    m.guide = "/usr/share/sonvela/guide/index.html";
    m.registry.Run(kCmdHelp, m.ws);
    EXPECT_EQ(m.launched, (std::vector<std::vector<std::string>>{{"xdg-open", m.guide}}));
    EXPECT_EQ(m.host.messages.size(), 1u);
}

TEST(HelpCommands, RelatedProgramsNameThePackagesOfTheMissingOnes) {
    HelpMenu m;
    m.registry.Run(kCmdInstallRelated, m.ws);
    ASSERT_EQ(m.host.messages.size(), 1u);
    const std::string& text = m.host.messages[0].text;
    EXPECT_EQ(m.host.messages[0].caption, "Programmes Associés");
    EXPECT_NE(text.find("Programmes installés :\n  Codeur MP3 : lame\n  Synthèse vocale : espeak-ng\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  Codeur Ogg Vorbis : oggenc - paquet Debian vorbis-tools\n"), std::string::npos);
    EXPECT_NE(text.find("sinetta - aucun paquet Debian"), std::string::npos);
    EXPECT_NE(text.find("sudo apt install cdrskin faad ffmpeg flac"), std::string::npos) << text;

    m.registry.Run(kCmdAbout, m.ws);
    ASSERT_EQ(m.host.messages.size(), 2u);
    EXPECT_EQ(m.host.messages[1].text.rfind("Sonvela 0.1.0\n", 0), 0u);
    EXPECT_NE(m.host.messages[1].text.find("  Qt 6.4.2\n  lame (Codeur MP3)\n"), std::string::npos);
}

TEST(HelpCommands, TheShippedGuideIsFoundBesideTheProgram) {
    test::TempFolder root;
    EnsureFolder(root.File("share/sonvela/guide"));
    EnsureFolder(root.File("bin"));
    std::ofstream(root.File("share/sonvela/guide/index.html")) << "<html></html>";
    EXPECT_EQ(FindUserGuide(root.File("bin/sonvela")), root.File("bin/../share/sonvela/guide/index.html"));
}

}  // namespace
}  // namespace sv
