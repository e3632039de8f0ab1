// delete: deletes messages of one account's mailbox by number or Message-ID, as the deletion dialog's button
// deletes the rows selected in it.

#include <charconv>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/DataDirOption.h"
#include "cli/MailLine.h"
#include "cli/MailboxAccess.h"
#include "cli/MailboxCommands.h"
#include "cli/TerminalText.h"

namespace cli {
namespace {

constexpr std::string_view kName = "delete";
constexpr OptionSpec kYesOption{"--yes", false, "delete without asking"};
constexpr OptionSpec kIdOption{"--id", false, "the operands after ADDRESS are Message-IDs as list prints them"};

// Only plain decimal digits: a sign or a blank more likely means a slip than a message.
std::optional<int> MessageNumber(const std::string& text) {
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || text.front() < '0' || text.front() > '9' || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    if (number <= 0) return std::nullopt;
    return number;
}

// How an operand names a row: its number, or its Message-ID in the encoding list prints it in.
std::string RowKey(const app::ListedMail& row, bool byId, const TerminalDeletionView& view) {
    return byId ? view.ForOutput(PrintedMessageId(row)) : std::to_string(row.MessageNo);
}

// Positions of the rows the keys name, top to bottom; nothing when a key names no row, after a line for each.
std::optional<std::vector<std::size_t>> RowsNamed(const std::vector<std::string>& keys, bool byId, Mailbox& mailbox) {
    const std::vector<app::ListedMail>& rows = mailbox.deletion.Rows();
    std::set<std::size_t> named;
    bool allFound = true;
    for (const std::string& key : keys) {
        bool found = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (RowKey(rows[i], byId, mailbox.view) != key) continue;
            named.insert(i);
            found = true;
        }
        if (!found) mailbox.view.Complain("no message " + AsTerminalField(key) + " in the mailbox; nothing deleted");
        allFound = allFound && found;
    }
    if (!allFound) return std::nullopt;
    return std::vector<std::size_t>(named.begin(), named.end());
}

int DeleteNamedMails(const std::vector<std::string>& keys, bool byId, Mailbox& mailbox, Io& io) {
    const app::ListingOutcome listing = mailbox.deletion.ListAccount(mailbox.account);
    if (listing != app::ListingOutcome::Listed) return ListingStatus(listing);
    const std::optional<std::vector<std::size_t>> named = RowsNamed(keys, byId, mailbox);
    if (!named) return kExitFailed;

    std::vector<app::ListedMail> chosen;
    for (const std::size_t index : *named) chosen.push_back(mailbox.deletion.Rows()[index]);
    mailbox.view.Complain("about to delete:");
    PrintMails(chosen, mailbox, io.out);
    mailbox.view.Select(*named);
    const app::DeletionResult result = mailbox.deletion.BitBtn2Click();
    if (result.outcome == app::DeletionResult::Outcome::Declined) {
        mailbox.view.Complain("not confirmed; nothing deleted");
    }
    if (!result.deleted.empty()) mailbox.view.Complain("deleted:");
    PrintMails(result.deleted, mailbox, io.out);
    for (const app::ListedMail& row : result.leftAlone) {
        mailbox.view.Complain("left message " + std::to_string(row.MessageNo) +
                              " alone: its number no longer holds the listed message");
    }
    const bool done = result.outcome == app::DeletionResult::Outcome::Deleted && result.leftAlone.empty();
    return done ? kExitOk : kExitFailed;
}

int DeleteMails(const Options& options, Io& io) {
    const std::vector<std::string>& operands = options.Operands();
    if (operands.size() < 2) return CommandUsageError(kName, io.err, "delete takes ADDRESS and what to delete");
    const bool byId = options.Has(kIdOption.name);
    std::vector<std::string> keys(operands.begin() + 1, operands.end());
    for (std::string& key : keys) {
        if (byId) {
            if (key.empty()) return CommandUsageError(kName, io.err, "an empty Message-ID names no message");
            continue;
        }
        const std::optional<int> number = MessageNumber(key);
        if (!number) return CommandUsageError(kName, io.err, "'" + AsTerminalField(key) + "' is not a message number");
        key = std::to_string(*number);
    }
    return WithMailbox(options, io, kName, options.Has(kYesOption.name),
                       [&](Mailbox& mailbox) { return DeleteNamedMails(keys, byId, mailbox, io); });
}

}  // namespace

Command DeleteCommand() {
    return {
    kName,
    "delete messages of one account's mailbox",
    "Deletes messages from the mailbox of the first account whose mail address is ADDRESS, as the\n"
    "deletion dialog's button does: lists the mailbox afresh, selects the messages N... by number (or,\n"
    "with --id, every message whose Message-ID is one of the operands, as list prints it), prints them in\n"
    "list's format and asks before deleting (a standard input that is not a terminal answers no; --yes\n"
    "answers yes). Deletes them in one session, each only while its number still holds the listed\n"
    "message, then prints the messages deleted. A number or Message-ID not in the listing deletes\n"
    "nothing. Failures go to Quillon.log in the data folder and to standard error, as does every message\n"
    "left alone. Exit status 0 when everything asked was deleted; 1 when not confirmed, when a number or\n"
    "Message-ID was not listed, when the server failed or a message was left alone; 2 for bad usage, an\n"
    "unknown ADDRESS or an unreadable data folder.",
    {kIdOption, kYesOption, kUtf8Option, kDataDirOption},
    &DeleteMails,
    "ADDRESS N... | ADDRESS --id MESSAGE-ID...",
    };
}

}  // namespace cli
