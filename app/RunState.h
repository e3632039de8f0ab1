#pragma once
// What the program keeps for one run and never saves: created empty at start, freed at exit.

#include <cstdint>
#include <string>
#include <vector>

#include "app/check/SeenMessageIds.h"
#include "app/mail/MessageIdentity.h"

namespace app {

// One message queued during a check for the advertisement handling.
struct AdCandidate {
    std::string MailAddress;    // of the account it was found on
    std::string MessageId;      // as the summary gives it, undecoded
    std::string MessageNumber;  // in that account's POP3 session, decimal
    std::string ReplyAddress;   // decoded sender, empty when the account does not auto-reply
    MessageIdentity Identity;
};

struct RunState {
    app::SeenMessageIds SeenMessageIds;
    // Kept as one list of entries rather than four parallel lists, so the entries cannot fall out of step.
    std::vector<AdCandidate> AdQueue;
    std::uint32_t CountdownTicks = 0;
    bool FirstTickDone = false;
    // Set while a check runs; it freezes the countdown text.
    bool CheckRunning = false;
    // Set while a listing of the deletion by hand connects; it freezes the countdown text as well. It is a
    // flag of its own because a check may end while the listing connects.
    bool ListingConnecting = false;
    // Set while a listing or a deletion by hand runs; the button that checks at once stays off.
    bool DeletionByHandRunning = false;
    // Whether the running or last check met a Message-ID not seen before in this run.
    bool NewMailFound = false;
};

}  // namespace app
