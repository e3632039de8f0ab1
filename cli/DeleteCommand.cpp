// delete: deletes messages of one account's mailbox by number, Message-ID or unique-id, as the deletion
// dialog's button deletes the rows selected in it.

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
constexpr OptionSpec kIdOption{"--id", false, "the operands after ADDRESS are Message-IDs"};
constexpr OptionSpec kUidOption{"--uid", false, "the operands after ADDRESS are unique-ids as list prints them"};

// What the operands after ADDRESS name.
enum class KeyKind { Number, MessageId, UniqueId };

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

// How an operand names a row. A Message-ID is compared with the one the server sent, byte for byte: the
// printed one has its control bytes made "?", so several IDs may print alike.
const std::string& RowKey(const app::ListedMail& row, KeyKind kind, const std::string& number) {
    switch (kind) {
    case KeyKind::MessageId: return row.MessageId;
    case KeyKind::UniqueId: return row.Identity.UniqueId;
    case KeyKind::Number: break;
    }
    return number;
}

// Positions of the rows the keys name, top to bottom; nothing when a key names no row, after a line for each.
std::optional<std::vector<std::size_t>> RowsNamed(const std::vector<std::string>& keys, KeyKind kind,
                                                  Mailbox& mailbox) {
    const std::vector<app::ListedMail>& rows = mailbox.deletion.Rows();
    std::set<std::size_t> named;
    bool allFound = true;
    for (const std::string& key : keys) {
        bool found = false;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (RowKey(rows[i], kind, std::to_string(rows[i].MessageNo)) != key) continue;
            named.insert(i);
            found = true;
        }
        if (!found) mailbox.view.Complain("no message " + AsTerminalField(key) + " in the mailbox; nothing deleted");
        allFound = allFound && found;
    }
    if (!allFound) return std::nullopt;
    return std::vector<std::size_t>(named.begin(), named.end());
}

int DeleteNamedMails(const std::vector<std::string>& keys, KeyKind kind, Mailbox& mailbox, Io& io) {
    const app::ListingOutcome listing = mailbox.deletion.ListAccount(mailbox.account);
    if (listing != app::ListingOutcome::Listed) return ListingStatus(listing);
    const std::optional<std::vector<std::size_t>> named = RowsNamed(keys, kind, mailbox);
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
                              " alone: the server no longer holds it as it was listed");
    }
    const bool done = result.outcome == app::DeletionResult::Outcome::Deleted && result.leftAlone.empty();
    return done ? kExitOk : kExitFailed;
}

int DeleteMails(const Options& options, Io& io) {
    const std::vector<std::string>& operands = options.Operands();
    if (operands.size() < 2) return CommandUsageError(kName, io.err, "delete takes ADDRESS and what to delete");
    if (options.Has(kIdOption.name) && options.Has(kUidOption.name)) {
        return CommandUsageError(kName, io.err, "--id and --uid do not go together");
    }
    const KeyKind kind = options.Has(kIdOption.name)    ? KeyKind::MessageId
                         : options.Has(kUidOption.name) ? KeyKind::UniqueId
                                                        : KeyKind::Number;
    const bool askless = options.Has(kYesOption.name);
    // A number belongs to the session that listed it; unasked, another message may stand there now.
    if (kind == KeyKind::Number && askless) {
        return CommandUsageError(kName, io.err,
                                 "numbers change when other programs delete mail; with --yes name messages by --id "
                                 "or --uid");
    }
    std::vector<std::string> keys(operands.begin() + 1, operands.end());
    for (std::string& key : keys) {
        // An empty ID would name every message without one.
        if (kind != KeyKind::Number) {
            if (key.empty()) return CommandUsageError(kName, io.err, "an empty ID names no message");
            continue;
        }
        const std::optional<int> number = MessageNumber(key);
        if (!number) return CommandUsageError(kName, io.err, "'" + AsTerminalField(key) + "' is not a message number");
        key = std::to_string(*number);
    }
    return WithMailbox(options, io, kName, askless,
                       [&](Mailbox& mailbox) { return DeleteNamedMails(keys, kind, mailbox, io); });
}

}  // namespace

Command DeleteCommand() {
    return {
    kName,
    "delete messages of one account's mailbox",
    "Deletes messages from the mailbox of the first account whose mail address is ADDRESS, as the\n"
    "deletion dialog's button does: lists the mailbox afresh, selects the messages N... by number (or,\n"
    "with --id, every message whose Message-ID, as the server sent it, is one of the operands; with --uid,\n"
    "the messages with those unique-ids, list's fifth column), prints them in list's format and asks\n"
    "before deleting (a standard input that is not a terminal answers no; --yes answers yes, and then\n"
    "takes --id or --uid only, as numbers change when other programs delete mail). Deletes them in one\n"
    "session, each only while the server provably still holds the listed message (the same unique-id\n"
    "where the server gives them, and the same header and size), then prints the messages deleted. An\n"
    "operand not in the listing deletes nothing. Failures go to Quillon.log in the data folder and to\n"
    "standard error, as does every message left alone. Exit status 0 when everything asked was deleted;\n"
    "1 when not confirmed, when an operand was not listed, when the server failed or a message was left\n"
    "alone; 2 for bad usage, an unknown ADDRESS or an unreadable data folder.",
    {kIdOption, kUidOption, kYesOption, kUtf8Option, kDataDirOption},
    &DeleteMails,
    "ADDRESS N... | ADDRESS --id MESSAGE-ID... | ADDRESS --uid UID...",
    };
}

}  // namespace cli
