#pragma once
// NMPOP32, the second POP3 client, which the advertisement deletion and the individual deletion share.
// Both pump the program's pending work while they wait, so one could start in the middle of the other
// and change its host or its summaries under it; the client is therefore reached only through a claim,
// and there is at most one claim at a time.

#include <functional>
#include <optional>

#include "app/log/AbortableLog.h"
#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "app/mail/MessageIdentity.h"
#include "net/NMPOP3.h"

namespace app {

// Who may hold the client.
enum class Pop3ClientUser { AdvertisementDeletion, IndividualDeletion };

class SharedPop3Client {
public:
    // Runs for every summary fetched while ListingForDeletion is set, with the message's unique-id (empty
    // where the session has none).
    using ListingEvent = std::function<void(const net::TSummary& summary, const std::string& uniqueId)>;

    // The client answers on port 110 unless the host names one, reports nothing, and its failure events
    // write their log lines.
    SharedPop3Client(const EventLog& log, ClientSetup setup);
    SharedPop3Client(const SharedPop3Client&) = delete;
    SharedPop3Client& operator=(const SharedPop3Client&) = delete;

    // The right to use the client, given back when the claim goes.
    class Claim {
    public:
        Claim(Claim&& other) noexcept : owner_(other.owner_) { other.owner_ = nullptr; }
        Claim& operator=(Claim&&) = delete;
        ~Claim();

        net::TNMPOP3& Client() { return owner_->NMPOP32; }
        // The summary fetched last, none since it was forgotten.
        const net::TSummary* LastSummary() const {
            return owner_->LastSummary ? &*owner_->LastSummary : nullptr;
        }
        // Makes the next comparison fail unless a summary really comes.
        void ForgetLastSummary() { owner_->LastSummary.reset(); }
        void SetListingForDeletion(bool listing) { owner_->ListingForDeletion = listing; }
        // Deletes the message listed under `listedNumber` where the connected session provably still holds
        // it (MessageIdentity.h), wherever it stands now; `pump` serves the pending work after its summary
        // and its DELE. False, with nothing deleted, when it is not there. A refused command throws, so
        // true means the server has marked the message.
        bool DeleteIfStillListed(const MessageIdentity& listed, int listedNumber, const net::PumpFunction& pump);

    private:
        friend class SharedPop3Client;
        explicit Claim(SharedPop3Client& owner) : owner_(&owner) {}
        SharedPop3Client* owner_;
    };

    // Nothing while another claim stands.
    std::optional<Claim> TryClaim(Pop3ClientUser user);
    // When `user` holds the client: its running wait ends and the connection is dropped without QUIT,
    // and nothing that fails of it is logged until the next claim. Otherwise nothing.
    void Abort(Pop3ClientUser user);
    std::optional<Pop3ClientUser> Holder() const { return holder_; }

    ListingEvent OnListedSummary;

private:
    // Run by NMPOP32 after each summary, before GetSummary returns.
    void NMPOP32RetrieveEnd();

    AbortableLog log_;
    net::TNMPOP3 NMPOP32;
    std::optional<Pop3ClientUser> holder_;
    bool ListingForDeletion = false;
    std::optional<net::TSummary> LastSummary;
};

}  // namespace app
