#include "support/ScriptedLineServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace sv::test {

std::uint16_t ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

bool ServerConnection::ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t scanned = 0;
    for (;;) {
        std::size_t nl = buffer_.find('\n', scanned);
        scanned = buffer_.size();
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            buffer_.erase(0, nl + 1);
            server_.Record(line);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[1024];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

void ServerConnection::Send(const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

void ServerConnection::WaitForClose(int timeoutMs) {
    std::string ignored;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            char chunk[256];
            if (::recv(fd_, chunk, sizeof chunk, 0) <= 0) return;
        }
    }
}

ScriptedLineServer::ScriptedLineServer(std::function<void(ServerConnection&)> handler, int connections) {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listen_, 4);
    socklen_t len = sizeof addr;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this, handler = std::move(handler), connections] {
        for (int served = 0; served < connections && !stop_;) {
            pollfd p{listen_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) continue;
            ServerConnection connection(fd, *this);
            handler(connection);
            ::close(fd);
            ++served;
        }
    });
}

ScriptedLineServer::~ScriptedLineServer() {
    stop_ = true;
    thread_.join();
    ::close(listen_);
}

std::vector<std::string> ScriptedLineServer::Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

void ScriptedLineServer::Record(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(line);
}

}  // namespace sv::test
