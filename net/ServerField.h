#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

// How a connection carries the protocol.
enum class Transport {
    Plain,
    Tls,       // inside TLS from the first byte
    StartTls,  // plain until the client switches to TLS, before anything else is said
};

struct ServerAddress {
    std::string host;
    int port = 0;
    Transport transport = Transport::Plain;
};

// A server field may carry its port ("localhost:1110"); without one, or with a suffix that is no port
// number, the whole field is the host and defaultPort applies. It may also say how to connect:
// "pop3s://host" (port 995) and "smtps://host" (465) are TLS, "submission://host" (587) is STARTTLS;
// without a scheme the ports 995 and 465 are TLS and 587 is STARTTLS, any other is plain.
ServerAddress SplitServerField(std::string_view field, int defaultPort);

}  // namespace net
