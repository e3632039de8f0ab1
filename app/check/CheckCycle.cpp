#include "app/check/CheckCycle.h"

#include <exception>

#include "app/Texts.h"
#include "app/Trim.h"
#include "app/check/CountdownText.h"
#include "app/mail/Pop3LogWriters.h"
#include "app/mail/SessionSteps.h"
#include "jcode/MimeHeader.h"

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
    NMPOP31.OnRetrieveEnd = [this](net::TPowersock&) {
        HandleSummary();
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
    for (const AccountRecord& row : rows) {
        if (IsFlagOn(row.CheckFlag) && !log_.Aborted()) CheckAccount(row);
    }
    if (log_.Aborted()) return;
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
    context_.view.SetStatusText(std::string(kConnectingLead) + NMPOP31.Host + std::string(kConnectingTail));
    try {
        ConnectOrLog(NMPOP31, log_, LogEvent::ConnectionFailed);
        if (NMPOP31.Connected() && NMPOP31.MailCount() > 0) FetchSummaries(row);
        context_.view.SetStatusText({});
        PumpPending();
        if (NMPOP31.Connected()) NMPOP31.Disconnect();
    } catch (const std::exception&) {
        log_.Record(LogEvent::CheckFailed, NMPOP31.Host);
        context_.view.SetStatusText({});
        AbandonSession(NMPOP31);
    }
}

void CheckCycle::FetchSummaries(const AccountRecord& row) {
    context_.view.SetStatusText(row.MailAddress + std::string(kFetchingTail));
    // The icon follows presence, not novelty: any mail on a checked account starts it.
    if (!context_.tray.Animating()) context_.tray.StartAnimation();
    // Pipelined where the server offers it; the pending work is served after each summary.
    NMPOP31.GetSummaries(1, NMPOP31.MailCount());
}

void CheckCycle::HandleSummary() {
    RunState& run = context_.run;
    CurrentMessageNo = NMPOP31.SummaryNumber();
    const net::TSummary& summary = NMPOP31.Summary();
    const std::string sender = jcode::DecodeHeaderForDisplay(summary.From);
    const std::string subject = jcode::DecodeHeaderForDisplay(summary.Subject);
    // The header box is read for every entry, so changing it affects the following entries only; a header
    // that is not shown is not decoded.
    const bool headerShown = context_.settings.HeaderAdd;
    const std::string header =
        headerShown ? jcode::DecodeHeaderLinesForDisplay(JoinLines(summary.Header.Lines())) : std::string();
    context_.view.ContentEntryAppended(content_.MakeEntry(NMPOP31.Host, sender, subject, header, headerShown));
    ++tally_.messagesFound;

    // The raw text, terminator included; a message without a Message-ID line is recorded as the empty text.
    if (run.SeenMessageIds.Add(summary.MessageId)) {
        run.NewMailFound = true;
        ++tally_.newMessages;
        newMail_.Add(sender, subject);
    }
    if (run.SeenMessageIds.Full()) LogOncePerCheck(LogEvent::SeenMessagesFull);

    if (!CurrentRejectFlag) return;
    const std::string_view marker = Trim(context_.settings.ReceiveSubject);
    if (marker.empty() || subject.find(marker) == std::string::npos) return;
    QueueAdvertisement({CurrentAccountAddress, summary.MessageId, std::to_string(CurrentMessageNo),
                        CurrentAutoReplyFlag ? sender : std::string(),
                        // Only a message without a Message-ID needs its header to be told from another.
                        summary.MessageId.empty() ? summary.Header.Lines() : std::vector<std::string>(),
                        summary.Bytes});
}

void CheckCycle::QueueAdvertisement(AdCandidate entry) {
    std::size_t size = entry.MailAddress.size() + entry.MessageId.size() + entry.MessageNumber.size() +
                       entry.ReplyAddress.size() + sizeof entry;
    for (const std::string& line : entry.HeaderLines) size += line.size() + sizeof line;
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
