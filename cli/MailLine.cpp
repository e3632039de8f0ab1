#include "cli/MailLine.h"

#include <string_view>

#include "cli/TerminalText.h"

namespace cli {

std::string PrintedMessageId(const app::ListedMail& row) {
    constexpr std::string_view kAround = " \t\r\n";
    const std::string_view id = row.MessageId;
    const std::size_t first = id.find_first_not_of(kAround);
    if (first == std::string_view::npos) return {};
    return AsTerminalField(id.substr(first, id.find_last_not_of(kAround) - first + 1));
}

std::string MailLine(const app::ListedMail& row) {
    return std::to_string(row.MessageNo) + '\t' + AsTerminalField(row.Sender) + '\t' + AsTerminalField(row.Subject) +
           '\t' + PrintedMessageId(row);
}

}  // namespace cli
