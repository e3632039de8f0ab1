#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace net {

struct ServerAddress {
    std::string host;
    int port = 0;
};

// A server field may carry its port ("localhost:1110"); without one, or with a suffix that is no port
// number, the whole field is the host and defaultPort applies.
ServerAddress SplitServerField(std::string_view field, int defaultPort);

}  // namespace net
