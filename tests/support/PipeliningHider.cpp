#include "tests/support/PipeliningHider.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>
#include <utility>

#include "tests/support/LoopbackSockets.h"

namespace testsupport {

PipeliningHider::PipeliningHider(std::uint16_t serverPort) : serverPort_(serverPort), wake_("PipeliningHider") {
    LoopbackListener listener = ListenOnLoopback("PipeliningHider");
    listener_ = std::move(listener.socket);
    port_ = listener.port;
    thread_ = std::thread([this] { Serve(); });
}

PipeliningHider::~PipeliningHider() {
    wake_.Wake();
    thread_.join();
}

std::string PipeliningHider::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void PipeliningHider::Serve() {
    for (;;) {
        pollfd ready[] = {{listener_.Get(), POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0 && errno != EINTR) return;
        if (ready[1].revents != 0) return;
        if ((ready[0].revents & POLLIN) == 0) continue;
        const UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        const UniqueFd server = ConnectToLoopback(serverPort_);
        if (client && server) Relay(client.Get(), server.Get());
    }
}

void PipeliningHider::Relay(int client, int server) const {
    // The server's replies pass a whole line at a time, so the one line to hide is seen whole.
    std::string fromServer;
    char buffer[65536];
    for (;;) {
        pollfd ready[] = {{client, POLLIN, 0}, {server, POLLIN, 0}, {wake_.ReadEnd(), POLLIN, 0}};
        if (::poll(ready, 3, -1) < 0 && errno != EINTR) return;
        if (ready[2].revents != 0) return;
        if (ready[0].revents != 0) {
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0 || !SendAll(server, std::string_view(buffer, static_cast<std::size_t>(got)))) return;
        }
        if (ready[1].revents != 0) {
            const ssize_t got = ::recv(server, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            fromServer.append(buffer, static_cast<std::size_t>(got));
            std::string passed;
            for (std::size_t end; (end = fromServer.find('\n')) != std::string::npos;) {
                const std::string line = fromServer.substr(0, end + 1);
                fromServer.erase(0, end + 1);
                if (line != "PIPELINING\r\n") passed += line;
            }
            if (!SendAll(client, passed)) return;
        }
    }
}

}  // namespace testsupport
