#pragma once
// TLS over a socket that is already connected (STARTTLS): a GnuTLS session on the socket's
// descriptor, which stays non-blocking. The owner waits on the descriptor for what the session
// asks (WantsWrite) and calls again; the server's certificate is checked against the system's
// trusted authorities (or one file of them) and the name the client asked for.
#include <cstddef>
#include <memory>
#include <string>

namespace sv {

class TlsSession {
public:
    enum Step { kStepDone, kStepAgain, kStepFailed };

    TlsSession();
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Prepares a client session on fd. caFile empty: the system's trusted authorities.
    bool Begin(int fd, const std::string& serverName, const std::string& caFile);
    Step Handshake();
    // Bytes moved (> 0), 0 when the peer closed (Read), -1 to wait and call again, -2 failed.
    long Read(char* buffer, std::size_t size);
    long Write(const char* data, std::size_t size);
    // Which way the last call that returned "again" was waiting.
    bool WantsWrite() const;
    // Decrypted bytes held inside the session, readable without waiting on the socket.
    std::size_t Pending() const;
    // Sends the closing alert without waiting for the peer's.
    void Close();

    const std::string& ErrorText() const { return error_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};

}  // namespace sv
