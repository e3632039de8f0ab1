#pragma once

#include <functional>
#include <string_view>

#include "net/HostLookup.h"
#include "net/Powersock.h"

namespace app {

// Hears why TLS could not be set up with a server: the server field as typed and the reason, which the log
// line leaves out.
using TlsFailureListener = std::function<void(std::string_view server, std::string_view reason)>;

// How a mail client of the core reaches its servers.
struct ClientSetup {
    // Serves the program's pending work in every network wait and after each summary, deletion and send.
    net::PumpFunction pump;
    // Empty means the system's.
    net::HostResolver resolver;
    // Milliseconds for each lookup, connect and reply line.
    int timeOut = 60000;
    // Empty: only the log hears of it.
    TlsFailureListener tlsFailureListener;
};

}  // namespace app
