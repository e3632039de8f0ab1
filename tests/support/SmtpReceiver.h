#pragma once
// A real SMTP receiver for end-to-end tests: Debian's aiosmtpd on 127.0.0.1 and a free port, writing
// every message it accepts into a private folder. Needs python3-aiosmtpd for /usr/bin/python3
// (scripts/install-deps.sh test installs it).

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ServerProcess.h"

namespace testsupport {

class SmtpReceiver {
public:
    struct Message {
        std::string mailFrom;                // the MAIL FROM address, without angle brackets
        std::vector<std::string> rcptTos;    // the accepted RCPT TO addresses, in order
        std::string data;                    // the message as received, dot-stuffing undone, CR LF kept
    };
    struct AuthAttempt {
        std::string user;
        bool accepted;
    };

    SmtpReceiver();   // makes the private folder
    ~SmtpReceiver();  // stops aiosmtpd by PID, removes the folder
    SmtpReceiver(const SmtpReceiver&) = delete;
    SmtpReceiver& operator=(const SmtpReceiver&) = delete;

    // Before Start, at most one of the two TLS modes (certificate and key as PEM files). STARTTLS is
    // offered and required before MAIL; implicit TLS (smtps) speaks TLS from the first byte.
    void RequireStartTls(std::filesystem::path certificate, std::filesystem::path key);
    void UseImplicitTls(std::filesystem::path certificate, std::filesystem::path key);
    // Before Start: mail only after AUTH (PLAIN or LOGIN) as this user, which is only taken inside TLS.
    // Names and passwords must not hold line breaks.
    void RequireAuthentication(std::string user, std::string password);

    // Starts aiosmtpd on a free port and waits until it greets (or, with TLS or authentication, says it
    // listens); throws std::runtime_error with its output when it does not come up within ten seconds.
    void Start();
    void Stop();  // SIGTERM, then SIGKILL if it lingers; the destructor calls it too

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>", usable as a host:port server field

    // Every message accepted so far, in the order of arrival. A message is there as soon as the client
    // has had the reply to its final ".".
    std::vector<Message> ReceivedMessages() const;
    // Every AUTH attempt so far, in order; there as soon as the client has had its reply.
    std::vector<AuthAttempt> AuthAttempts() const;

private:
    enum class Tls { None, StartTls, Implicit };

    void SetTls(Tls mode, std::filesystem::path certificate, std::filesystem::path key);
    bool Plain() const { return tls_ == Tls::None && authUser_.empty(); }
    std::vector<std::string> Arguments() const;
    bool Greets() const;
    bool SaysItListens() const;
    std::string Output() const;

    std::filesystem::path folder_;
    std::uint16_t port_ = 0;
    Tls tls_ = Tls::None;
    std::filesystem::path certificate_;
    std::filesystem::path key_;
    std::string authUser_;  // empty: no authentication
    std::string authPassword_;
    ServerProcess process_{"SmtpReceiver"};
};

}  // namespace testsupport
