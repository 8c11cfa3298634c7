#include "net/UpdateCheck.h"

#include "core/Host.h"
#include "core/ProgressTask.h"
#include "core/Workspace.h"
#include "net/DesktopLauncher.h"
#include "net/LineSocket.h"
#include "net/MakerSite.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cctype>
#include <chrono>

namespace sv {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A server that keeps the connection open after the body it announced has still answered.
bool ReplyComplete(const std::string& reply) {
    std::size_t headEnd = reply.find("\r\n\r\n");
    if (headEnd == std::string::npos) return false;
    std::string head = Lower(reply.substr(0, headEnd));
    std::size_t at = head.find("\r\ncontent-length:");
    if (at == std::string::npos) return false;
    std::size_t digits = head.find_first_of("0123456789", at + 17);
    if (digits == std::string::npos) return false;
    std::size_t length = 0;
    for (std::size_t i = digits; i < head.size() && std::isdigit(static_cast<unsigned char>(head[i])); ++i) {
        length = length * 10 + static_cast<std::size_t>(head[i] - '0');
        if (length > kMaxVersionReply) return false;
    }
    return reply.size() - (headEnd + 4) >= length;
}

}  // namespace

UpdateServer UpdateServerFromSettings(const Settings& settings) {
    UpdateServer server;
    server.host = settings.ReadSetting("Settings", "UpdateServer");
    if (server.host.empty()) server.host = kVersionServer;
    int port = settings.ReadIntSetting("Settings", "UpdatePort", 80);
    server.port = port > 0 && port < 65536 ? static_cast<std::uint16_t>(port) : 80;
    server.path = kVersionPath;
    return server;
}

std::optional<int> ParseVersionHundredths(const std::string& text) {
    std::size_t i = 0;
    long whole = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > 1000000) return std::nullopt;
        ++i;
    }
    if (i == 0) return std::nullopt;
    int hundredths = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int place = 10; place >= 1; place /= 10) {
            if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) break;
            hundredths += (text[i] - '0') * place;
            ++i;
        }
    }
    return static_cast<int>(whole * 100 + hundredths);
}

std::optional<VersionFile> ParseVersionReply(const std::string& reply) {
    // A captive portal's page or an error page is not a version file: status 200 or nothing.
    std::size_t lineEnd = reply.find('\n');
    std::string status = reply.substr(0, lineEnd);
    if (status.compare(0, 7, "HTTP/1.") != 0 || status.size() < 12 || status.compare(8, 4, " 200") != 0 ||
        (status.size() > 12 && status[12] != ' ' && status[12] != '\r'))
        return std::nullopt;
    std::size_t bodyAt = reply.find("\r\n\r\n");
    std::size_t gap = 4;
    if (bodyAt == std::string::npos) {
        bodyAt = reply.find("\n\n");
        gap = 2;
    }
    if (bodyAt == std::string::npos) return std::nullopt;
    std::string body = reply.substr(bodyAt + gap);
    std::size_t at = body.find("version=");
    if (at == std::string::npos) return std::nullopt;
    std::optional<int> version = ParseVersionHundredths(body.substr(at + 8, 16));
    if (!version) return std::nullopt;
    VersionFile file;
    file.version = *version;
    std::size_t info = body.find("info=");
    if (info != std::string::npos) {
        std::size_t end = body.find_first_of("&\r\n", info + 5);
        file.info = body.substr(info + 5, end == std::string::npos ? std::string::npos : end - info - 5);
    }
    return file;
}

bool IsMakerAddress(const std::string& address) {
    if (address.size() > 2000) return false;
    for (unsigned char c : address)
        if (c <= 0x20 || c >= 0x7F || c == '\\') return false;
    std::string lower = Lower(address);
    const std::string scheme = "https://";
    if (lower.compare(0, scheme.size(), scheme) != 0) return false;
    std::size_t end = lower.find_first_of("/?#", scheme.size());
    std::string host = lower.substr(scheme.size(), end == std::string::npos ? std::string::npos : end - scheme.size());
    // No user part and no port: "https://quillonacoustics.com@elsewhere" leads elsewhere.
    if (host.find_first_of("@:") != std::string::npos) return false;
    const std::string domain = kMakerDomain;
    return host == domain || EndsWith(host, "." + domain);
}

int FetchVersionFile(const UpdateServer& server, LProgressTask& task, std::string& reply) {
    reply.clear();
    if (server.host.empty() || server.host.size() > 259 || server.path.size() > 259) return kTaskFailed;
    CancelCheck cancel = [&task] { return task.Pump(); };
    LineSocket socket;
    int rc = socket.Connect(server.host, server.port, server.budgetMs, cancel, true);
    if (rc != kSocketDone) return rc;
    rc = socket.Send("GET " + server.path + " HTTP/1.0\r\nHost: " + server.host + "\r\n\r\n", server.budgetMs, cancel);
    if (rc != kSocketDone) return rc;
    // A server that trickles its bytes is held to a whole-reply limit too.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(6LL * server.budgetMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return kTaskFailed;
        bool ended = false;
        int budget = static_cast<int>(std::min<long long>(server.budgetMs, left.count()));
        rc = socket.ReadSome(reply, kMaxVersionReply - reply.size(), budget, cancel, ended);
        if (rc != kSocketDone) return rc;
        if (ended || reply.size() >= kMaxVersionReply || ReplyComplete(reply)) return kTaskDone;
    }
}

void CheckForUpdates(Workspace& ws, const UpdateServer& server) {
    std::string reply;
    FunctionTask task("Vérification des Mises à Jour",
                      [&](LProgressTask& t) { return FetchVersionFile(server, t, reply); });
    if (!RunTask(ws.host(), task)) return;
    std::optional<VersionFile> file = ParseVersionReply(reply);
    if (!file) return;
    int own = ParseVersionHundredths(kOwnVersion).value_or(0);
    if (file->version < 100 || own < 100) return;
    if (file->version <= own) {
        ws.host().MessageBox("La version actuelle est à jour", "Version Actuelle", MsgIcon::Information,
                             MsgButtons::Ok);
        return;
    }
    MsgAnswer answer = ws.host().MessageBox(
        "Une version mise à jour de ce logiciel est dès à présent disponible en ligne. Voulez vous plus "
        "d'informations sur cette nouvelle version?",
        "Version Mise à Jour Disponible", MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer != MsgAnswer::Yes) return;
    if (!file->info.empty() && IsMakerAddress(file->info)) LaunchDesktopProgram({"xdg-open", file->info});
    ws.settings().WriteIntUserSetting("Settings", "LastCheckVersion", file->version);
}

}  // namespace sv
