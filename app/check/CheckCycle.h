#pragma once
// The periodic check of every account: the check timer's tick (and the button that checks at once) runs
// RunCheck, which walks the checked accounts through the POP3 client NMPOP31, fetches a header summary of
// every message, lists it in the content view, decides whether it is new and queues advertisements; at
// the end it plays the new-mail sound and runs the advertisement passes. The user may abort a check from
// the pending work it serves. The countdown timer's tick shows the time left in the status line.

#include <set>
#include <string>
#include <vector>

#include "app/CheckView.h"
#include "app/RunState.h"
#include "app/Timer.h"
#include "app/advertisements/AdvertisementPasses.h"
#include "app/check/ContentView.h"
#include "app/check/SummaryCache.h"
#include "app/data/AccountList.h"
#include "app/data/Settings.h"
#include "app/log/AbortableLog.h"
#include "app/log/EventLog.h"
#include "app/mail/ClientSetup.h"
#include "app/notify/NewMailSound.h"
#include "app/notify/Tray.h"
#include "net/NMPOP3.h"

namespace app {

// What the check works on and through; all of it is owned elsewhere and outlives the cycle.
struct CheckContext {
    const AccountList& accounts;
    const Settings& settings;
    RunState& run;
    Timer& checkTimer;
    CheckView& view;
    Tray& tray;
    NewMailSound& sound;
    AdvertisementPasses& advertisements;
    const EventLog& log;
};

// What the last check met.
struct CheckTally {
    int accountsChecked = 0;  // rows whose check flag is on
    int messagesFound = 0;    // summaries handled
    int newMessages = 0;      // of those, the ones with a Message-ID not seen before in this run
};

class CheckCycle {
public:
    // A server can queue thousands of advertisements with headers of 1 MiB each; the check's memory stays
    // bounded however many it sends.
    static constexpr std::size_t kAdQueueBudgetBytes = 32 << 20;

    // Binds the ticks of both timers and starts the countdown timer at one tick a second; it runs as long
    // as the cycle lives.
    CheckCycle(CheckContext context, Timer& countdownTimer, ClientSetup setup = {});
    ~CheckCycle();
    CheckCycle(const CheckCycle&) = delete;
    CheckCycle& operator=(const CheckCycle&) = delete;

    // One check, run by every check timer tick and by the button "check now". Exactly one check runs at
    // a time: a call that comes in while one runs (a tick served by the pumping, as the button is off)
    // only restarts the countdown, since the check timer has begun its next interval.
    void RunCheck();
    // Ends the running check at once: the waiting server conversation is dropped, no further account is
    // checked, and neither the sound nor any advertisement pass runs; what the abort cuts short is not
    // logged. Safe from the pending work a check serves; nothing when no check runs.
    void Abort();
    // Run by every countdown timer tick.
    void CountdownTick();

    bool Checking() const { return checking_; }
    const CheckTally& LastTally() const { return tally_; }

private:
    // The whole session of one account is guarded: whatever fails is logged, the session is closed and
    // the check goes on with the next account.
    void CheckAccount(const AccountRecord& row);
    // False when the server hung up on CAPA or UIDL before any summary came.
    bool CheckSession(const AccountRecord& row);
    // Where the server gives unique-ids and sizes, only the messages the cache does not hold are fetched,
    // and the downstream gets every summary in the order of the mailbox all the same.
    void FetchSummaries(const AccountRecord& row);
    void HandOverRememberedUpTo(int last);
    // Run by NMPOP31 for every summary it has fetched, in the middle of GetSummaries or GetHeaders.
    void SummaryFetched();
    // Lists the summary, decides whether it is new and queues it as an advertisement.
    void HandleSummary(const CheckedSummary& summary, int number);
    void PumpPending();
    // Queues the entry while the queue stays within its budget.
    void QueueAdvertisement(AdCandidate entry);
    // A cap's line goes to the log once a check, naming the account being checked.
    void LogOncePerCheck(LogEvent event);


    CheckContext context_;
    AbortableLog log_;
    Timer& countdownTimer_;
    net::PumpFunction pump_;
    net::TNMPOP3 NMPOP31;
    ContentView content_;
    CheckTally tally_;
    bool checking_ = false;
    std::size_t queuedBytes_ = 0;
    std::set<LogEvent> loggedThisCheck_;
    NewMail newMail_;
    // POP3 server fields that hung up on CAPA or UIDL in this run; they are spoken to without them.
    std::set<std::string> serversWithoutOptionalCommands_;
    SummaryCache cache_;
    // Of the session being checked: whether the cache serves it, what it holds of message n, and how many
    // messages were handed over so far.
    bool caching_ = false;
    std::vector<const CheckedSummary*> remembered_;
    int handedOver_ = 0;

    // Copied from the account being checked.
    std::string CurrentAccountAddress;
    bool CurrentRejectFlag = false;
    bool CurrentAutoReplyFlag = false;
};

}  // namespace app
