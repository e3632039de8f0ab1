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
    std::string MessageId;  // from the 13th character of the "Message-ID:" line on, terminator kept
    TExStringList Header;   // every header line, then the empty line and "."
};

}  // namespace net
