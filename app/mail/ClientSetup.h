#pragma once

#include "net/HostLookup.h"
#include "net/Powersock.h"

namespace app {

// How a mail client of the core reaches its servers.
struct ClientSetup {
    // Serves the program's pending work in every network wait and after each summary, deletion and send.
    net::PumpFunction pump;
    // Empty means the system's.
    net::HostResolver resolver;
    // Milliseconds for each lookup, connect and reply line.
    int timeOut = 60000;
};

}  // namespace app
