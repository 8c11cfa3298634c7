#pragma once
// The SMTP conversation that sends a message: greeting, HELO (or EHLO when logging on or when
// encryption is wanted), STARTTLS, AUTH LOGIN, MAIL FROM, RCPT TO for each recipient, DATA,
// the message, QUIT. Runs under a task: 0 done, 1 cancelled, 2 failed after one message
// through the task's error call.
#include "net/MailMessage.h"
#include "net/MailServer.h"

#include <cstdint>
#include <string>

namespace sv {

class LProgressTask;

struct SmtpBudgets {
    int connectMs = 10000;
    int commandMs = 20000;
    int bodyMs = 30000;
    int replyMs = 40000;
};

struct SmtpTarget {
    MailServer server;
    std::uint16_t port = 25;
    // STARTTLS even without logging on, refusing a server that does not offer it.
    bool requireTls = false;
    // The user has allowed this server to receive the password unencrypted.
    bool allowPlainLogin = false;
    // Trusted authorities for the server's certificate; empty: the system's.
    std::string caFile;
    // The name given to HELO / EHLO; empty: this machine's host name.
    std::string localName;
    SmtpBudgets budgets;
};

int SendMailBySmtp(const MailMessage& message, const SmtpTarget& target, LProgressTask& task);

}  // namespace sv
