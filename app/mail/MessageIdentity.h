#pragma once
// Message numbers belong to one POP3 session: when another program removes a message in between, a
// number listed earlier may hold another message now. Before a message is deleted by its number, the
// summary fetched under that number must show the message that was listed there.

#include <cstdint>
#include <string>
#include <vector>

#include "net/Summary.h"

namespace app {

// Without a Message-ID (the POP3 client takes it only from a line spelled exactly "Message-ID:") the whole
// header and the size must be unchanged as well, else any other message without one that moved to the
// number would match; its Received lines make a header unique per delivery. `now` is null when no summary
// came.
inline bool IsStillTheListedMessage(const net::TSummary* now, const std::string& messageId,
                                    const std::vector<std::string>& headerLines, std::int32_t bytes) {
    if (now == nullptr || now->MessageId != messageId) return false;
    return !messageId.empty() || (now->Header.Lines() == headerLines && now->Bytes == bytes);
}

}  // namespace app
