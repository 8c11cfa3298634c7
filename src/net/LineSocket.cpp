#include "net/LineSocket.h"

#include "net/TlsSession.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sv {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Appends the bytes of a line as the line reader keeps them.
void AppendLineBytes(std::string& line, const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] == '\r' || p[i] == '\0') continue;
        if (line.size() < kMaxLineChars) line.push_back(p[i]);
    }
}

}  // namespace

int LineSocket::Resolve(const std::string& host, std::uint16_t port, int budgetMs, const CancelCheck& cancel,
                        std::shared_ptr<addrinfo>& found) {
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &list) == 0 && list) {
        found.reset(list, ::freeaddrinfo);
        return kSocketDone;
    }
    // A name lookup may hang on a dead resolver: it runs on a thread of its own, waited for in
    // slices so that the budget and the cancel check hold. A lookup given up on finishes alone.
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        int rc = 0;
        addrinfo* list = nullptr;
        ~Lookup() {
            if (list) ::freeaddrinfo(list);
        }
    };
    auto lookup = std::make_shared<Lookup>();
    hints.ai_flags = AI_NUMERICSERV;
    std::thread([lookup, host, service, hints] {
        addrinfo* result = nullptr;
        int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &result);
        std::lock_guard<std::mutex> lock(lookup->mutex);
        lookup->rc = rc;
        lookup->list = result;
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(budgetMs, 0));
    std::unique_lock<std::mutex> lock(lookup->mutex);
    while (!lookup->finished) {
        if (cancel) {
            lock.unlock();
            bool cancelled = cancel();
            lock.lock();
            if (cancelled) return kSocketCancelled;
        }
        if (Clock::now() >= deadline) return Fail("délai d'attente dépassé pour trouver " + host);
        lookup->done.wait_for(lock, std::chrono::milliseconds(kConnectSliceMs));
    }
    if (lookup->rc != 0 || !lookup->list)
        return Fail("adresse introuvable : " + host + " (" + ::gai_strerror(lookup->rc) + ")");
    addrinfo* result = std::exchange(lookup->list, nullptr);
    found.reset(result, ::freeaddrinfo);
    return kSocketDone;
}

LineSocket::LineSocket() = default;
LineSocket::~LineSocket() { Close(); }

int LineSocket::Fail(const std::string& why) {
    error_ = why;
    return kSocketFailed;
}

void LineSocket::Close() {
    if (tls_) tls_->Close();
    tls_.reset();
    fd_.Reset();
    received_.clear();
}

int LineSocket::WaitReady(short events, int sliceMs, int& budgetMs, const CancelCheck& cancel) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(budgetMs, 0));
    for (;;) {
        if (cancel && cancel()) {
            budgetMs = RemainingMs(deadline);
            return kSocketCancelled;
        }
        int left = RemainingMs(deadline);
        if (left <= 0) {
            budgetMs = 0;
            return Fail("délai d'attente dépassé");
        }
        pollfd p{fd_.get(), events, 0};
        int n = ::poll(&p, 1, std::min(sliceMs, left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(std::strerror(errno));
        }
        if (n > 0) {
            budgetMs = RemainingMs(deadline);
            return kSocketDone;
        }
    }
}

int LineSocket::Connect(const std::string& host, std::uint16_t port, int budgetMs, const CancelCheck& cancel,
                        bool noDelay) {
    Close();
    error_.clear();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(budgetMs, 0));
    std::shared_ptr<addrinfo> found;
    int resolved = Resolve(host, port, budgetMs, cancel, found);
    if (resolved != kSocketDone) return resolved;

    // Each address in turn: a name with an IPv6 address first may still be reached over IPv4.
    int result = Fail("aucune adresse pour " + host);
    for (const addrinfo* a = found.get(); a; a = a->ai_next) {
        result = ConnectTo(a, RemainingMs(deadline), cancel, noDelay);
        if (result != kSocketFailed) break;
    }
    return result;
}

int LineSocket::ConnectTo(const addrinfo* address, int budgetMs, const CancelCheck& cancel, bool noDelay) {
    fd_.Reset(::socket(address->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!fd_.valid()) return Fail(std::strerror(errno));
    if (noDelay) {
        int one = 1;
        ::setsockopt(fd_.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    if (::connect(fd_.get(), address->ai_addr, address->ai_addrlen) == 0) return kSocketDone;
    if (errno != EINPROGRESS && errno != EINTR) {
        int err = errno;
        Close();
        return Fail(std::strerror(err));
    }
    int waited = WaitReady(POLLOUT, kConnectSliceMs, budgetMs, cancel);
    if (waited != kSocketDone) {
        Close();
        return waited;
    }
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
    if (soError != 0) {
        Close();
        return Fail(std::strerror(soError));
    }
    return kSocketDone;
}

int LineSocket::Send(const std::string& text, int budgetMs, const CancelCheck& cancel) {
    if (!IsOpen()) return Fail("pas de connexion");
    std::size_t sent = 0;
    while (sent < text.size()) {
        std::size_t chunk = std::min(kSendChunk, text.size() - sent);
        short waitFor = POLLOUT;
        long n = Transmit(text.data() + sent, chunk, waitFor);
        if (n == -2) return kSocketFailed;
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            if (static_cast<std::size_t>(n) == chunk) continue;
        }
        int waited = WaitReady(waitFor, kConnectSliceMs, budgetMs, cancel);
        if (waited != kSocketDone) return waited;
    }
    return kSocketDone;
}

int LineSocket::ReadLine(std::string& line, int budgetMs, const CancelCheck& cancel) {
    line.clear();
    if (!IsOpen()) return Fail("pas de connexion");
    std::size_t end = received_.find('\n');
    if (end != std::string::npos) {
        AppendLineBytes(line, received_.data(), end);
        received_.erase(0, end + 1);
        return kSocketDone;
    }
    AppendLineBytes(line, received_.data(), received_.size());
    received_.clear();

    char buffer[4096];
    for (;;) {
        long n = 0;
        const int got = ReceiveWaiting(buffer, sizeof buffer, budgetMs, cancel, n);
        if (got != kSocketDone) return got;
        if (n == 0) return Fail("connexion fermée par le serveur");
        const char* nl = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(n)));
        if (!nl) {
            AppendLineBytes(line, buffer, static_cast<std::size_t>(n));
            continue;
        }
        AppendLineBytes(line, buffer, static_cast<std::size_t>(nl - buffer));
        received_.assign(nl + 1, static_cast<std::size_t>(buffer + n - (nl + 1)));
        return kSocketDone;
    }
}

int LineSocket::ReceiveWaiting(char* buffer, std::size_t size, int& budgetMs, const CancelCheck& cancel, long& n) {
    short waitFor = POLLIN;
    for (;;) {
        if (!HasBufferedInput()) {
            const int waited = WaitReady(waitFor, kReadSliceMs, budgetMs, cancel);
            if (waited != kSocketDone) return waited;
        }
        n = Receive(buffer, size, waitFor);
        if (n == -2) return kSocketFailed;
        if (n >= 0) return kSocketDone;
    }
}

bool LineSocket::HasBufferedInput() const { return tls_ && tls_->Pending() > 0; }

long LineSocket::TlsOutcome(long n, short& waitEvents) {
    if (n == -1) waitEvents = tls_->WantsWrite() ? POLLOUT : POLLIN;
    if (n == -2) Fail(tls_->ErrorText());
    return n;
}

long LineSocket::PlainOutcome(ssize_t n) {
    if (n >= 0) return static_cast<long>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return -1;
    Fail(std::strerror(errno));
    return -2;
}

long LineSocket::Receive(char* buffer, std::size_t size, short& waitEvents) {
    if (tls_) return TlsOutcome(tls_->Read(buffer, size), waitEvents);
    waitEvents = POLLIN;
    return PlainOutcome(::recv(fd_.get(), buffer, size, 0));
}

long LineSocket::Transmit(const char* data, std::size_t size, short& waitEvents) {
    if (tls_) return TlsOutcome(tls_->Write(data, size), waitEvents);
    waitEvents = POLLOUT;
    return PlainOutcome(::send(fd_.get(), data, size, MSG_NOSIGNAL));
}

int LineSocket::ReadSome(std::string& out, std::size_t max, int budgetMs, const CancelCheck& cancel, bool& ended) {
    ended = false;
    if (!IsOpen()) return Fail("pas de connexion");
    if (max == 0) return kSocketDone;
    if (!received_.empty()) {
        std::size_t take = std::min(max, received_.size());
        out.append(received_, 0, take);
        received_.erase(0, take);
        return kSocketDone;
    }
    char buffer[4096];
    long n = 0;
    const int got = ReceiveWaiting(buffer, std::min(max, sizeof buffer), budgetMs, cancel, n);
    if (got != kSocketDone) return got;
    if (n == 0) ended = true;
    out.append(buffer, static_cast<std::size_t>(n));
    return kSocketDone;
}

int LineSocket::StartTls(const std::string& serverName, const std::string& caFile, int budgetMs,
                         const CancelCheck& cancel) {
    if (!IsOpen()) return Fail("pas de connexion");
    if (tls_) return kSocketDone;
    // Bytes the server sent before the handshake would be read as plain text: refuse them.
    if (!received_.empty()) return Fail("TLS: unexpected data before the handshake");
    auto session = std::make_unique<TlsSession>();
    if (!session->Begin(fd_.get(), serverName, caFile)) return Fail(session->ErrorText());
    for (;;) {
        TlsSession::Step step = session->Handshake();
        if (step == TlsSession::kStepDone) break;
        if (step == TlsSession::kStepFailed) return Fail(session->ErrorText());
        int waited = WaitReady(session->WantsWrite() ? POLLOUT : POLLIN, kReadSliceMs, budgetMs, cancel);
        if (waited != kSocketDone) return waited;
    }
    tls_ = std::move(session);
    return kSocketDone;
}

}  // namespace sv
