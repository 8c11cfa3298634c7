#pragma once
// A TCP connection for line-oriented protocols (CDDB, SMTP, FTP control, HTTP headers). The
// socket never blocks: every wait is a poll in short slices, the cancel check runs between
// slices and each call has a time budget. Results are 0 (done), 1 (cancelled), 2 (failed);
// after 1 or 2 from Connect the socket is closed, and ErrorText() says what went wrong.
#include "platform/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

struct addrinfo;

namespace sv {

class TlsSession;

// True once the user has cancelled; polled between waits.
using CancelCheck = std::function<bool()>;

enum SocketResult { kSocketDone = 0, kSocketCancelled = 1, kSocketFailed = 2 };

// Network lines are cut to this many characters; the rest of a longer line is dropped.
constexpr std::size_t kMaxLineChars = 259;

class LineSocket {
public:
    static constexpr int kConnectSliceMs = 200;
    static constexpr int kReadSliceMs = 300;
    static constexpr std::size_t kSendChunk = 1024;

    LineSocket();
    ~LineSocket();
    LineSocket(const LineSocket&) = delete;
    LineSocket& operator=(const LineSocket&) = delete;

    // Resolves host (a numeric address first, else a name lookup) and connects to the first
    // of its addresses that answers, all within budgetMs. noDelay turns Nagle's algorithm off.
    int Connect(const std::string& host, std::uint16_t port, int budgetMs, const CancelCheck& cancel,
                bool noDelay = false);
    // Sends all of text, at most 1024 bytes per call, waiting for room within budgetMs.
    int Send(const std::string& text, int budgetMs, const CancelCheck& cancel);
    // The next line without its "\n" (a "\r" is dropped, characters beyond 259 too). The
    // budget covers the whole line: a peer that never ends its line fails at the budget.
    int ReadLine(std::string& line, int budgetMs, const CancelCheck& cancel);
    // Whatever bytes arrive next, at most max of them, appended to out; ended is set when the
    // peer has closed the connection (out then may hold the last bytes).
    int ReadSome(std::string& out, std::size_t max, int budgetMs, const CancelCheck& cancel, bool& ended);
    // Turns the open connection into TLS (after a STARTTLS exchange): the handshake and the
    // certificate check against serverName, within budgetMs. caFile empty: the system's trust.
    int StartTls(const std::string& serverName, const std::string& caFile, int budgetMs, const CancelCheck& cancel);
    void Close();

    bool IsOpen() const { return fd_.valid(); }
    bool Encrypted() const { return tls_ != nullptr; }
    const std::string& ErrorText() const { return error_; }

private:
    // Waits until the socket is ready for events (POLLIN / POLLOUT): 0 ready, 1, 2 as above.
    int WaitReady(short events, int sliceMs, int& budgetMs, const CancelCheck& cancel);
    int Fail(const std::string& why);
    int ConnectTo(const addrinfo* address, int budgetMs, const CancelCheck& cancel, bool noDelay);
    int Resolve(const std::string& host, std::uint16_t port, int budgetMs, const CancelCheck& cancel,
                std::shared_ptr<addrinfo>& found);

    // Through TLS once started: > 0 bytes, 0 closed (receive), -1 wait for waitEvents, -2 failed.
    long Receive(char* buffer, std::size_t size, short& waitEvents);
    // Waits for input (spending budgetMs) and receives at most size bytes: kSocketDone with the
    // count in n (0 when the peer has ended), or what the wait or the failure gave.
    int ReceiveWaiting(char* buffer, std::size_t size, int& budgetMs, const CancelCheck& cancel, long& n);
    long Transmit(const char* data, std::size_t size, short& waitEvents);
    // What Receive and Transmit return for a TLS or a plain socket call's result n: n, -1 to
    // wait (the events to wait for in waitEvents) or -2 when failed.
    long TlsOutcome(long n, short& waitEvents);
    long PlainOutcome(ssize_t n);
    // The bytes already held (past the last line, or inside the TLS session) need no wait.
    bool HasBufferedInput() const;

    UniqueFd fd_;
    std::unique_ptr<TlsSession> tls_;
    std::string received_;  // bytes read past the end of the last line
    std::string error_;
};

}  // namespace sv
