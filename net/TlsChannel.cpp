#include "net/TlsChannel.h"

#include "net/Exceptions.h"

#include <cerrno>
#include <cstdint>

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace net {

namespace {

int SocketOf(BIO* bio)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

bool Retryable(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

// OpenSSL's own socket BIO writes with write(), which raises SIGPIPE on a connection the peer has reset
// and would end the program; this one sends as the rest of the component does, with MSG_NOSIGNAL.
int SendToSocket(BIO* bio, const char* data, std::size_t size, std::size_t* written)
{
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(SocketOf(bio), data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0) {
        *written = static_cast<std::size_t>(sent);
        return 1;
    }
    if (Retryable(errno)) {
        BIO_set_retry_write(bio);
    }
    return 0;
}

int ReceiveFromSocket(BIO* bio, char* data, std::size_t size, std::size_t* received)
{
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(SocketOf(bio), data, size, MSG_DONTWAIT);
    if (got > 0) {
        *received = static_cast<std::size_t>(got);
        return 1;
    }
    // Nothing received and no retry flag is the peer's end of the stream.
    if (got < 0 && Retryable(errno)) {
        BIO_set_retry_read(bio);
    }
    return 0;
}

long ControlSocket(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

const BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* const method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "quillonv socket");
        if (made != nullptr) {
            BIO_meth_set_write_ex(made, SendToSocket);
            BIO_meth_set_read_ex(made, ReceiveFromSocket);
            BIO_meth_set_ctrl(made, ControlSocket);
        }
        return made;
    }();
    return method;
}

bool IsAddress(const std::string& host)
{
    unsigned char address[16];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 || ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// The first error OpenSSL queued, as its text.
std::string QueuedError(const char* otherwise)
{
    const unsigned long error = ERR_get_error();
    if (error == 0) {
        return otherwise;
    }
    char text[256];
    ERR_error_string_n(error, text, sizeof text);
    return text;
}

}  // namespace

struct TlsChannel::Session {
    SSL_CTX* context = nullptr;
    SSL* ssl = nullptr;

    ~Session()
    {
        SSL_free(ssl);
        SSL_CTX_free(context);
    }

    // What a step that did not succeed waits for; anything but a wait is a failure.
    Need WaitOrThrow(int result, const char* failure) const
    {
        switch (SSL_get_error(ssl, result)) {
        case SSL_ERROR_WANT_READ:
            return Need::Readable;
        case SSL_ERROR_WANT_WRITE:
            return Need::Writable;
        default:
            throw ETlsError(QueuedError(failure));
        }
    }
};

TlsChannel::TlsChannel(int socket, const std::string& host) : session_(std::make_unique<Session>())
{
    ERR_clear_error();
    // A context per connection: the trust store is read as the environment names it now.
    SSL_CTX* context = session_->context = SSL_CTX_new(TLS_client_method());
    BIO* bio = SocketMethod() != nullptr ? BIO_new(SocketMethod()) : nullptr;
    if (context == nullptr || bio == nullptr) {
        BIO_free(bio);
        throw ETlsError(QueuedError("TLS could not be set up"));
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_default_verify_paths(context);
    // The replies end in their own terminators, so a stream cut short is found without close_notify, which
    // many servers never send after QUIT.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL* ssl = session_->ssl = SSL_new(context);
    if (ssl == nullptr) {
        BIO_free(bio);
        throw ETlsError(QueuedError("TLS could not be set up"));
    }
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl, bio, bio);
    // RFC 9525: the name is looked up in subjectAltName only, never in the subject's CN, and a wildcard
    // stands for a whole left-most label ("*.example.jp", never "f*.example.jp").
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NEVER_CHECK_SUBJECT | X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    const bool named = IsAddress(host) ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1
                                       : SSL_set1_host(ssl, host.c_str()) == 1 &&
                                             SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
    if (!named) {
        throw ETlsError("The server name cannot be checked against a certificate: " + host);
    }
}

TlsChannel::~TlsChannel() = default;

bool TlsChannel::Handshake(Need& need)
{
    ERR_clear_error();
    const int result = SSL_connect(session_->ssl);
    if (result == 1) {
        need = Need::Nothing;
        return true;
    }
    const long verified = SSL_get_verify_result(session_->ssl);
    if (verified != X509_V_OK) {
        throw ETlsError(std::string("certificate verify failed: ") + X509_verify_cert_error_string(verified));
    }
    need = session_->WaitOrThrow(result, "The server did not answer in TLS");
    return false;
}

std::size_t TlsChannel::Read(char* into, std::size_t size, Need& need)
{
    ERR_clear_error();
    std::size_t read = 0;
    const int result = SSL_read_ex(session_->ssl, into, size, &read);
    need = Need::Nothing;
    if (result == 1) {
        return read;
    }
    if (SSL_get_error(session_->ssl, result) == SSL_ERROR_ZERO_RETURN) {
        return 0;
    }
    need = session_->WaitOrThrow(result, "The TLS session broke down");
    return 0;
}

std::size_t TlsChannel::Write(const char* from, std::size_t size, Need& need)
{
    ERR_clear_error();
    std::size_t written = 0;
    const int result = SSL_write_ex(session_->ssl, from, size, &written);
    need = Need::Nothing;
    if (result == 1) {
        return written;
    }
    need = session_->WaitOrThrow(result, "The TLS session broke down");
    return 0;
}

bool TlsChannel::Pending() const
{
    return SSL_pending(session_->ssl) > 0;
}

void TlsChannel::Close()
{
    ERR_clear_error();
    SSL_shutdown(session_->ssl);
}

}  // namespace net
