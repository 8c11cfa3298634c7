#pragma once
// A TCP server on 127.0.0.1 for tests of line-oriented clients: it listens on a free port and
// runs a handler, on its own thread, for each connection it accepts. The handler reads the
// client's lines and sends whatever the test scripts (partial lines, long lines, silence).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sv::test {

class ScriptedLineServer;

class ServerConnection {
public:
    ServerConnection(int fd, ScriptedLineServer& server) : fd_(fd), server_(server) {}
    // The next line without "\r\n", also kept in the server's record; false when the client closed or nothing came in time.
    bool ReadLine(std::string& line, int timeoutMs = 5000);
    void Send(const std::string& text);
    // Waits until the client closes the connection (or timeoutMs passes).
    void WaitForClose(int timeoutMs = 15000);
    ScriptedLineServer& Server() { return server_; }

private:
    int fd_;
    ScriptedLineServer& server_;
    std::string buffer_;
};

class ScriptedLineServer {
public:
    explicit ScriptedLineServer(std::function<void(ServerConnection&)> handler, int connections = 1);
    ~ScriptedLineServer();
    ScriptedLineServer(const ScriptedLineServer&) = delete;
    ScriptedLineServer& operator=(const ScriptedLineServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // Every line the clients sent, in order.
    std::vector<std::string> Received() const;
    void Record(const std::string& line);

private:
    int listen_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<std::string> received_;
    std::thread thread_;
};

// A loopback port on which nobody listens (bound, then closed): connecting to it is refused.
std::uint16_t ClosedPort();

}  // namespace sv::test
