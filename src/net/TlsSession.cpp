#include "net/TlsSession.h"

#include "platform/SharedLibrary.h"

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

// The TLS library, opened with the first secure connection; null when it cannot be.
struct TlsCalls {
    decltype(&gnutls_bye) bye = nullptr;
    decltype(&gnutls_certificate_allocate_credentials) certificate_allocate_credentials = nullptr;
    decltype(&gnutls_certificate_free_credentials) certificate_free_credentials = nullptr;
    decltype(&gnutls_certificate_set_x509_system_trust) certificate_set_x509_system_trust = nullptr;
    decltype(&gnutls_certificate_set_x509_trust_file) certificate_set_x509_trust_file = nullptr;
    decltype(&gnutls_certificate_verification_status_print) certificate_verification_status_print = nullptr;
    decltype(&gnutls_credentials_set) credentials_set = nullptr;
    decltype(&gnutls_deinit) deinit = nullptr;
    decltype(&gnutls_free) free = nullptr;
    decltype(&gnutls_handshake) handshake = nullptr;
    decltype(&gnutls_handshake_set_timeout) handshake_set_timeout = nullptr;
    decltype(&gnutls_init) init = nullptr;
    decltype(&gnutls_record_check_pending) record_check_pending = nullptr;
    decltype(&gnutls_record_get_direction) record_get_direction = nullptr;
    decltype(&gnutls_record_recv) record_recv = nullptr;
    decltype(&gnutls_record_send) record_send = nullptr;
    decltype(&gnutls_server_name_set) server_name_set = nullptr;
    decltype(&gnutls_session_get_verify_cert_status) session_get_verify_cert_status = nullptr;
    decltype(&gnutls_session_set_verify_cert) session_set_verify_cert = nullptr;
    decltype(&gnutls_set_default_priority) set_default_priority = nullptr;
    decltype(&gnutls_strerror) strerror = nullptr;
    decltype(&gnutls_transport_set_ptr) transport_set_ptr = nullptr;
    decltype(&gnutls_transport_set_pull_function) transport_set_pull_function = nullptr;
    decltype(&gnutls_transport_set_push_function) transport_set_push_function = nullptr;
};

const TlsCalls* Tls() {
    static const TlsCalls* calls = [] {
        static TlsCalls c;
        static SharedLibrary lib({"libgnutls.so.30"});
        lib.Bind(c.bye, "gnutls_bye");
        lib.Bind(c.certificate_allocate_credentials, "gnutls_certificate_allocate_credentials");
        lib.Bind(c.certificate_free_credentials, "gnutls_certificate_free_credentials");
        lib.Bind(c.certificate_set_x509_system_trust, "gnutls_certificate_set_x509_system_trust");
        lib.Bind(c.certificate_set_x509_trust_file, "gnutls_certificate_set_x509_trust_file");
        lib.Bind(c.certificate_verification_status_print, "gnutls_certificate_verification_status_print");
        lib.Bind(c.credentials_set, "gnutls_credentials_set");
        lib.Bind(c.deinit, "gnutls_deinit");
        lib.Bind(c.free, "gnutls_free");
        lib.Bind(c.handshake, "gnutls_handshake");
        lib.Bind(c.handshake_set_timeout, "gnutls_handshake_set_timeout");
        lib.Bind(c.init, "gnutls_init");
        lib.Bind(c.record_check_pending, "gnutls_record_check_pending");
        lib.Bind(c.record_get_direction, "gnutls_record_get_direction");
        lib.Bind(c.record_recv, "gnutls_record_recv");
        lib.Bind(c.record_send, "gnutls_record_send");
        lib.Bind(c.server_name_set, "gnutls_server_name_set");
        lib.Bind(c.session_get_verify_cert_status, "gnutls_session_get_verify_cert_status");
        lib.Bind(c.session_set_verify_cert, "gnutls_session_set_verify_cert");
        lib.Bind(c.set_default_priority, "gnutls_set_default_priority");
        lib.Bind(c.strerror, "gnutls_strerror");
        lib.Bind(c.transport_set_ptr, "gnutls_transport_set_ptr");
        lib.Bind(c.transport_set_pull_function, "gnutls_transport_set_pull_function");
        lib.Bind(c.transport_set_push_function, "gnutls_transport_set_push_function");
        return lib.Complete() ? &c : nullptr;
    }();
    return calls;
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
        if (session) Tls()->deinit(session);
        if (credentials) Tls()->certificate_free_credentials(credentials);
    }
};

TlsSession::TlsSession() : impl_(std::make_unique<Impl>()) {}
TlsSession::~TlsSession() = default;

bool TlsSession::Begin(int fd, const std::string& serverName, const std::string& caFile) {
    Impl& s = *impl_;
    s.serverName = serverName;
    if (!Tls()) {
        error_ = "TLS: library unavailable";
        return false;
    }
    if (Tls()->certificate_allocate_credentials(&s.credentials) != GNUTLS_E_SUCCESS) {
        error_ = "TLS: credentials unavailable";
        return false;
    }
    int trusted = caFile.empty() ? Tls()->certificate_set_x509_system_trust(s.credentials)
                                 : Tls()->certificate_set_x509_trust_file(s.credentials, caFile.c_str(),
                                                                          GNUTLS_X509_FMT_PEM);
    if (trusted <= 0) {
        error_ = "TLS: no trusted certificate authorities";
        return false;
    }
    if (Tls()->init(&s.session, GNUTLS_CLIENT | GNUTLS_NONBLOCK) != GNUTLS_E_SUCCESS ||
        Tls()->set_default_priority(s.session) != GNUTLS_E_SUCCESS ||
        Tls()->credentials_set(s.session, GNUTLS_CRD_CERTIFICATE, s.credentials) != GNUTLS_E_SUCCESS) {
        error_ = "TLS: session unavailable";
        return false;
    }
    // Server name indication takes names only; an address is still checked against the certificate.
    if (!IsNumericAddress(serverName))
        Tls()->server_name_set(s.session, GNUTLS_NAME_DNS, serverName.data(), serverName.size());
    Tls()->session_set_verify_cert(s.session, serverName.c_str(), 0);
    Tls()->transport_set_ptr(s.session, reinterpret_cast<gnutls_transport_ptr_t>(static_cast<intptr_t>(fd)));
    Tls()->transport_set_push_function(s.session, PushBytes);
    Tls()->transport_set_pull_function(s.session, PullBytes);
    Tls()->handshake_set_timeout(s.session, 0);
    return true;
}

TlsSession::Step TlsSession::Handshake() {
    int rc = Tls()->handshake(impl_->session);
    if (rc == GNUTLS_E_SUCCESS) return kStepDone;
    if (rc == GNUTLS_E_AGAIN || rc == GNUTLS_E_INTERRUPTED) return kStepAgain;
    if (rc == GNUTLS_E_CERTIFICATE_VERIFICATION_ERROR) {
        unsigned status = Tls()->session_get_verify_cert_status(impl_->session);
        gnutls_datum_t text{};
        if (Tls()->certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0) == 0) {
            error_ = std::string("TLS: ") + reinterpret_cast<const char*>(text.data);
            (*Tls()->free)(text.data);
            return kStepFailed;
        }
    }
    error_ = std::string("TLS: ") + Tls()->strerror(rc);
    return kStepFailed;
}

long TlsSession::Read(char* buffer, std::size_t size) {
    ssize_t n = Tls()->record_recv(impl_->session, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) return -1;
    // A peer that drops the connection without the closing alert has still ended it.
    if (n == GNUTLS_E_PREMATURE_TERMINATION) return 0;
    error_ = std::string("TLS: ") + Tls()->strerror(static_cast<int>(n));
    return -2;
}

long TlsSession::Write(const char* data, std::size_t size) {
    ssize_t n = Tls()->record_send(impl_->session, data, size);
    if (n > 0) return static_cast<long>(n);
    if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED) return -1;
    error_ = std::string("TLS: ") + Tls()->strerror(static_cast<int>(n));
    return -2;
}

bool TlsSession::WantsWrite() const { return Tls()->record_get_direction(impl_->session) == 1; }

std::size_t TlsSession::Pending() const { return Tls()->record_check_pending(impl_->session); }

void TlsSession::Close() {
    if (impl_->session) Tls()->bye(impl_->session, GNUTLS_SHUT_WR);
}

}  // namespace sv
