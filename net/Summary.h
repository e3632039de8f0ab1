#pragma once

#include "net/ExStringList.h"

#include <cstdint>
#include <string>

namespace net {

// The header summary of one message as the server sent it; encoded-words are left for the caller to decode.
struct TSummary {
    std::string Subject;    // the text after "Subject:", leading blank included
    std::string From;       // the text after "From:"
    std::int32_t Bytes = 0;  // from the LIST reply
    // The "Message-ID:" field unfolded (RFC 5322 2.2.3) and trimmed, at most 256 bytes; empty without one.
    std::string MessageId;
    TExStringList Header;   // every header line, then the empty line and "."
};

}  // namespace net
