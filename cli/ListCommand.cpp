// list: the messages of one account's mailbox, as the deletion dialog lists them, for choosing what to delete.

#include "cli/DataDirOption.h"
#include "cli/MailboxAccess.h"
#include "cli/MailboxCommands.h"

namespace cli {
namespace {

constexpr std::string_view kName = "list";

int ListMailbox(const Options& options, Io& io) {
    if (options.Operands().size() != 1) return CommandUsageError(kName, io.err, "list takes one ADDRESS");
    return WithMailbox(options, io, kName, false, [&](Mailbox& mailbox) {
        const app::ListingOutcome outcome = mailbox.deletion.ListAccount(mailbox.account);
        // A listing cut short still shows the messages it reached.
        PrintMails(mailbox.deletion.Rows(), mailbox, io.out);
        return ListingStatus(outcome);
    });
}

}  // namespace

Command ListCommand() {
    return {
    kName,
    "list the messages of one account's mailbox",
    "Lists the mailbox of the first account whose mail address is ADDRESS, as the deletion dialog lists\n"
    "it: one line per message with its number, sender, subject, Message-ID and unique-id (empty where the\n"
    "server gives none), tab-separated (UTF-8 where the locale is UTF-8, else Shift_JIS; control\n"
    "characters, tabs and line ends in a field are printed as \"?\"). An\n"
    "empty mailbox prints nothing. Failed server conversations go to Quillon.log in the data folder and\n"
    "one line to standard error. Exit status 0 when every message was listed; 1 when the server could\n"
    "not be reached or the listing broke off (the messages reached are printed); 2 for bad usage, an\n"
    "unknown ADDRESS or an unreadable data folder.",
    {kUtf8Option, kDataDirOption},
    &ListMailbox,
    "ADDRESS",
    };
}

}  // namespace cli
