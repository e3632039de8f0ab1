#include "app/mail/SharedPop3Client.h"

#include "app/mail/Pop3LogWriters.h"

namespace app {

SharedPop3Client::SharedPop3Client(const EventLog& log, ClientSetup setup)
    : log_(log), NMPOP32(std::move(setup.pump), std::move(setup.resolver)) {
    NMPOP32.TimeOut = setup.timeOut;
    NMPOP32.ReportLevel = 0;
    BindPop3LogWriters(NMPOP32, log, setup.tlsFailureListener);
    log_.Quieten(NMPOP32.OnConnectionFailed);
    // A refused deletion.
    NMPOP32.OnFailure = [this](net::TPowersock&) { log_.Record(LogEvent::Failure, NMPOP32.Host); };
    NMPOP32.OnRetrieveEnd = [this](net::TPowersock&) { NMPOP32RetrieveEnd(); };
}

void SharedPop3Client::NMPOP32RetrieveEnd() {
    const net::TSummary& summary = NMPOP32.Summary();
    if (ListingForDeletion && OnListedSummary) OnListedSummary(summary, NMPOP32.UniqueId(NMPOP32.SummaryNumber()));
    LastSummary = summary;
}

std::optional<SharedPop3Client::Claim> SharedPop3Client::TryClaim(Pop3ClientUser user) {
    if (holder_) return std::nullopt;
    holder_ = user;
    log_.Start();
    return Claim(*this);
}

void SharedPop3Client::Abort(Pop3ClientUser user) {
    if (holder_ != user) return;
    log_.Abort();
    NMPOP32.Abort();
}

bool SharedPop3Client::Claim::DeleteIfStillListed(const MessageIdentity& listed, int listedNumber,
                                                  const net::PumpFunction& pump) {
    net::TNMPOP3& client = Client();
    client.GetUniqueIds();
    const int number = CurrentNumberOf(listed, listedNumber, client);
    if (number == 0) return false;
    // A summary that does not come must not leave the previous message to compare with.
    ForgetLastSummary();
    client.GetSummary(number);
    if (pump) pump();
    const bool stillListed = IsStillTheListedMessage(LastSummary(), client.UniqueId(number), listed);
    if (stillListed) client.DeleteMailMessage(number);
    if (pump) pump();
    return stillListed;
}

SharedPop3Client::Claim::~Claim() {
    if (owner_) owner_->holder_.reset();
}

}  // namespace app
