#include "app/check/CheckCycle.h"

#include <exception>

#include "net/Exceptions.h"

#include "app/Texts.h"
#include "app/Trim.h"
#include "app/check/CountdownText.h"
#include "app/mail/Pop3LogWriters.h"
#include "app/mail/SessionSteps.h"
#include "jcode/MimeHeader.h"
#include "jcode/SjisSearch.h"

namespace app {
namespace {

constexpr std::uint32_t kCountdownMilliseconds = 1000;
constexpr int kReportNothing = 0;

// Every line followed by CR LF, the closing empty line and "." included.
std::string JoinLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// The passes log their own failures; one that still escapes is logged here, so it keeps the refusal pass
// from being skipped and the check still ends as every check does.
template <typename Step>
void RunGuarded(const AbortableLog& log, LogEvent event, Step step) {
    try {
        step();
    } catch (const std::exception&) {
        log.Record(event, {});
    }
}

// The cache keeps an account's messages by its server field and user.
std::string CacheKey(const AccountRecord& row) {
    return row.PopServer + '\n' + row.UserId;
}

}  // namespace

CheckCycle::CheckCycle(CheckContext context, Timer& countdownTimer, ClientSetup setup)
    : context_(context),
      log_(context.log),
      countdownTimer_(countdownTimer),
      pump_(setup.pump),
      NMPOP31(std::move(setup.pump), std::move(setup.resolver)) {
    NMPOP31.TimeOut = setup.timeOut;
    NMPOP31.ReportLevel = kReportNothing;
    BindPop3LogWriters(NMPOP31, context_.log, setup.tlsFailureListener);
    log_.Quieten(NMPOP31.OnConnectionFailed);
    // The remembered summaries before a fetched one go first, also when its fetch then fails.
    NMPOP31.OnRetrieveStart = [this](net::TPowersock&) {
        if (caching_) HandOverRememberedUpTo(NMPOP31.SummaryNumber() - 1);
    };
    NMPOP31.OnRetrieveEnd = [this](net::TPowersock&) {
        SummaryFetched();
        PumpPending();
    };
    context_.checkTimer.OnTimer = [this] { RunCheck(); };
    countdownTimer_.OnTimer = [this] { CountdownTick(); };
    countdownTimer_.SetInterval(kCountdownMilliseconds);
    countdownTimer_.Start();
}

CheckCycle::~CheckCycle() {
    context_.checkTimer.OnTimer = nullptr;
    countdownTimer_.OnTimer = nullptr;
}

void CheckCycle::RunCheck() {
    RunState& run = context_.run;
    // A tick that comes while a check runs checks nothing, but the check timer has begun its next
    // interval all the same, and the countdown is to count down to its end.
    run.CountdownTicks = 0;
    if (checking_) return;
    run.AdQueue.clear();
    queuedBytes_ = 0;
    loggedThisCheck_.clear();
    context_.view.ContentViewCleared();
    tally_ = {};
    newMail_ = {};
    if (context_.accounts.Empty()) return;

    // Whatever ends the check, the flags come back, and the button does unless a deletion by hand runs.
    class Running {
    public:
        explicit Running(CheckCycle& cycle) : cycle_(cycle) {
            cycle_.checking_ = true;
            cycle_.context_.run.CheckRunning = true;
        }
        ~Running() {
            cycle_.context_.view.SetCheckNowEnabled(!cycle_.context_.run.DeletionByHandRunning);
            cycle_.context_.run.CheckRunning = false;
            cycle_.checking_ = false;
        }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        CheckCycle& cycle_;
    } running(*this);

    log_.Start();
    run.NewMailFound = false;
    if (context_.tray.Animating()) context_.tray.StopAnimation();
    context_.view.SetCheckNowEnabled(false);
    // The account editor stays usable while the check runs, so the walk keeps to the rows it started with.
    const std::vector<AccountRecord> rows = context_.accounts.Rows();
    cache_.StartCheck();
    for (const AccountRecord& row : rows) {
        if (IsFlagOn(row.CheckFlag) && !log_.Aborted()) CheckAccount(row);
    }
    if (log_.Aborted()) return;
    cache_.EndCheck();
    if (run.NewMailFound) context_.sound.PlayNewMailSound(newMail_);
    std::vector<AdCandidate> deleted;
    RunGuarded(log_, LogEvent::DeletionFailed,
               [&] { deleted = context_.advertisements.DeleteAdvertisements(run.AdQueue, rows); });
    if (log_.Aborted()) return;
    RunGuarded(log_, LogEvent::SendMailFailed, [&] { context_.advertisements.SendRefusalMails(deleted, rows); });
}

void CheckCycle::Abort() {
    if (!checking_) return;
    log_.Abort();
    NMPOP31.Abort();
    context_.advertisements.Abort();
}

void CheckCycle::CheckAccount(const AccountRecord& row) {
    ++tally_.accountsChecked;
    CurrentAccountAddress = row.MailAddress;
    NMPOP31.UserID = row.UserId;
    NMPOP31.Password = row.Password;
    NMPOP31.Host = row.PopServer;
    CurrentRejectFlag = IsFlagOn(row.RejectFlag);
    CurrentAutoReplyFlag = IsFlagOn(row.AutoReplyFlag);
    NMPOP31.OptionalCommands = !serversWithoutOptionalCommands_.contains(row.PopServer);
    if (CheckSession(row)) return;
    // RFC 1939 servers predate CAPA, and some hang up on a command they do not know. Nothing was handed
    // over yet, as both come before the first summary, so the account is simply checked again.
    serversWithoutOptionalCommands_.insert(row.PopServer);
    NMPOP31.OptionalCommands = false;
    CheckSession(row);
}

bool CheckCycle::CheckSession(const AccountRecord& row) {
    context_.view.SetStatusText(std::string(kConnectingLead) + NMPOP31.Host + std::string(kConnectingTail));
    try {
        ConnectOrLog(NMPOP31, log_, LogEvent::ConnectionFailed);
        if (NMPOP31.Connected() && NMPOP31.MailCount() > 0) FetchSummaries(row);
        // An emptied mailbox leaves nothing to remember.
        if (NMPOP31.Connected() && NMPOP31.MailCount() <= 0) {
            cache_.StartAccount(CacheKey(row));
            cache_.EndAccount();
        }
        context_.view.SetStatusText({});
        PumpPending();
        if (NMPOP31.Connected()) NMPOP31.Disconnect();
    } catch (const net::EOptionalCommandRefused&) {
        context_.view.SetStatusText({});
        AbandonSession(NMPOP31);
        return false;
    } catch (const std::exception&) {
        log_.Record(LogEvent::CheckFailed, NMPOP31.Host);
        context_.view.SetStatusText({});
        AbandonSession(NMPOP31);
    }
    return true;
}

void CheckCycle::FetchSummaries(const AccountRecord& row) {
    context_.view.SetStatusText(row.MailAddress + std::string(kFetchingTail));
    // The icon follows presence, not novelty: any mail on a checked account starts it.
    if (!context_.tray.Animating()) context_.tray.StartAnimation();
    const int count = NMPOP31.MailCount();
    // CAPA comes first where the summaries ask it anyway, so a server whose reply leaves UIDL out is not
    // asked for it.
    if (count > 1) NMPOP31.Pipelines();
    NMPOP31.GetUniqueIds(true);
    caching_ = NMPOP31.ListedSize(1) >= 0;
    if (!caching_) {
        // Without unique-ids and sizes every summary is fetched, pipelined where the server offers it.
        NMPOP31.GetSummaries(1, count);
        return;
    }
    cache_.StartAccount(CacheKey(row));
    remembered_.assign(static_cast<std::size_t>(count) + 1, nullptr);
    std::vector<int> missing;
    const bool headerWanted = context_.settings.HeaderAdd;
    for (int n = 1; n <= count; ++n) {
        remembered_[n] = cache_.Find(NMPOP31.UniqueId(n), NMPOP31.ListedSize(n), headerWanted);
        if (remembered_[n] == nullptr) missing.push_back(n);
    }
    handedOver_ = 0;
    NMPOP31.GetHeaders(missing);
    HandOverRememberedUpTo(count);
    if (!log_.Aborted()) cache_.EndAccount();
}

void CheckCycle::HandOverRememberedUpTo(int last) {
    for (; handedOver_ < last && !log_.Aborted(); ++handedOver_) {
        const CheckedSummary* summary = remembered_[handedOver_ + 1];
        if (summary == nullptr) continue;
        HandleSummary(*summary, handedOver_ + 1);
        PumpPending();
    }
}

void CheckCycle::SummaryFetched() {
    const int number = NMPOP31.SummaryNumber();
    const net::TSummary& summary = NMPOP31.Summary();
    CheckedSummary checked{jcode::DecodeHeaderForDisplay(summary.From), jcode::DecodeHeaderForDisplay(summary.Subject),
                           summary.MessageId, std::nullopt, IdentityOf(summary, NMPOP31.UniqueId(number))};
    // The header box is read for every entry, so changing it affects the following entries only; a header
    // that is not shown is not decoded.
    if (context_.settings.HeaderAdd) {
        checked.Header = jcode::DecodeHeaderLinesForDisplay(JoinLines(summary.Header.Lines()));
    }
    HandleSummary(checked, number);
    if (caching_) {
        handedOver_ = number;
        if (!cache_.Store(checked)) LogOncePerCheck(LogEvent::SummaryCacheFull);
    }
}

void CheckCycle::HandleSummary(const CheckedSummary& summary, int number) {
    RunState& run = context_.run;
    const bool headerShown = context_.settings.HeaderAdd;
    const std::string_view header = headerShown && summary.Header ? std::string_view(*summary.Header) : std::string_view();
    context_.view.ContentEntryAppended(
        content_.MakeEntry(NMPOP31.Host, summary.Sender, summary.Subject, header, headerShown));
    ++tally_.messagesFound;

    // A message without a Message-ID is recorded as the empty text.
    if (run.SeenMessageIds.Add(summary.MessageId)) {
        run.NewMailFound = true;
        ++tally_.newMessages;
        newMail_.Add(summary.Sender, summary.Subject);
    }
    if (run.SeenMessageIds.Full()) LogOncePerCheck(LogEvent::SeenMessagesFull);

    if (!CurrentRejectFlag) return;
    const std::string_view marker = Trim(context_.settings.ReceiveSubject);
    if (!jcode::ContainsSjisText(summary.Subject, marker)) return;
    QueueAdvertisement({CurrentAccountAddress, summary.MessageId, std::to_string(number),
                        CurrentAutoReplyFlag ? summary.Sender : std::string(), summary.Identity});
}

void CheckCycle::QueueAdvertisement(AdCandidate entry) {
    const std::size_t size = entry.MailAddress.size() + entry.MessageId.size() + entry.MessageNumber.size() +
                             entry.ReplyAddress.size() + entry.Identity.UniqueId.size() + sizeof entry;
    // What does not fit stays on the server, and a later check queues it again.
    if (queuedBytes_ + size > kAdQueueBudgetBytes) {
        LogOncePerCheck(LogEvent::AdvertisementsDeferred);
        return;
    }
    queuedBytes_ += size;
    context_.run.AdQueue.push_back(std::move(entry));
}

void CheckCycle::LogOncePerCheck(LogEvent event) {
    if (loggedThisCheck_.insert(event).second) log_.Record(event, NMPOP31.Host);
}

void CheckCycle::PumpPending() {
    if (pump_) pump_();
}

void CheckCycle::CountdownTick() {
    RunState& run = context_.run;
    if (!run.FirstTickDone && context_.settings.Minimize) context_.view.MinimizeToTray();
    run.FirstTickDone = true;
    // While a check runs the status line keeps the check's own texts.
    if (!run.CheckRunning && !run.ListingConnecting) {
        // A failed save stops the check timer; the countdown then runs out and stays at zero.
        context_.view.SetStatusText(CountdownText(context_.checkTimer.Interval(), run.CountdownTicks));
    }
    ++run.CountdownTicks;
}

}  // namespace app
