// Sending speed: a 10-minute stereo WAV (about 100 MB) mailed as an attachment to a local
// server that accepts and discards the data. Memory stays flat: the file is read, encoded and
// sent one piece of 64 Base64 lines at a time, whatever its length.
#include "Bench.h"

#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"
#include "net/SmtpClient.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sv::bench {
namespace {

constexpr std::int64_t kFileBytes = 10LL * 60 * 44100 * 4;

// Reads lines; answers the commands a client of the bench sends, swallows the data.
void SinkServer(int listenFd) {
    int fd = ::accept(listenFd, nullptr, nullptr);
    if (fd < 0) return;
    auto say = [fd](const char* text) { (void)!::send(fd, text, std::strlen(text), MSG_NOSIGNAL); };
    say("220 sink\r\n");
    std::string pending;
    bool inData = false;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t start = 0, end;
        while ((end = pending.find("\r\n", start)) != std::string::npos) {
            std::string line = pending.substr(start, end - start);
            start = end + 2;
            if (inData) {
                if (line == ".") {
                    inData = false;
                    say("250 queued\r\n");
                }
                continue;
            }
            if (line.rfind("DATA", 0) == 0) {
                inData = true;
                say("354 go\r\n");
            } else if (line.rfind("QUIT", 0) == 0) {
                say("221 bye\r\n");
                ::close(fd);
                return;
            } else {
                say("250 ok\r\n");
            }
        }
        pending.erase(0, start);
    }
    ::close(fd);
}

Result SmtpAttachmentBench(Context& ctx) {
    std::string path = ctx.workFolder + "/long.wav";
    {
        std::ofstream out(path, std::ios::binary);
        std::vector<char> piece(1 << 20);
        for (std::size_t i = 0; i < piece.size(); ++i) piece[i] = static_cast<char>(i * 7);
        for (std::int64_t written = 0; written < kFileBytes; written += static_cast<std::int64_t>(piece.size()))
            out.write(piece.data(), static_cast<std::streamsize>(std::min<std::int64_t>(piece.size(), kFileBytes - written)));
    }
    int listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd, 1);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    std::thread server(SinkServer, listenFd);

    MailMessage message;
    message.to = "a@example.fr";
    message.from = "b@example.fr";
    message.subject = "bench";
    message.text = "take";
    message.attachments = {path};
    SmtpTarget target;
    target.server.host = "127.0.0.1";
    target.port = ntohs(addr.sin_port);
    HeadlessHost host;
    ResetPeakRss();
    double t0 = NowSeconds();
    FunctionTask task("bench", [&](LProgressTask& t) { return SendMailBySmtp(message, target, t); });
    RunTask(host, task);
    Result r;
    r.wallSeconds = NowSeconds() - t0;
    server.join();
    ::close(listenFd);
    r.audioSeconds = kFileBytes / (44100.0 * 4);
    char note[96];
    std::snprintf(note, sizeof note, "result %d, %.0f MB/s", task.Result(), kFileBytes / 1e6 / r.wallSeconds);
    r.note = note;
    return r;
}

SONVELA_BENCH("smtp_send_10min_attachment", SmtpAttachmentBench);

}  // namespace
}  // namespace sv::bench
