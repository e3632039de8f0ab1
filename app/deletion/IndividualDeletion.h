#pragma once
// The deletion by hand: the account list's menu command lists the selected account's mailbox in the
// deletion dialog, one row per message, and the dialog's delete button removes the selected messages from
// the server after the user confirms, each only while its number still holds the listed message; the
// mailbox is then listed afresh. Every listing and every deletion opens its own POP3 session through the
// shared NMPOP32 and closes it again, so no session waits on the user.

#include <string>
#include <vector>

#include "app/CheckView.h"
#include "app/RunState.h"
#include "app/data/AccountList.h"
#include "app/deletion/DeletionView.h"
#include "app/log/AbortableLog.h"
#include "app/log/EventLog.h"
#include "app/mail/SharedPop3Client.h"
#include "net/Powersock.h"

namespace app {

// What the deletion works on and through; all of it is owned elsewhere and outlives it.
struct DeletionContext {
    const AccountList& accounts;
    RunState& run;
    // The main window's status line and its button that checks at once.
    CheckView& mainWindow;
    DeletionView& dialog;
    const EventLog& log;
    SharedPop3Client& pop3;
};

enum class ListingOutcome {
    Listed,           // every message has its row, also when none is there
    NoAccount,        // no account row selected: nothing happened
    AlreadyRunning,   // a listing or deletion by hand runs: nothing happened
    ClientHeld,       // an advertisement pass holds the client: nothing happened but a box
    ConnectFailed,
    CutShort,         // connected, but the summaries broke off; the rows fetched stay
    Aborted,
};

struct DeletionResult {
    enum class Outcome {
        Deleted,          // the session went through and the server accepted its QUIT
        NothingSelected,
        Declined,
        AlreadyRunning,
        ClientHeld,
        ConnectFailed,
        FailedInSession,  // a summary, DELE or QUIT was refused or the connection broke
        Aborted,
    };
    Outcome outcome = Outcome::Deleted;
    // The rows the server removed, and those left alone as their number now holds another message.
    std::vector<ListedMail> deleted;
    std::vector<ListedMail> leftAlone;
};

class IndividualDeletion {
public:
    // `pump` serves the program's pending work after each summary and deletion.
    IndividualDeletion(DeletionContext context, net::PumpFunction pump);
    ~IndividualDeletion();
    IndividualDeletion(const IndividualDeletion&) = delete;
    IndividualDeletion& operator=(const IndividualDeletion&) = delete;

    // The menu command "list to delete mails": lists the account selected in the account list.
    ListingOutcome N3Click();
    // Lists this account's mailbox in the dialog, which it shows once connected; the command and the fresh
    // listing after a deletion run it.
    ListingOutcome ListAccount(AccountRecord account);
    // The dialog's button "delete mails": after the user confirms, deletes the selected rows' messages in
    // one session with the listed account's user ID, password and host, tells the user how it went and
    // lists that account afresh.
    DeletionResult BitBtn2Click();
    // The user aborted (the program ends): the running wait ends, the connection is dropped without QUIT
    // and nothing more is logged or shown. Nothing when neither a listing nor a deletion runs.
    void Abort();

    bool Running() const { return running_; }
    const std::vector<ListedMail>& Rows() const { return rows_; }

private:
    class RunningFlags;

    DeletionResult DeleteSelectedMails();
    // Run by NMPOP32 for every summary it fetches while listing.
    void NMPOP32RetrieveEnd(const net::TSummary& summary, const std::string& uniqueId);
    void ReportClientHeld();
    void PumpPending();

    DeletionContext context_;
    AbortableLog log_;
    net::PumpFunction pump_;
    bool running_ = false;
    // The account the dialog lists; a deletion connects with its user ID, password and host again.
    AccountRecord listed_;
    std::vector<ListedMail> rows_;
    int CurrentMessageNo = 0;
};

}  // namespace app
