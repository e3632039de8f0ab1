#pragma once
// What the loopback test servers and proxies share: a listener on a free port of 127.0.0.1, a connection
// to a port there, and a send of every byte.

#include <cstdint>
#include <string_view>

#include "tests/support/UniqueFd.h"

namespace testsupport {

struct LoopbackListener {
    UniqueFd socket;
    std::uint16_t port = 0;
};

// Listens on a port the system picks; `socketFlags` are added to SOCK_STREAM | SOCK_CLOEXEC. Throws
// std::system_error naming `owner` when the system refuses.
LoopbackListener ListenOnLoopback(const char* owner, int socketFlags = 0);
// A blocking connection, or an empty descriptor when nothing accepts there.
UniqueFd ConnectToLoopback(std::uint16_t port);
// False when the peer takes no more.
bool SendAll(int socket, std::string_view bytes);

}  // namespace testsupport
