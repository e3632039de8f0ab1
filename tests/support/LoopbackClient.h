#pragma once
// A plain blocking-with-time-out TCP client on 127.0.0.1, for tests that drive a server by hand.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/support/UniqueFd.h"

namespace testsupport {

class LoopbackClient {
public:
    // Connects to 127.0.0.1:port; throws std::system_error when nothing accepts there.
    explicit LoopbackClient(std::uint16_t port);

    void Send(std::string_view bytes);
    void SendLine(std::string_view line);  // line + "\r\n"
    // Bytes up to and including the next LF; what is left when the server closes first ("" at end of
    // stream). Throws std::runtime_error when nothing completes the line in time.
    std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Everything up to the server's close; throws std::runtime_error when the server keeps it open.
    std::string ReadUntilClosed(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // True when data or the end of stream arrives within the time.
    bool WaitReadable(std::chrono::milliseconds timeout);
    void Close() { socket_.Reset(); }

private:
    bool ReceiveMore(std::chrono::steady_clock::time_point deadline);  // false at end of stream

    UniqueFd socket_;
    std::string pending_;
};

}  // namespace testsupport
