#include "app/advertisements/AdvertisementHandler.h"

#include <charconv>
#include <exception>
#include <utility>

#include "app/Texts.h"
#include "app/advertisements/RefusalText.h"
#include "app/mail/SessionSteps.h"
#include "app/mail/TlsFailureWriter.h"

namespace app {
namespace {

// Rows with the same address are possible; an entry goes to the first of them only.
const AccountRecord* FirstRowOf(const std::string& address, const std::vector<AccountRecord>& accounts) {
    for (const AccountRecord& row : accounts) {
        if (row.MailAddress == address) return &row;
    }
    return nullptr;
}

// The entries a POP3 session has marked with DELE. The server removes them only when it accepts the
// session's QUIT (RFC 1939 6): a session that breaks off or is refused its QUIT leaves them all there.
class Deletions {
public:
    void Mark(const AdCandidate& entry) { marked_.push_back(entry); }
    void EndSession(bool quitAccepted) {
        if (quitAccepted) done_.insert(done_.end(), marked_.begin(), marked_.end());
        marked_.clear();
    }
    std::vector<AdCandidate> TakeDeleted() { return std::move(done_); }

private:
    std::vector<AdCandidate> marked_;
    std::vector<AdCandidate> done_;
};

bool ParseMessageNumber(const std::string& text, int& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() && number > 0;
}

}  // namespace

AdvertisementHandler::AdvertisementHandler(AdvertisementContext context, ClientSetup smtpSetup)
    : context_(context),
      log_(context.log),
      pump_(smtpSetup.pump),
      NMSMTP1(std::move(smtpSetup.pump), std::move(smtpSetup.resolver)) {
    NMSMTP1.TimeOut = smtpSetup.timeOut;
    NMSMTP1.ReportLevel = 0;
    NMSMTP1.EncodeType = net::UUMethods::uuMime;
    NMSMTP1.ClearParams = true;
    NMSMTP1.SubType = net::TSubType::mtPlain;
    NMSMTP1.Charset = "ISO-2022-JP";
    BindSmtpLogWriters(smtpSetup.tlsFailureListener);
}

void AdvertisementHandler::BindSmtpLogWriters(const TlsFailureListener& tlsListener) {
    // None declares the problem handled, so the client goes on to fail.
    NMSMTP1.OnInvalidHost = [this](bool&) { log_.Record(LogEvent::SendMailInvalidHost, NMSMTP1.Host); };
    NMSMTP1.OnConnectionFailed = [this](net::TPowersock&) {
        log_.Record(LogEvent::SendMailConnectionFailed, NMSMTP1.Host);
    };
    BindTlsFailureWriter(NMSMTP1, context_.log, LogEvent::SendMailTlsFailed, tlsListener);
    NMSMTP1.OnAuthenticationFailed = [this](bool&) {
        log_.Record(LogEvent::SendMailIdOrPasswordFailed, NMSMTP1.Host);
    };
}

std::vector<AdCandidate> AdvertisementHandler::DeleteAdvertisements(const std::vector<AdCandidate>& queue,
                                                                    const std::vector<AccountRecord>& accounts) {
    log_.Start();
    std::optional<SharedPop3Client::Claim> claim = context_.pop3.TryClaim(Pop3ClientUser::AdvertisementDeletion);
    // The individual deletion has the client: the advertisements stay on the server until the next
    // check queues them again.
    if (!claim) return {};
    claim->SetListingForDeletion(false);
    net::TNMPOP3& client = claim->Client();
    Deletions deletions;
    PassAccount.clear();
    for (const AdCandidate& entry : queue) {
        int number = 0;
        if (!ParseMessageNumber(entry.MessageNumber, number)) continue;
        const AccountRecord* row = FirstRowOf(entry.MailAddress, accounts);
        if (row == nullptr) continue;
        if (entry.MailAddress != PassAccount) {
            deletions.EndSession(DisconnectOrLog(client, log_, LogEvent::DeletionFailed));
            // After an abort, during that QUIT or before, no other session is opened; the aborted client is
            // not connected, so the entries left of its account are skipped as well.
            if (log_.Aborted()) break;
            OpenPop3Session(client, *row);
            PassAccount = entry.MailAddress;
        }
        if (!client.Connected()) continue;
        try {
            if (DeleteIfStillQueued(*claim, entry, number)) deletions.Mark(entry);
        } catch (const std::exception&) {
            log_.Record(LogEvent::DeletionFailed, client.Host);
            deletions.EndSession(AbandonSession(client));
            PassAccount.clear();
        }
    }
    deletions.EndSession(DisconnectOrLog(client, log_, LogEvent::DeletionFailed));
    context_.view.SetStatusText({});
    return deletions.TakeDeleted();
}

void AdvertisementHandler::OpenPop3Session(net::TNMPOP3& client, const AccountRecord& row) {
    client.UserID = row.UserId;
    client.Password = row.Password;
    client.Host = row.PopServer;
    ConnectOrLog(client, log_, LogEvent::ConnectionFailed);
}

bool AdvertisementHandler::DeleteIfStillQueued(SharedPop3Client::Claim& claim, const AdCandidate& entry, int number) {
    context_.view.SetStatusText(claim.Client().Host + std::string(kDeletingAdvertisementsTail));
    return claim.DeleteIfStillListed(entry.Identity, number, pump_);
}

void AdvertisementHandler::SendRefusalMails(const std::vector<AdCandidate>& deleted,
                                            const std::vector<AccountRecord>& accounts) {
    log_.Start();
    PassAccount.clear();
    const std::string subject = RefusalSubject(context_.settings.SendSubject);
    for (const AdCandidate& entry : deleted) {
        if (entry.ReplyAddress.empty()) continue;
        const AccountRecord* row = FirstRowOf(entry.MailAddress, accounts);
        if (row == nullptr) continue;
        if (!SafeReplyAddress(entry.ReplyAddress)) {
            log_.Record(LogEvent::SendMailUnsafeAddress, row->SmtpServer);
            continue;
        }
        if (!HasEnvelopeAddress(entry.ReplyAddress)) {
            log_.Record(LogEvent::SendMailNoAddress, row->SmtpServer);
            continue;
        }
        if (entry.MailAddress != PassAccount) {
            OpenSmtpSession(*row);
            PassAccount = entry.MailAddress;
        }
        if (!NMSMTP1.Connected()) continue;
        try {
            SendRefusal(entry, subject);
        } catch (const std::exception&) {
            log_.Record(LogEvent::SendMailFailed, NMSMTP1.Host);
            AbandonSession(NMSMTP1);
            PassAccount.clear();
        }
    }
    DisconnectOrLog(NMSMTP1, log_, LogEvent::SendMailFailed);
    context_.view.SetStatusText({});
}

void AdvertisementHandler::Abort() {
    log_.Abort();
    context_.pop3.Abort(Pop3ClientUser::AdvertisementDeletion);
    NMSMTP1.Abort();
    // The SMTP client's Abort only ends the wait. The conversation it broke off is dropped without QUIT,
    // as the POP3 client's Abort does, so the pass's closing step has nothing to wait for.
    if (NMSMTP1.Connected()) NMSMTP1.TPowersock::Disconnect();
}

void AdvertisementHandler::OpenSmtpSession(const AccountRecord& row) {
    DisconnectOrLog(NMSMTP1, log_, LogEvent::SendMailFailed);
    // After an abort, during that QUIT or before, no other session is opened, and the pass skips every
    // entry left as the client is not connected.
    if (log_.Aborted()) return;
    // The POP3 user ID is what goes after HELO, and with the POP3 password it authenticates where a server
    // inside TLS asks for it.
    NMSMTP1.UserID = row.UserId;
    NMSMTP1.Password = row.Password;
    NMSMTP1.Host = row.SmtpServer;
    ConnectOrLog(NMSMTP1, log_, LogEvent::SendMailConnectionFailed);
}

void AdvertisementHandler::SendRefusal(const AdCandidate& entry, const std::string& subject) {
    const std::string body = ReplaceMailPlaceholders(context_.replyBody, entry.MailAddress);
    context_.view.SetStatusText(entry.ReplyAddress + std::string(kSendingMailTail));
    // A fresh description, so nothing of an earlier refusal is carried over.
    net::TPostMessage& message = NMSMTP1.PostMessage;
    message = net::TPostMessage{};
    message.FromAddress = entry.MailAddress;
    message.FromName = entry.MailAddress;
    message.ToAddress = {entry.ReplyAddress};
    message.Subject = subject;
    message.Body = RefusalBodyLines(body);
    NMSMTP1.SendMail();
    PumpPending();
}

void AdvertisementHandler::PumpPending() {
    if (pump_) pump_();
}

}  // namespace app
