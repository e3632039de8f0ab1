#pragma once
// A loopback stand-in for a network with latency: it forwards one connection at a time to a port on
// 127.0.0.1 and holds every chunk it reads for a set delay before passing it on, in each direction, in order.
// Chunks keep coming in while earlier ones wait, so a client that sends ahead of the replies pays the delay
// once per window, not once per command.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/UniqueFd.h"

namespace benchrig {

class DelayProxy {
public:
    DelayProxy(std::uint16_t upstreamPort, std::chrono::microseconds delay);
    ~DelayProxy();  // ends the connection under way, if any, and joins the thread
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>"
    // Every byte the upstream server has sent through the proxy so far.
    std::uint64_t BytesFromUpstream() const { return fromUpstream_; }

private:
    void Serve();
    void Relay(int client) const;

    const std::uint16_t upstreamPort_;
    const std::chrono::microseconds delay_;
    testsupport::UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::atomic<std::uint64_t> fromUpstream_{0};
    std::thread thread_;
};

}  // namespace benchrig
