#pragma once
// What `list` and `delete` share: the account their first operand names, reached through the core's deletion
// by hand with the terminal as its dialog, as the deletion dialog reaches it.

#include <functional>
#include <iosfwd>
#include <string_view>
#include <vector>

#include "app/data/AccountRecord.h"
#include "app/deletion/IndividualDeletion.h"
#include "cli/Command.h"
#include "cli/TerminalDeletionView.h"

namespace cli {

struct Mailbox {
    const app::AccountRecord& account;
    app::IndividualDeletion& deletion;
    TerminalDeletionView& view;
};

// Runs `work` on the mailbox of the first account whose mail address is the first operand and returns its
// exit status; kExitUsage, after a line on standard error, when the data folder cannot be read or no account
// has that address. `assumeYes` answers the deletion's question.
int WithMailbox(const Options& options, Io& io, std::string_view commandName, bool assumeYes,
                const std::function<int(Mailbox&)>& work);

// One line of list's format per row, in the output encoding.
void PrintMails(const std::vector<app::ListedMail>& rows, const Mailbox& mailbox, std::ostream& out);

// 0 when every message was listed, 1 when the server could not be reached or the listing broke off.
int ListingStatus(app::ListingOutcome outcome);

}  // namespace cli
