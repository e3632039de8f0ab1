#include "net/ServerField.h"

#include <array>
#include <charconv>

namespace net {

namespace {

struct Scheme {
    std::string_view prefix;
    int port;
    Transport transport;
};

constexpr std::array kSchemes = {
    Scheme{"pop3s://", 995, Transport::Tls},
    Scheme{"smtps://", 465, Transport::Tls},
    Scheme{"submission://", 587, Transport::StartTls},
};

// The transport of a field without a scheme: the ports registered for mail over TLS say it.
Transport TransportOfPort(int port)
{
    for (const Scheme& scheme : kSchemes) {
        if (scheme.port == port) {
            return scheme.transport;
        }
    }
    return Transport::Plain;
}

ServerAddress SplitPort(std::string_view field, int defaultPort)
{
    const std::size_t colon = field.rfind(':');
    if (colon != std::string_view::npos && colon > 0) {
        const std::string_view digits = field.substr(colon + 1);
        int port = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() && port >= 1 &&
            port <= 65535) {
            return {std::string(field.substr(0, colon)), port};
        }
    }
    return {std::string(field), defaultPort};
}

}  // namespace

ServerAddress SplitServerField(std::string_view field, int defaultPort)
{
    for (const Scheme& scheme : kSchemes) {
        if (field.starts_with(scheme.prefix)) {
            ServerAddress address = SplitPort(field.substr(scheme.prefix.size()), scheme.port);
            address.transport = scheme.transport;
            return address;
        }
    }
    ServerAddress address = SplitPort(field, defaultPort);
    address.transport = TransportOfPort(address.port);
    return address;
}

}  // namespace net
