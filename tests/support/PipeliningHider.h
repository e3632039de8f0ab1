#pragma once
// A loopback proxy in front of a POP3 server that takes the PIPELINING line out of its CAPA reply, so a
// client speaks to the very same server, and the very same mailbox, one command at a time. It serves one
// connection after another until it is destroyed.

#include <cstdint>
#include <string>
#include <thread>

#include "tests/support/UniqueFd.h"
#include "tests/support/WakePipe.h"

namespace testsupport {

class PipeliningHider {
public:
    explicit PipeliningHider(std::uint16_t serverPort);  // starts serving at once
    ~PipeliningHider();  // wakes and joins its thread, closes every socket
    PipeliningHider(const PipeliningHider&) = delete;
    PipeliningHider& operator=(const PipeliningHider&) = delete;

    std::uint16_t Port() const { return port_; }
    std::string Address() const;  // "127.0.0.1:<port>"

private:
    void Serve();
    void Relay(int client, int server) const;

    std::uint16_t serverPort_;
    UniqueFd listener_;
    WakePipe wake_;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

}  // namespace testsupport
