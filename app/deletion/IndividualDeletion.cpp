#include "app/deletion/IndividualDeletion.h"

#include <exception>
#include <optional>
#include <utility>

#include "app/OneLine.h"
#include "app/Texts.h"
#include "app/mail/SessionSteps.h"
#include "jcode/MimeHeader.h"

namespace app {
namespace {

DeletionResult DeletedNothing(DeletionResult::Outcome outcome) {
    DeletionResult result;
    result.outcome = outcome;
    return result;
}

}  // namespace

// While a listing or deletion runs: a second one started from the pending work is refused, and the
// button that checks at once stays off. Whatever ends the run, the button comes back unless a check
// still runs.
class IndividualDeletion::RunningFlags {
public:
    explicit RunningFlags(IndividualDeletion& owner) : owner_(owner) {
        owner_.running_ = true;
        owner_.context_.run.DeletionByHandRunning = true;
        owner_.context_.mainWindow.SetCheckNowEnabled(false);
    }
    ~RunningFlags() {
        owner_.running_ = false;
        owner_.context_.run.DeletionByHandRunning = false;
        owner_.context_.mainWindow.SetCheckNowEnabled(!owner_.context_.run.CheckRunning);
    }
    RunningFlags(const RunningFlags&) = delete;
    RunningFlags& operator=(const RunningFlags&) = delete;

private:
    IndividualDeletion& owner_;
};

IndividualDeletion::IndividualDeletion(DeletionContext context, net::PumpFunction pump)
    : context_(context), log_(context.log), pump_(std::move(pump)) {
    context_.pop3.OnListedSummary = [this](const net::TSummary& summary, const std::string& uniqueId) {
        NMPOP32RetrieveEnd(summary, uniqueId);
    };
}

IndividualDeletion::~IndividualDeletion() {
    context_.pop3.OnListedSummary = nullptr;
}

ListingOutcome IndividualDeletion::N3Click() {
    const std::optional<std::size_t> selected = context_.accounts.Selected();
    if (!selected) return ListingOutcome::NoAccount;
    return ListAccount(context_.accounts.Rows()[*selected]);
}

ListingOutcome IndividualDeletion::ListAccount(AccountRecord account) {
    if (running_) return ListingOutcome::AlreadyRunning;
    std::optional<SharedPop3Client::Claim> claim = context_.pop3.TryClaim(Pop3ClientUser::IndividualDeletion);
    if (!claim) {
        ReportClientHeld();
        return ListingOutcome::ClientHeld;
    }
    std::optional<RunningFlags> flags(std::in_place, *this);
    log_.Start();
    listed_ = std::move(account);
    net::TNMPOP3& client = claim->Client();
    client.UserID = listed_.UserId;
    client.Password = listed_.Password;
    client.Host = listed_.PopServer;
    const std::string host = client.Host;
    DeletionView& dialog = context_.dialog;
    dialog.SetServerLine(std::string(kLabelServer) + host);
    rows_.clear();
    dialog.ClearRows();

    // The countdown leaves the connecting text alone.
    context_.run.ListingConnecting = true;
    context_.mainWindow.SetStatusText(std::string(kConnectingLead) + host + std::string(kConnectingTail));
    ConnectOrLog(client, log_, LogEvent::ConnectionFailed);
    context_.run.ListingConnecting = false;
    context_.mainWindow.SetStatusText({});
    if (!client.Connected()) {
        // The box waits for the user; the client and the button are free meanwhile.
        claim.reset();
        flags.reset();
        if (log_.Aborted()) return ListingOutcome::Aborted;
        dialog.ShowError(std::string(kConnectingLead) + host + std::string(kConnectFailedTail));
        return ListingOutcome::ConnectFailed;
    }
    dialog.ShowDialog();

    bool cutShort = false;
    if (client.MailCount() > 0) {
        dialog.SetProgressText(listed_.MailAddress + std::string(kFetchingTail));
        claim->SetListingForDeletion(true);
        try {
            client.GetUniqueIds();
            for (int n = 1; n <= client.MailCount(); ++n) {
                CurrentMessageNo = n;
                client.GetSummary(n);
                PumpPending();
            }
        } catch (const std::exception&) {
            log_.Record(LogEvent::ListingFailed, host);
            cutShort = true;
        }
        dialog.ClearSelection();
    }
    // Nothing was deleted in this session, so a refused QUIT loses nothing.
    if (cutShort) {
        AbandonSession(client);
    } else {
        DisconnectOrLog(client, log_, LogEvent::ListingFailed);
    }
    dialog.SetProgressText({});
    PumpPending();
    claim.reset();
    flags.reset();
    if (log_.Aborted()) return ListingOutcome::Aborted;
    if (cutShort) {
        dialog.ShowError(std::string(kConnectingLead) + host + std::string(kListingCutShortTail));
        return ListingOutcome::CutShort;
    }
    if (rows_.empty()) dialog.ShowInformation(kNoMailToShow);
    return ListingOutcome::Listed;
}

void IndividualDeletion::NMPOP32RetrieveEnd(const net::TSummary& summary, const std::string& uniqueId) {
    rows_.push_back({OnOneLine(jcode::DecodeHeaderForDisplay(summary.From)),
                     OnOneLine(jcode::DecodeHeaderForDisplay(summary.Subject)), summary.MessageId, CurrentMessageNo,
                     IdentityOf(summary, uniqueId)});
    context_.dialog.AppendRow(rows_.back());
}

DeletionResult IndividualDeletion::BitBtn2Click() {
    using Outcome = DeletionResult::Outcome;
    if (running_) return DeletedNothing(Outcome::AlreadyRunning);
    DeletionView& dialog = context_.dialog;
    if (dialog.SelectedRows().empty()) {
        dialog.ShowError(kNoMailSelected);
        return DeletedNothing(Outcome::NothingSelected);
    }
    if (!dialog.ConfirmYesNo(kConfirmDeleteMails)) return DeletedNothing(Outcome::Declined);
    DeletionResult result;
    {
        RunningFlags flags(*this);
        log_.Start();
        result = DeleteSelectedMails();
    }
    switch (result.outcome) {
    case Outcome::Deleted:
        dialog.ShowInformation(result.leftAlone.empty() ? kMailsDeleted : kChangedMailsLeftAlone);
        ListAccount(listed_);
        break;
    case Outcome::FailedInSession:
        // The list then shows what is left on the server.
        dialog.ShowError(kMailDeletionFailed);
        ListAccount(listed_);
        break;
    case Outcome::ConnectFailed:
        dialog.ShowError(kMailDeletionFailed);
        break;
    case Outcome::ClientHeld:
        ReportClientHeld();
        break;
    default:
        break;
    }
    return result;
}

DeletionResult IndividualDeletion::DeleteSelectedMails() {
    using Outcome = DeletionResult::Outcome;
    // The selection as the user confirmed it; the list stays live during the waits below.
    std::vector<ListedMail> selected;
    for (const std::size_t index : context_.dialog.SelectedRows()) {
        if (index < rows_.size()) selected.push_back(rows_[index]);
    }
    std::optional<SharedPop3Client::Claim> claim = context_.pop3.TryClaim(Pop3ClientUser::IndividualDeletion);
    if (!claim) return DeletedNothing(Outcome::ClientHeld);
    net::TNMPOP3& client = claim->Client();
    // An advertisement pass since the listing may have connected the client for another account.
    client.UserID = listed_.UserId;
    client.Password = listed_.Password;
    client.Host = listed_.PopServer;
    ConnectOrLog(client, log_, LogEvent::ConnectionFailed);
    if (!client.Connected()) return DeletedNothing(log_.Aborted() ? Outcome::Aborted : Outcome::ConnectFailed);

    claim->SetListingForDeletion(false);
    DeletionResult result;
    std::vector<ListedMail> marked;
    bool failed = false;
    try {
        for (const ListedMail& row : selected) {
            context_.dialog.SetProgressText(std::string(kDeletingLead) + row.Subject + std::string(kDeletingTail));
            if (claim->DeleteIfStillListed(row.Identity, row.MessageNo, pump_)) {
                marked.push_back(row);
            } else {
                result.leftAlone.push_back(row);
            }
        }
    } catch (const std::exception&) {
        log_.Record(LogEvent::SelectedDeletionFailed, client.Host);
        failed = true;
    }
    // The server carries the marked deletions out at this QUIT, also those before a refusal.
    const bool quitAccepted =
        failed ? AbandonSession(client) : DisconnectOrLog(client, log_, LogEvent::SelectedDeletionFailed);
    context_.dialog.SetProgressText({});
    if (quitAccepted) result.deleted = std::move(marked);
    if (log_.Aborted()) {
        result.outcome = Outcome::Aborted;
    } else if (failed || !quitAccepted) {
        result.outcome = Outcome::FailedInSession;
    }
    return result;
}

void IndividualDeletion::Abort() {
    if (!running_) return;
    log_.Abort();
    context_.pop3.Abort(Pop3ClientUser::IndividualDeletion);
}

void IndividualDeletion::ReportClientHeld() {
    if (context_.pop3.Holder() == Pop3ClientUser::AdvertisementDeletion) {
        context_.dialog.ShowInformation(kClientBusyWithAdvertisements);
    }
}

void IndividualDeletion::PumpPending() {
    if (pump_) pump_();
}

}  // namespace app
