#pragma once
// Message numbers belong to one POP3 session: when another program removes a message in between, a
// number listed earlier may hold another message now. A message is deleted only where the session provably
// holds the one that was listed: its unique-id, where the server gives one, and its header and size.

#include <array>
#include <cstdint>
#include <string>

#include "net/NMPOP3.h"
#include "net/Summary.h"

namespace app {

// SHA-256 of the header lines: a POP3 server never changes a message, and the Received lines make a header
// unique per delivery, so the digest tells messages apart where Message-IDs repeat or are missing.
using HeaderDigest = std::array<std::uint8_t, 32>;

HeaderDigest DigestOf(const net::TExStringList& header);

struct MessageIdentity {
    std::string UniqueId;  // empty where the server gave none
    HeaderDigest Header{};
    std::int32_t Bytes = 0;

    friend bool operator==(const MessageIdentity&, const MessageIdentity&) = default;
};

MessageIdentity IdentityOf(const net::TSummary& summary, std::string uniqueId);

// The number of the listed message in the client's session, 0 when it is not there or cannot be told
// from another: found by its unique-id where it was listed with one, else at the number it had.
int CurrentNumberOf(const MessageIdentity& listed, int listedNumber, const net::TNMPOP3& client);

// `now` is the summary fetched at the current number, with the unique-id the session gives it there; null
// when no summary came. A message listed without a unique-id is judged by its header and size alone.
bool IsStillTheListedMessage(const net::TSummary* now, const std::string& uniqueIdNow, const MessageIdentity& listed);

}  // namespace app
