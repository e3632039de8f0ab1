#pragma once
// The two passes over the advertisements a check queued, run in this order at the end of every check
// that found rows in the account list, also when the queue is empty.

#include <vector>

#include "app/RunState.h"
#include "app/data/AccountRecord.h"

namespace app {

class AdvertisementPasses {
public:
    virtual ~AdvertisementPasses() = default;

    // `accounts` are the rows the check walked, so an edit made during the check cannot shift them.
    // Deletes every queued message that its number still designates; returns the entries whose deletion
    // the server carried out.
    virtual std::vector<AdCandidate> DeleteAdvertisements(const std::vector<AdCandidate>& queue,
                                                          const std::vector<AccountRecord>& accounts) = 0;
    // Answers every entry that has a reply address with a refusal mail. The check hands it only what the
    // deletion removed: a message left on the server is queued again by every check, and its sender
    // would get a refusal each time.
    virtual void SendRefusalMails(const std::vector<AdCandidate>& deleted,
                                  const std::vector<AccountRecord>& accounts) = 0;
    // The user aborted the check: the running pass drops its server conversation and returns without
    // doing or logging anything more. Called from the pending work a pass serves, or while no pass runs,
    // which leaves the next pass to run as usual.
    virtual void Abort() = 0;
};

}  // namespace app
