#include "net/SmtpClient.h"

#include "core/ProgressTask.h"
#include "net/Base64.h"
#include "net/LineSocket.h"
#include "net/SmtpReply.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <vector>

#include <unistd.h>

namespace sv {

namespace {

using Reply = SmtpReply;

std::string LocalName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !name[0]) return "localhost";
    return name;
}

class SmtpSession {
public:
    SmtpSession(const MailMessage& message, const SmtpTarget& target, LProgressTask& task)
        : message_(message), target_(target), task_(task), cancel_([&task] { return task.Pump(); }) {}

    int Run();

private:
    // Reads one reply to its last line; false when none came (cancelled_ tells why).
    bool ReadReply(Reply& reply);
    bool Send(const std::string& text, int budgetMs);
    // Sends a command and reads its reply.
    bool Command(const std::string& text, Reply& reply);
    int Fail(const std::string& message);
    int Stopped(const std::string& message) { return cancelled_ ? kTaskCancelled : Fail(message); }
    bool Hello(Reply& reply, bool extended);
    int StartTls(Reply& hello);
    int Authenticate();
    int SendBody();
    int SendAttachment(const std::string& path, std::ifstream& file, std::uint64_t& done, std::uint64_t total);

    const MailMessage& message_;
    const SmtpTarget& target_;
    LProgressTask& task_;
    CancelCheck cancel_;
    LineSocket socket_;
    bool cancelled_ = false;
    bool failed_ = false;
};

bool SmtpSession::ReadReply(Reply& reply) {
    reply = Reply{};
    // A server that sends continuation lines without end is as good as silent.
    constexpr int kMaxReplyLines = 200;
    for (int n = 0; n < kMaxReplyLines; ++n) {
        std::string line;
        int rc = socket_.ReadLine(line, target_.budgets.replyMs, cancel_);
        if (rc == kSocketCancelled) cancelled_ = true;
        if (rc != kSocketDone) return false;
        if (reply.Add(std::move(line))) return true;
    }
    return false;
}

bool SmtpSession::Send(const std::string& text, int budgetMs) {
    int rc = socket_.Send(text, budgetMs, cancel_);
    if (rc == kSocketCancelled) cancelled_ = true;
    return rc == kSocketDone;
}

bool SmtpSession::Command(const std::string& text, Reply& reply) {
    return Send(text, target_.budgets.commandMs) && ReadReply(reply);
}

int SmtpSession::Fail(const std::string& message) {
    socket_.Close();
    task_.Error(message);
    return kTaskFailed;
}

bool SmtpSession::Hello(Reply& reply, bool extended) {
    std::string name = target_.localName.empty() ? LocalName() : target_.localName;
    return Command((extended ? "EHLO " : "HELO ") + name + "\r\n", reply);
}

int SmtpSession::StartTls(Reply& hello) {
    const std::string& host = target_.server.host;
    if (!hello.Offers("STARTTLS"))
        return Fail("The mail server \"" + host + "\" does not offer an encrypted connection (STARTTLS).");
    Reply reply;
    if (!Command("STARTTLS\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 220) return Fail("Mail host server error (STARTTLS not accepted)");
    int rc = socket_.StartTls(host, target_.caFile, target_.budgets.connectMs, cancel_);
    if (rc == kSocketCancelled) return kTaskCancelled;
    if (rc != kSocketDone)
        return Fail("Unable to set up an encrypted connection with the mail server \"" + host + "\" (" +
                    socket_.ErrorText() + ").");
    // What the server offered before encryption may have been forged: ask again.
    if (!Hello(hello, true)) return Stopped("Mail server not responding");
    if (hello.Code() != 250) return Fail("Mail host server error (HELO not accepted)");
    return kTaskDone;
}

int SmtpSession::Authenticate() {
    Reply reply;
    if (!Command("AUTH LOGIN\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 334) return kTaskDone;
    if (!Command(Base64Encode(target_.server.user) + "\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 334) return kTaskDone;
    if (!Command(Base64Encode(target_.server.password) + "\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 235) return Fail("Email authentication username or password not accepted");
    return kTaskDone;
}

int SmtpSession::SendAttachment(const std::string& path, std::ifstream& file, std::uint64_t& done,
                                std::uint64_t total) {
    MailComposer composer(message_);
    if (!Send(composer.AttachmentHead(path), target_.budgets.bodyMs)) return Stopped("Mail server not responding");
    constexpr std::size_t kLinesPerPiece = 64;
    std::vector<char> piece(kBase64LineInput * kLinesPerPiece);
    for (;;) {
        file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        std::size_t got = static_cast<std::size_t>(file.gcount());
        if (got == 0) break;
        std::string lines;
        for (std::size_t at = 0; at < got; at += kBase64LineInput) {
            std::size_t n = std::min(kBase64LineInput, got - at);
            lines += Base64Encode(reinterpret_cast<const unsigned char*>(piece.data() + at), n);
            lines += "\r\n";
        }
        if (!Send(lines, target_.budgets.bodyMs)) return Stopped("Mail server not responding");
        done += got;
        task_.SetProgress(0.3 + 0.65 * (total ? double(done) / double(total) : 1.0));
        if (got < piece.size()) break;
    }
    if (file.bad()) return Fail("Unable to read the file \"" + path + "\".");
    return kTaskDone;
}

int SmtpSession::SendBody() {
    MailComposer composer(message_);
    // Every attachment is opened before the first byte goes out, so a missing file sends nothing.
    std::vector<std::unique_ptr<std::ifstream>> files;
    std::uint64_t total = 0;
    for (const std::string& path : message_.attachments) {
        auto file = std::make_unique<std::ifstream>(path, std::ios::binary | std::ios::ate);
        if (!*file) return Fail("Unable to open the file \"" + path + "\".");
        total += static_cast<std::uint64_t>(file->tellg());
        file->seekg(0);
        files.push_back(std::move(file));
    }
    task_.SetProgress(0.2);
    task_.SetText(0, "Sending Message Text");
    if (!Send(composer.Head(std::time(nullptr)), target_.budgets.bodyMs)) return Stopped("Mail server not responding");
    if (!message_.attachments.empty()) {
        task_.SetProgress(0.3);
        task_.SetText(0, "Sending Message Attachment(s)");
        std::uint64_t done = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            int rc = SendAttachment(message_.attachments[i], *files[i], done, total);
            if (rc != kTaskDone) return rc;
        }
        if (!Send(composer.Tail(), target_.budgets.bodyMs)) return Stopped("Mail server not responding");
    }
    return kTaskDone;
}

int SmtpSession::Run() {
    const MailServer& server = target_.server;
    task_.SetText(0, "Connecting to server");
    task_.SetProgress(0);
    std::string problem = MailComposer(message_).Check();
    if (!problem.empty()) return Fail(problem);

    int rc = server.host.empty() ? kSocketFailed
                                 : socket_.Connect(server.host, target_.port, target_.budgets.connectMs, cancel_);
    if (rc == kSocketCancelled) return kTaskCancelled;
    if (rc != kSocketDone) {
        if (server.host.empty())
            return Fail("Unable to send email because you have not entered your SMTP host using Email Settings.");
        return Fail("Unable to connect to mail server \"" + server.host + "\".");
    }

    task_.SetProgress(0.1);
    task_.SetText(0, "Logon to mail server");
    Reply reply;
    if (!ReadReply(reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 220) return Fail("Mail server not responding");

    bool extended = server.HasUser() || target_.requireTls;
    if (!Hello(reply, extended)) return Stopped("Mail server not responding");
    if (reply.Code() != 250) return Fail("Mail host server error (HELO not accepted)");

    if (extended) {
        bool offered = reply.Offers("STARTTLS");
        if (!offered && !target_.requireTls && !target_.allowPlainLogin)
            return Fail("The mail server \"" + server.host +
                        "\" does not offer an encrypted connection (STARTTLS), so the password was not sent. "
                        "Allow an unencrypted logon for this server in the email settings to send anyway.");
        if (offered || target_.requireTls) {
            rc = StartTls(reply);
            if (rc != kTaskDone) return rc;
        }
    }
    if (server.HasUser()) {
        rc = Authenticate();
        if (rc != kTaskDone) return rc;
    }

    if (!Command("MAIL FROM:<" + message_.from + ">\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 250) return Fail("Mail host server error (MAIL FROM not accepted)");

    int accepted = 0;
    for (const std::string& recipient : SplitRecipients(message_.to)) {
        if (!Command("RCPT TO:<" + recipient + ">\r\n", reply)) return Stopped("Mail server not responding");
        if (reply.Code() == 250 || reply.Code() == 251) ++accepted;
    }
    if (accepted == 0)
        return Fail("Mail send error (RCPT TO not accepted). Your server may required authenticated email. Append "
                    ":username:password to the SMTP server name for authentication.");

    if (!Command("DATA\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 354) return Fail("Mail host server error (DATA not accepted)");
    rc = SendBody();
    if (rc != kTaskDone) return rc;
    if (!Command("\r\n.\r\n", reply)) return Stopped("Mail server not responding");
    if (reply.Code() != 250) return Fail("Mail host server error (data terminator not accepted)");

    task_.SetProgress(0.95);
    task_.SetText(0, "Quit");
    // The message is delivered: a server that drops the line at QUIT changes nothing.
    if (Send("QUIT\r\n", target_.budgets.commandMs)) ReadReply(reply);
    socket_.Close();
    return kTaskDone;
}

}  // namespace

int SendMailBySmtp(const MailMessage& message, const SmtpTarget& target, LProgressTask& task) {
    return SmtpSession(message, target, task).Run();
}

}  // namespace sv
