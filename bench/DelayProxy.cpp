#include "bench/DelayProxy.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <utility>
#include <vector>

#include "tests/support/LoopbackSockets.h"

namespace benchrig {
namespace {

using Clock = std::chrono::steady_clock;
using testsupport::UniqueFd;

constexpr std::chrono::milliseconds kStopCheck{20};

// Without Nagle a released chunk leaves at once, rather than waiting for the previous one's ACK.
void SendImmediately(int socket) {
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

UniqueFd ConnectUpstream(std::uint16_t port) {
    UniqueFd upstream = testsupport::ConnectToLoopback(port);
    if (upstream) SendImmediately(upstream.Get());
    return upstream;
}

timespec TimespecOf(Clock::duration duration) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
    return {static_cast<time_t>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000)};
}

// One way through the proxy: what was read from `from` and when it may go on to `to`.
struct Direction {
    struct Held {
        Clock::time_point due;
        std::string bytes;
    };

    int from;
    int to;
    std::atomic<std::uint64_t>& counted;
    std::deque<Held> held{};
    bool ended = false;  // `from` has closed its side
    bool closed = false;  // and everything before that has reached `to`, which was told so

    // Passes on what is due; false when `to` takes no more.
    bool Release(Clock::time_point now) {
        for (; !held.empty() && held.front().due <= now; held.pop_front()) {
            if (!testsupport::SendAll(to, held.front().bytes)) return false;
        }
        if (ended && held.empty() && !closed) {
            ::shutdown(to, SHUT_WR);
            closed = true;
        }
        return true;
    }

    // False when `from` failed rather than closed.
    bool Read(Clock::duration delay) {
        char buffer[65536];
        const ssize_t received = ::recv(from, buffer, sizeof buffer, 0);
        if (received < 0) return false;
        if (received == 0) {
            ended = true;
        } else {
            held.push_back({Clock::now() + delay, std::string(buffer, static_cast<std::size_t>(received))});
            counted += static_cast<std::uint64_t>(received);
        }
        return true;
    }
};

}  // namespace

DelayProxy::DelayProxy(std::uint16_t upstreamPort, std::chrono::microseconds delay)
    : upstreamPort_(upstreamPort), delay_(delay) {
    testsupport::LoopbackListener listener = testsupport::ListenOnLoopback("DelayProxy");
    listener_ = std::move(listener.socket);
    port_ = listener.port;
    thread_ = std::thread([this] { Serve(); });
}

DelayProxy::~DelayProxy() {
    stop_ = true;
    thread_.join();
}

std::string DelayProxy::Address() const {
    return "127.0.0.1:" + std::to_string(port_);
}

void DelayProxy::Serve() {
    // The kernel may otherwise fire a wake-up up to 50 us late, a sizeable part of a millisecond delay.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    while (!stop_) {
        pollfd ready{listener_.Get(), POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(kStopCheck.count())) <= 0) continue;
        UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (client) Relay(client.Get());
    }
}

void DelayProxy::Relay(int client) const {
    const UniqueFd upstream = ConnectUpstream(upstreamPort_);
    if (!upstream) return;
    SendImmediately(client);
    std::atomic<std::uint64_t> fromClient{0};
    Direction directions[] = {{client, upstream.Get(), fromClient}, {upstream.Get(), client, fromUpstream_}};
    while (!stop_) {
        const Clock::time_point now = Clock::now();
        for (Direction& direction : directions) {
            if (!direction.Release(now)) return;
        }
        if (directions[0].closed && directions[1].closed) return;

        std::vector<pollfd> readable;
        Clock::duration wait = kStopCheck;
        for (const Direction& direction : directions) {
            if (!direction.ended) readable.push_back({direction.from, POLLIN, 0});
            if (!direction.held.empty()) wait = std::min(wait, direction.held.front().due - now);
        }
        const timespec timeout = TimespecOf(std::max(wait, Clock::duration::zero()));
        if (::ppoll(readable.data(), readable.size(), &timeout, nullptr) <= 0) continue;
        for (const pollfd& polled : readable) {
            if (polled.revents == 0) continue;
            Direction& direction = polled.fd == client ? directions[0] : directions[1];
            if (!direction.Read(delay_)) return;
        }
    }
}

}  // namespace benchrig
