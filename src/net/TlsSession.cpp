#include "net/TlsSession.h"

#include <cerrno>

#include <arpa/inet.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <sys/socket.h>

namespace sv {

namespace {

// The socket layer's own send: no SIGPIPE when the peer has gone.
ssize_t PushBytes(gnutls_transport_ptr_t fdPtr, const void* data, size_t size) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(fdPtr));
    return ::send(fd, data, size, MSG_NOSIGNAL);
}

ssize_t PullBytes(gnutls_transport_ptr_t fdPtr, void* data, size_t size) {
    int fd = static_cast<int>(reinterpret_cast<intptr_t>(fdPtr));
    return ::recv(fd, data, size, 0);
}

bool IsNumericAddress(const std::string& host) {
    unsigned char buffer[16];
    return ::inet_pton(AF_INET, host.c_str(), buffer) == 1 || ::inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace

struct TlsSession::Impl {
    gnutls_certificate_credentials_t credentials = nullptr;
    gnutls_session_t session = nullptr;
    std::string serverName;
    ~Impl() {
        if (session) gnutls_deinit(session);
        if (credentials) gnutls_certificate_free_credentials(credentials);
    }
};

TlsSession::TlsSession() : impl_(std::make_unique<Impl>()) {}
TlsSession::~TlsSession() = default;

bool TlsSession::Begin(int fd, const std::string& serverName, const std::string& caFile) {
    Impl& s = *impl_;
    s.serverName = serverName;
    if (gnutls_certificate_allocate_credentials(&s.credentials) != GNUTLS_E_SUCCESS) {
        error_ = "TLS: credentials unavailable";
        return false;
    }
    int trusted = caFile.empty() ? gnutls_certificate_set_x509_system_trust(s.credentials)
                                 : gnutls_certificate_set_x509_trust_file(s.credentials, caFile.c_str(),
                                                                          GNUTLS_X509_FMT_PEM);
    if (trusted <= 0) {
        error_ = "TLS: no trusted certificate authorities";
        return false;
    }
    if (gnutls_init(&s.session, GNUTLS_CLIENT | GNUTLS_NONBLOCK) != GNUTLS_E_SUCCESS ||
        gnutls_set_default_priority(s.session) != GNUTLS_E_SUCCESS ||
        gnutls_credentials_set(s.session, GNUTLS_CRD_CERTIFICATE, s.credentials) != GNUTLS_E_SUCCESS) {
        error_ = "TLS: session unavailable";
        return false;
    }
    // Server name indication takes names only; an address is still checked against the certificate.
    if (!IsNumericAddress(serverName))
        gnutls_server_name_set(s.session, GNUTLS_NAME_DNS, serverName.data(), serverName.size());
    gnutls_session_set_verify_cert(s.session, serverName.c_str(), 0);
    gnutls_transport_set_ptr(s.session, reinterpret_cast<gnutls_transport_ptr_t>(static_cast<intptr_t>(fd)));
    gnutls_transport_set_push_function(s.session, PushBytes);
    gnutls_transport_set_pull_function(s.session, PullBytes);
    gnutls_handshake_set_timeout(s.session, 0);
    return true;
}

TlsSession::Step TlsSession::Handshake() {
    int rc = gnutls_handshake(impl_->session);
    if (rc == GNUTLS_E_SUCCESS) return kStepDone;
    if (rc == GNUTLS_E_AGAIN || rc == GNUTLS_E_INTERRUPTED) return kStepAgain;
    if (rc == GNUTLS_E_CERTIFICATE_VERIFICATION_ERROR) {
        unsigned status = gnutls_session_get_verify_cert_status(impl_->session);
        gnutls_datum_t text{};
        if (gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0) == 0) {
            error_ = std::string("TLS: ") + reinterpret_cast<const char*>(text.data);
            gnutls_free(text.data);
            return kStepFailed;
        }
    }
    error_ = std::string("TLS: ") + gnutls_strerror(rc);
    return kStepFailed;
}

long TlsSession::Read(char* buffer, std::size_t size) {
    ssize_t n = gnutls_record_recv(impl_->session, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) return -1;
    // A peer that drops the connection without the closing alert has still ended it.
    if (n == GNUTLS_E_PREMATURE_TERMINATION) return 0;
    error_ = std::string("TLS: ") + gnutls_strerror(static_cast<int>(n));
    return -2;
}

long TlsSession::Write(const char* data, std::size_t size) {
    ssize_t n = gnutls_record_send(impl_->session, data, size);
    if (n > 0) return static_cast<long>(n);
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) return -1;
    error_ = std::string("TLS: ") + gnutls_strerror(static_cast<int>(n));
    return -2;
}

bool TlsSession::WantsWrite() const { return gnutls_record_get_direction(impl_->session) == 1; }

std::size_t TlsSession::Pending() const { return gnutls_record_check_pending(impl_->session); }

void TlsSession::Close() {
    if (impl_->session) gnutls_bye(impl_->session, GNUTLS_SHUT_WR);
}

}  // namespace sv
