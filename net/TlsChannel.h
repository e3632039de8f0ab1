#pragma once
// TLS over a connected non-blocking socket, with OpenSSL. It never waits: every step says what it needs
// (the socket readable or writable) and the socket component does the waiting, so a handshake is bounded by
// the same time-out, cancelled the same way and pumps the program's pending work as any other wait.
//
// The server must prove who it is: TLS 1.2 or later, a chain that verifies against the system's trust
// store (OpenSSL's default paths, so SSL_CERT_FILE and SSL_CERT_DIR apply), whose subjectAltName names the
// host name or IP address the user typed. There is no way to turn this off.

#include <cstddef>
#include <memory>
#include <string>

namespace net {

class TlsChannel {
public:
    // What a step that could not finish waits for.
    enum class Need { Nothing, Readable, Writable };

    // `host` is the name or the dotted address the connection was made to; the certificate must be issued to it.
    TlsChannel(int socket, const std::string& host);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // One step of the handshake: true once it is complete. A failure throws ETlsError with the reason
    // (OpenSSL's verification text where the certificate was the trouble).
    bool Handshake(Need& need);
    // Up to `size` bytes of plain text; 0 with need Nothing once the peer has closed; 0 with a need while
    // nothing is there yet. A broken session throws ETlsError.
    std::size_t Read(char* into, std::size_t size, Need& need);
    // Some of `size` bytes, 0 with a need while the socket takes nothing.
    std::size_t Write(const char* from, std::size_t size, Need& need);
    // Plain text already decrypted and waiting.
    bool Pending() const;
    // Tells the peer the session ends, without waiting for its answer.
    void Close();

private:
    struct Session;
    std::unique_ptr<Session> session_;
};

}  // namespace net
