#include "core/ProgressTask.h"
#include "net/SmtpClient.h"
#include "support/ScriptedHost.h"
#include "support/ScriptedLineServer.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace sv {
namespace {

using test::ScriptedLineServer;
using test::ServerConnection;

// A mail server that answers every command well unless the script says otherwise: replies by
// the command's first word ("RCPT TO:<b@x>" may also be given whole).
struct SmtpScript {
    std::string greeting = "220 mail.test ESMTP\r\n";
    std::string ehlo = "250-mail.test\r\n250-SIZE 10000000\r\n250 AUTH LOGIN\r\n";
    std::map<std::string, std::string> replies;
    bool silentAfterGreeting = false;
};

void ServeSmtp(ServerConnection& c, const SmtpScript& script) {
    c.Send(script.greeting);
    if (script.silentAfterGreeting) {
        c.WaitForClose();
        return;
    }
    auto reply = [&](const std::string& line, const std::string& word, const std::string& normal) {
        auto whole = script.replies.find(line);
        if (whole != script.replies.end()) return c.Send(whole->second);
        auto byWord = script.replies.find(word);
        c.Send(byWord != script.replies.end() ? byWord->second : normal);
    };
    std::string line;
    int authStep = 0;
    while (c.ReadLine(line)) {
        if (authStep == 1) {
            authStep = 2;
            reply(line, "USER", "334 UGFzc3dvcmQ6\r\n");
            continue;
        }
        if (authStep == 2) {
            authStep = 0;
            reply(line, "PASS", "235 2.7.0 Authentication successful\r\n");
            continue;
        }
        std::string word = line.substr(0, line.find_first_of(" :"));
        if (word == "EHLO") reply(line, word, script.ehlo);
        else if (word == "HELO") reply(line, word, "250 mail.test\r\n");
        else if (line == "AUTH LOGIN") {
            authStep = script.replies.count("AUTH") ? 0 : 1;
            reply(line, "AUTH", "334 VXNlcm5hbWU6\r\n");
        } else if (word == "MAIL") reply(line, word, "250 2.1.0 Ok\r\n");
        else if (word == "RCPT") reply(line, word, "250 2.1.5 Ok\r\n");
        else if (word == "DATA") {
            reply(line, word, "354 End data with <CR><LF>.<CR><LF>\r\n");
            if (script.replies.count("DATA") && script.replies.at("DATA")[0] != '3') continue;
            while (c.ReadLine(line) && line != ".") {
            }
            reply(line, ".", "250 2.0.0 Ok: queued\r\n");
        } else if (word == "QUIT") {
            c.Send("221 2.0.0 Bye\r\n");
            return;
        } else {
            c.Send("502 5.5.2 Error: command not recognized\r\n");
        }
    }
}

struct SmtpRun {
    test::ScriptedHost host;
    int result = -1;
    std::vector<std::string> transcript;
};

MailMessage Message(const std::string& text = "Bonjour") {
    MailMessage m;
    m.to = "a@example.fr";
    m.from = "jean@example.fr";
    m.subject = "Essai";
    m.text = text;
    return m;
}

SmtpTarget Target(const std::string& value, std::uint16_t port) {
    SmtpTarget t;
    t.server = ParseMailServer(value);
    t.port = port;
    t.localName = "poste";
    t.allowPlainLogin = true;
    return t;
}

void Converse(SmtpRun& run, const SmtpScript& script, const MailMessage& message, SmtpTarget target) {
    ScriptedLineServer server([&script](ServerConnection& c) { ServeSmtp(c, script); });
    if (target.port == 0) target.port = server.Port();
    FunctionTask task("Sending Email", [&](LProgressTask& t) { return SendMailBySmtp(message, target, t); });
    RunTask(run.host, task);
    run.result = task.Result();
    run.transcript = server.Received();
}

std::vector<std::string> Commands(const std::vector<std::string>& transcript) {
    std::vector<std::string> out;
    for (const std::string& line : transcript) {
        out.push_back(line);
        if (line == "DATA") out.push_back("...");
        if (line == "DATA") break;
    }
    return out;
}

TEST(SmtpClientTest, BothAuthenticatedFormsHoldTheSameConversation) {
    SmtpScript script;
    SmtpRun a, b;
    Converse(a, script, Message(), Target("127.0.0.1:jean:s3cret", 0));
    Converse(b, script, Message(), Target("jean:s3cret@127.0.0.1", 0));
    EXPECT_EQ(a.result, kTaskDone);
    EXPECT_EQ(b.result, kTaskDone);
    std::vector<std::string> expected = {"EHLO poste", "AUTH LOGIN", "amVhbg==", "czNjcmV0",
                                         "MAIL FROM:<jean@example.fr>", "RCPT TO:<a@example.fr>", "DATA", "..."};
    EXPECT_EQ(Commands(a.transcript), expected);
    EXPECT_EQ(Commands(b.transcript), expected);
    EXPECT_EQ(a.transcript.back(), "QUIT");
    EXPECT_TRUE(a.host.progressErrors.empty());
}

TEST(SmtpClientTest, WithoutAUserTheClientSaysHeloAndSkipsTheLogon) {
    SmtpScript script;
    SmtpRun run;
    Converse(run, script, Message(), Target("127.0.0.1", 0));
    EXPECT_EQ(run.result, kTaskDone);
    EXPECT_EQ(Commands(run.transcript),
              (std::vector<std::string>{"HELO poste", "MAIL FROM:<jean@example.fr>", "RCPT TO:<a@example.fr>", "DATA",
                                        "..."}));
}

TEST(SmtpClientTest, AMultiLineReplyIsReadToItsLastLineBeforeItsCodeIsJudged) {
    SmtpScript script;
    // The first line's code would be refused; only the last line's counts.
    script.ehlo = "250-mail.test\r\n550-this line is not the reply\r\n250-PIPELINING\r\n250 AUTH LOGIN\r\n";
    script.greeting = "220-mail.test\r\n220-second line\r\n220 ready\r\n";
    SmtpRun run;
    Converse(run, script, Message(), Target("127.0.0.1:jean:pw", 0));
    EXPECT_EQ(run.result, kTaskDone);
    EXPECT_TRUE(run.host.progressErrors.empty());
}

TEST(SmtpClientTest, OneRefusedRecipientOfTwoIsSkippedSilently) {
    SmtpScript script;
    script.replies["RCPT TO:<nobody@example.fr>"] = "550 5.1.1 no such user\r\n";
    MailMessage m = Message();
    m.to = "nobody@example.fr, b@example.fr";
    SmtpRun run;
    Converse(run, script, m, Target("127.0.0.1", 0));
    EXPECT_EQ(run.result, kTaskDone);
    EXPECT_TRUE(run.host.progressErrors.empty());
    EXPECT_NE(std::find(run.transcript.begin(), run.transcript.end(), "RCPT TO:<b@example.fr>"), run.transcript.end());
}

TEST(SmtpClientTest, EachRefusalGivesItsMessageAndFails) {
    struct Case {
        std::string word, reply, message;
    };
    std::vector<Case> cases = {
        {"EHLO", "500 no\r\n", "Mail host server error (HELO not accepted)"},
        {"PASS", "535 5.7.8 bad credentials\r\n", "Email authentication username or password not accepted"},
        {"MAIL", "553 no\r\n", "Mail host server error (MAIL FROM not accepted)"},
        {"RCPT", "554 relay denied\r\n",
         "Mail send error (RCPT TO not accepted). Your server may required authenticated email. Append "
         ":username:password to the SMTP server name for authentication."},
        {"DATA", "503 bad sequence\r\n", "Mail host server error (DATA not accepted)"},
        {".", "552 too big\r\n", "Mail host server error (data terminator not accepted)"},
    };
    for (const Case& c : cases) {
        SmtpScript script;
        script.replies[c.word] = c.reply;
        SmtpRun run;
        Converse(run, script, Message(), Target("127.0.0.1:jean:pw", 0));
        EXPECT_EQ(run.result, kTaskFailed) << c.word;
        EXPECT_EQ(run.host.progressErrors, std::vector<std::string>{c.message}) << c.word;
    }
    SmtpScript badGreeting;
    badGreeting.greeting = "554 go away\r\n";
    SmtpRun run;
    Converse(run, badGreeting, Message(), Target("127.0.0.1", 0));
    EXPECT_EQ(run.host.progressErrors, std::vector<std::string>{"Mail server not responding"});
}

TEST(SmtpClientTest, AnAuthRefusalAtTheFirstStepsSkipsTheLogon) {
    SmtpScript script;
    script.replies["AUTH"] = "504 unrecognized\r\n";
    SmtpRun run;
    Converse(run, script, Message(), Target("127.0.0.1:jean:pw", 0));
    EXPECT_EQ(run.result, kTaskDone);
    EXPECT_EQ(run.transcript[2], "MAIL FROM:<jean@example.fr>");
}

TEST(SmtpClientTest, ConnectionFailuresNameTheHost) {
    test::ScriptedHost host;
    SmtpTarget target = Target("127.0.0.1", test::ClosedPort());
    FunctionTask refused("Sending Email", [&](LProgressTask& t) { return SendMailBySmtp(Message(), target, t); });
    RunTask(host, refused);
    EXPECT_EQ(refused.Result(), kTaskFailed);
    target.server.host.clear();
    FunctionTask noHost("Sending Email", [&](LProgressTask& t) { return SendMailBySmtp(Message(), target, t); });
    RunTask(host, noHost);
    EXPECT_EQ(host.progressErrors,
              (std::vector<std::string>{
                  "Unable to connect to mail server \"127.0.0.1\".",
                  "Unable to send email because you have not entered your SMTP host using Email Settings."}));
}

TEST(SmtpClientTest, ASilentServerFailsAtTheReplyBudget) {
    SmtpScript script;
    script.silentAfterGreeting = true;
    SmtpTarget target = Target("127.0.0.1", 0);
    target.budgets.replyMs = 300;
    SmtpRun run;
    Converse(run, script, Message(), target);
    EXPECT_EQ(run.result, kTaskFailed);
    EXPECT_EQ(run.host.progressErrors, std::vector<std::string>{"Mail server not responding"});
}

TEST(SmtpClientTest, CancelEndsTheConversationWithoutAMessage) {
    SmtpScript script;
    script.silentAfterGreeting = true;
    SmtpRun run;
    run.host.cancelAtPump = 4;
    Converse(run, script, Message(), Target("127.0.0.1", 0));
    EXPECT_EQ(run.result, kTaskCancelled);
    EXPECT_TRUE(run.host.progressErrors.empty());
}

TEST(SmtpClientTest, APasswordIsNotSentWhereTheServerOffersNoEncryption) {
    SmtpScript script;
    SmtpTarget target = Target("127.0.0.1:jean:s3cret", 0);
    target.allowPlainLogin = false;
    SmtpRun run;
    Converse(run, script, Message(), target);
    EXPECT_EQ(run.result, kTaskFailed);
    ASSERT_EQ(run.host.progressErrors.size(), 1u);
    EXPECT_NE(run.host.progressErrors[0].find("password was not sent"), std::string::npos);
    for (const std::string& line : run.transcript) {
        EXPECT_NE(line, "AUTH LOGIN");
        EXPECT_NE(line, "czNjcmV0");
    }
}

TEST(SmtpClientTest, TheMessageGoesOutDotStuffedWithItsAttachmentInBase64Lines) {
    test::TempFolder dir;
    std::string path = dir.path() + "/son.wav";
    std::string bytes;
    for (int i = 0; i < 200; ++i) bytes += static_cast<char>(i);
    std::ofstream(path, std::ios::binary) << bytes;
    MailMessage m = Message("ligne 1\n.\nligne 3");
    m.attachments = {path};
    SmtpRun run;
    Converse(run, SmtpScript{}, m, Target("127.0.0.1", 0));
    ASSERT_EQ(run.result, kTaskDone);
    auto data = std::find(run.transcript.begin(), run.transcript.end(), "DATA");
    ASSERT_NE(data, run.transcript.end());
    std::vector<std::string> body(data + 1, std::find(data, run.transcript.end(), "."));
    auto text = std::find(body.begin(), body.end(), "ligne 1");
    ASSERT_NE(text, body.end());
    EXPECT_EQ(*(text + 1), "..");
    EXPECT_EQ(*(text + 2), "ligne 3");
    auto b64 = std::find(body.begin(), body.end(), "Content-Disposition: attachment; filename=\"son.wav\"");
    ASSERT_NE(b64, body.end());
    EXPECT_EQ((b64 + 2)->size(), 76u);
    EXPECT_EQ(*(b64 + 2), "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4");
    // The end-of-data mark brings its own line break after the closing boundary's.
    ASSERT_GE(body.size(), 2u);
    EXPECT_EQ(body[body.size() - 2], "--gc0p4Jq0M2Yt08jU534c0--");
    EXPECT_EQ(body.back(), "");
}

}  // namespace
}  // namespace sv
