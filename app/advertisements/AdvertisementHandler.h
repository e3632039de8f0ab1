#pragma once
// The two passes over the advertisements a check queued: DeleteAdvertisements removes each from its
// POP3 server through the shared NMPOP32, after making sure its number still designates the same
// message; SendRefusalMails answers each that has a reply address through the account's SMTP server
// with NMSMTP1. Both run unattended: failures go to the log, progress to the status line, and a
// failure never ends a pass early; only the user's abort does.

#include <string>
#include <vector>

#include "app/CheckView.h"
#include "app/advertisements/AdvertisementPasses.h"
#include "app/data/Settings.h"
#include "app/log/AbortableLog.h"
#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "app/mail/SharedPop3Client.h"
#include "net/NMSMTP.h"

namespace app {

// What the passes work with; all of it is owned elsewhere and outlives them.
struct AdvertisementContext {
    const Settings& settings;
    // The reply body memo: Shift_JIS, lines separated by CR LF, "%mail" standing for the account address.
    const std::string& replyBody;
    CheckView& view;
    const EventLog& log;
    SharedPop3Client& pop3;
};

class AdvertisementHandler final : public AdvertisementPasses {
public:
    // smtpSetup also serves the pending work after each summary, deletion and send.
    explicit AdvertisementHandler(AdvertisementContext context, ClientSetup smtpSetup = {});

    // Each queue entry is handled once, on the first row with its account address. Entries of one
    // account share one session; after a failure inside a session the next entry opens a new one.
    std::vector<AdCandidate> DeleteAdvertisements(const std::vector<AdCandidate>& queue,
                                                  const std::vector<AccountRecord>& accounts) override;
    void SendRefusalMails(const std::vector<AdCandidate>& deleted,
                          const std::vector<AccountRecord>& accounts) override;
    void Abort() override;

private:
    void OpenPop3Session(net::TNMPOP3& client, const AccountRecord& row);
    // True when the message was still the queued one and the server accepted its DELE.
    bool DeleteIfStillQueued(SharedPop3Client::Claim& claim, const AdCandidate& entry, int number);

    void BindSmtpLogWriters(const TlsFailureListener& tlsListener);
    void OpenSmtpSession(const AccountRecord& row);
    void SendRefusal(const AdCandidate& entry, const std::string& subject);

    void PumpPending();

    AdvertisementContext context_;
    AbortableLog log_;
    net::PumpFunction pump_;
    net::TNMSMTP NMSMTP1;
    // The account address the pass's client was last connected (or tried to connect) for.
    std::string PassAccount;
};

}  // namespace app
