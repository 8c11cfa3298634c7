#include "StubPrograms.h"
#include "net/MakerSite.h"
#include "net/UpdateCheck.h"
#include "support/ScriptedLineServer.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace sv {
namespace {

using test::ScriptedLineServer;
using test::ServerConnection;

class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() : stubs(t.dir.path()) { stubs.Add("xdg-open"); }

    // Serves reply to one request and returns the request's lines.
    std::vector<std::string> Check(const std::string& reply, bool silent = false) {
        ScriptedLineServer server([&](ServerConnection& c) {
            std::string line;
            while (c.ReadLine(line) && !line.empty()) {
            }
            if (silent) {
                c.WaitForClose();
                return;
            }
            c.Send(reply);
        });
        UpdateServer target{"127.0.0.1", server.Port(), kVersionPath, 500};
        CheckForUpdates(t.ws, target);
        return server.Received();
    }

    test::TestWorkspace t;
    test::StubPrograms stubs;
};

std::string Ok(const std::string& body) { return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body; }

TEST_F(UpdateCheckTest, TheRequestAsksForTheVersionFileByHost) {
    std::vector<std::string> request = Check(Ok("version=3.02\n"));
    EXPECT_EQ(request, (std::vector<std::string>{"GET /versions/Sonvela.txt HTTP/1.0", "Host: 127.0.0.1", ""}));
}

TEST_F(UpdateCheckTest, TheSameOrAnOlderVersionSaysTheProgramIsUpToDate) {
    for (const char* body : {"version=3.02", "version=2.5&info=https://www.quillonacoustics.com/x"}) {
        t.host.messages.clear();
        Check(Ok(body));
        ASSERT_EQ(t.host.messages.size(), 1u) << body;
        EXPECT_EQ(t.host.messages[0].text, "La version actuelle est à jour");
        EXPECT_EQ(t.host.messages[0].caption, "Version Actuelle");
        EXPECT_EQ(t.host.messages[0].icon, MsgIcon::Information);
    }
    EXPECT_TRUE(stubs.Calls("xdg-open").empty());
}

TEST_F(UpdateCheckTest, ANewerVersionOffersItsPageAndRemembersTheVersion) {
    t.host.answers = {MsgAnswer::Yes};
    // Well past the 511 bytes an older reader held.
    Check(Ok(std::string(600, '#') + "\nversion=3.10&info=https://www.quillonacoustics.com/sonvela/3.10?from=app&x=1"));
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].caption, "Version Mise à Jour Disponible");
    EXPECT_EQ(t.host.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(stubs.Calls("xdg-open"), std::vector<std::string>{"https://www.quillonacoustics.com/sonvela/3.10?from=app"});
    EXPECT_EQ(t.settings.ReadIntSetting("Settings", "LastCheckVersion", 0), 310);
}

TEST_F(UpdateCheckTest, AServerKeepingTheConnectionOpenHasAnsweredOnceItsBodyIsIn) {
    ScriptedLineServer server([](ServerConnection& c) {
        std::string line;
        while (c.ReadLine(line) && !line.empty()) {
        }
        c.Send("HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: keep-alive\r\n\r\nversion=3.02");
        c.WaitForClose();
    });
    CheckForUpdates(t.ws, UpdateServer{"127.0.0.1", server.Port(), kVersionPath, 3000});
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].caption, "Version Actuelle");
}

TEST_F(UpdateCheckTest, AnsweringNoOpensNothingAndStoresNothing) {
    t.host.answers = {MsgAnswer::No};
    Check(Ok("version=4.00&info=https://www.quillonacoustics.com/"));
    EXPECT_TRUE(stubs.Calls("xdg-open").empty());
    EXPECT_EQ(t.settings.ReadIntSetting("Settings", "LastCheckVersion", 0), 0);
}

TEST_F(UpdateCheckTest, AnAddressOffTheMakersHttpsSiteIsNeverOpened) {
    for (const char* info : {"file:///etc/passwd", "http://www.quillonacoustics.com/", "https://evil.example/",
                             "https://quillonacoustics.com.evil.example/", "https://quillonacoustics.com@evil.example/"}) {
        t.host.answers = {MsgAnswer::Yes};
        Check(Ok(std::string("version=9.00&info=") + info));
    }
    EXPECT_TRUE(stubs.Calls("xdg-open").empty());
}

TEST_F(UpdateCheckTest, ErrorPagesFailuresAndSilenceEndTheCheckWithoutAWord) {
    Check("HTTP/1.1 404 Not Found\r\n\r\n<html>version=9.99</html>");
    Check("HTTP/1.1 302 Found\r\nLocation: http://portal/?version=9.99\r\n\r\n");
    Check("HTTP/1.1 200 OK\r\nX-Version: version=9.99\r\n\r\nnothing here");
    Check(Ok("version=x.10"));
    Check(Ok("version=0.99"));
    Check("", true);
    CheckForUpdates(t.ws, UpdateServer{"127.0.0.1", test::ClosedPort(), kVersionPath, 500});
    EXPECT_TRUE(t.host.messages.empty());
    EXPECT_TRUE(stubs.Calls("xdg-open").empty());
}

TEST(UpdateVersionTest, EveryVersionFrom100To999ParsesExactly) {
    for (int v = 100; v <= 999; ++v) {
        char text[16];
        std::snprintf(text, sizeof text, "%d.%02d", v / 100, v % 100);
        ASSERT_EQ(ParseVersionHundredths(text), v) << text;
    }
    EXPECT_EQ(ParseVersionHundredths("4.02"), 402);
    EXPECT_EQ(ParseVersionHundredths("3.1"), 310);
    EXPECT_EQ(ParseVersionHundredths("3.109"), 310);
    EXPECT_EQ(ParseVersionHundredths("3"), 300);
    EXPECT_EQ(ParseVersionHundredths("12.5&info"), 1250);
    EXPECT_FALSE(ParseVersionHundredths(""));
    EXPECT_FALSE(ParseVersionHundredths(".5"));
    EXPECT_FALSE(ParseVersionHundredths("99999999999"));
}

TEST(UpdateVersionTest, OnlyHttpsAddressesOnTheMakersHostAreAccepted) {
    EXPECT_TRUE(IsMakerAddress("https://www.quillonacoustics.com/sonvela/"));
    EXPECT_TRUE(IsMakerAddress("HTTPS://QuillonAcoustics.com"));
    EXPECT_FALSE(IsMakerAddress("https://www.quillonacoustics.com:8443/"));
    EXPECT_FALSE(IsMakerAddress("https://www.quillonacoustics.com/a b"));
    EXPECT_FALSE(IsMakerAddress("https://xquillonacoustics.com/"));
    EXPECT_FALSE(IsMakerAddress("javascript:alert(1)"));
}

}  // namespace
}  // namespace sv
