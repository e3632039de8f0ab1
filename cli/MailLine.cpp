#include "cli/MailLine.h"

#include "cli/TerminalText.h"

namespace cli {

std::string MailLine(const app::ListedMail& row) {
    return std::to_string(row.MessageNo) + '\t' + AsTerminalField(row.Sender) + '\t' + AsTerminalField(row.Subject) +
           '\t' + AsTerminalField(row.MessageId) + '\t' + AsTerminalField(row.Identity.UniqueId);
}

}  // namespace cli
