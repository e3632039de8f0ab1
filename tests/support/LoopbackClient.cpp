#include "tests/support/LoopbackClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace testsupport {
namespace {

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

LoopbackClient::LoopbackClient(std::uint16_t port)
    : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (!socket_) ThrowErrno("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(socket_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ThrowErrno("connect");
    }
}

void LoopbackClient::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno("send");
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void LoopbackClient::SendLine(std::string_view line) {
    Send(std::string(line) + "\r\n");
}

std::string LoopbackClient::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t lf;
    while ((lf = pending_.find('\n')) == std::string::npos) {
        if (!ReceiveMore(deadline)) return std::exchange(pending_, {});
    }
    std::string line = pending_.substr(0, lf + 1);
    pending_.erase(0, lf + 1);
    return line;
}

std::string LoopbackClient::ReadUntilClosed(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (ReceiveMore(deadline)) {
    }
    return std::exchange(pending_, {});
}

bool LoopbackClient::WaitReadable(std::chrono::milliseconds timeout) {
    if (!pending_.empty()) return true;
    pollfd fd{socket_.Get(), POLLIN, 0};
    return ::poll(&fd, 1, static_cast<int>(timeout.count())) > 0;
}

bool LoopbackClient::ReceiveMore(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd fd{socket_.Get(), POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) ThrowErrno("poll");
        if (ready == 0) throw std::runtime_error("LoopbackClient: timed out; received so far: \"" + pending_ + "\"");
        char buffer[4096];
        const ssize_t n = ::recv(socket_.Get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowErrno("recv");
        pending_.append(buffer, static_cast<std::size_t>(n));
        return n > 0;
    }
}

}  // namespace testsupport
