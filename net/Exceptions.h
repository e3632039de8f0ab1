#pragma once
// The failures of the mail components. Every one carries a message text; the socket layer's own classes
// let a caller tell socket trouble and user aborts apart from protocol refusals.

#include <stdexcept>
#include <string>

namespace net {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message), message_(message) {}
    // The whole text, also when a server's reply put a zero byte into it (what() stops there).
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

class ESockError : public Exception {
public:
    using Exception::Exception;
};

// A wait ended by Cancel or by the time-out timer.
class EAbortError : public ESockError {
public:
    using ESockError::ESockError;
};

// TLS could not be set up or broke down: the certificate, the name, the handshake or the session.
class ETlsError : public ESockError {
public:
    using ESockError::ESockError;
};

// The server closed the connection on a command that RFC 1939 servers need not know (CAPA, UIDL); the
// session is gone, but the server may serve a session that does without the command.
class EOptionalCommandRefused : public Exception {
public:
    using Exception::Exception;
};

}  // namespace net
