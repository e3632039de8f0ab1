#include "tests/support/LoopbackSockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace testsupport {
namespace {

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

LoopbackListener ListenOnLoopback(const char* owner, int socketFlags) {
    const auto fail = [owner](const char* what) {
        throw std::system_error(errno, std::generic_category(), std::string(owner) + ": " + what);
    };
    LoopbackListener listener{UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | socketFlags, 0))};
    if (!listener.socket) fail("socket");
    sockaddr_in address = LoopbackAddress(0);
    if (::bind(listener.socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fail("bind");
    if (::listen(listener.socket.Get(), 8) != 0) fail("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listener.socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        fail("getsockname");
    }
    listener.port = ntohs(address.sin_port);
    return listener;
}

UniqueFd ConnectToLoopback(std::uint16_t port) {
    UniqueFd socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in address = LoopbackAddress(port);
    if (!socket || ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    return socket;
}

bool SendAll(int socket, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

}  // namespace testsupport
