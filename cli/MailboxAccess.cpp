#include "cli/MailboxAccess.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "app/RunState.h"
#include "app/log/Clock.h"
#include "app/log/EventLog.h"
#include "app/mail/SharedPop3Client.h"
#include "cli/DataDirOption.h"
#include "cli/HeadlessCore.h"
#include "cli/MailLine.h"
#include "cli/TerminalText.h"

namespace cli {

int WithMailbox(const Options& options, Io& io, std::string_view commandName, bool assumeYes,
                const std::function<int(Mailbox&)>& work) {
    const app::DataFolder folder = DataFolderFrom(options);
    const std::optional<DataFiles> files = LoadDataFiles(folder, commandName, io.err);
    if (!files) return kExitUsage;
    const std::string& address = options.Operands().front();
    const auto& rows = files->accounts.Rows();
    const auto account = std::find_if(rows.begin(), rows.end(),
                                      [&](const app::AccountRecord& row) { return row.MailAddress == address; });
    TerminalDeletionView view(io, commandName, options.Has(kUtf8Option.name), assumeYes);
    if (account == rows.end()) {
        view.Complain("no account has the mail address " + AsTerminalField(address));
        return kExitUsage;
    }

    app::RunState run;
    const app::SystemClock clock;
    const app::EventLog log(folder, clock);
    NoWindow window;
    app::SharedPop3Client pop3(log, TerminalClients(commandName, io.err));
    app::IndividualDeletion deletion({files->accounts, run, window, view, log, pop3}, {});
    Mailbox mailbox{*account, deletion, view};
    return work(mailbox);
}

void PrintMails(const std::vector<app::ListedMail>& rows, const Mailbox& mailbox, std::ostream& out) {
    for (const app::ListedMail& row : rows) out << mailbox.view.ForOutput(MailLine(row)) << '\n';
}

int ListingStatus(app::ListingOutcome outcome) {
    return outcome == app::ListingOutcome::Listed ? kExitOk : kExitFailed;
}

}  // namespace cli
