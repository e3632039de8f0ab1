// accounts and settings: what the program would load from its data folder, for checking a folder or a
// data file written elsewhere without starting the program.

#include <ostream>
#include <string>

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/DataFolder.h"
#include "app/data/Settings.h"
#include "cli/DataCommands.h"
#include "cli/DataDirOption.h"
#include "cli/TerminalText.h"
#include "jcode/DisplayText.h"

namespace cli {
namespace {

// Writes Shift_JIS lines as they are, or converted for a UTF-8 terminal.
class LineWriter {
public:
    LineWriter(const Options& options, std::ostream& out) : utf8_(options.Has(kUtf8Option.name)), out_(out) {}
    void Write(const std::string& sjisLine) { out_ << (utf8_ ? jcode::SjisToUtf8(sjisLine) : sjisLine) << '\n'; }

private:
    bool utf8_;
    std::ostream& out_;
};

// A data file may come from another program, so no value reaches the terminal unchecked.
std::string TabSeparated(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const std::string_view field : fields) {
        if (!line.empty()) line += '\t';
        line += AsTerminalField(field);
    }
    return line;
}

int ListAccounts(const Options& options, Io& io) {
    LineWriter writer(options, io.out);
    // The password column stays out, as it is hidden in the window.
    writer.Write(TabSeparated({app::kColumnMailAddress, app::kColumnUserId, app::kColumnPopServer,
                               app::kColumnCheckFlag, app::kColumnRejectFlag, app::kColumnSmtpServer,
                               app::kColumnAutoReplyFlag}));
    for (const app::AccountRecord& row : app::LoadAccountFile(DataFolderFrom(options).AccountFile())) {
        writer.Write(TabSeparated({row.MailAddress, row.UserId, row.PopServer, row.CheckFlag, row.RejectFlag,
                                   row.SmtpServer, row.AutoReplyFlag}));
    }
    return kExitOk;
}

int ShowSettings(const Options& options, Io& io) {
    LineWriter writer(options, io.out);
    const app::Settings settings = app::LoadSettings(DataFolderFrom(options).SettingsFile());
    for (const app::SettingsKey& key : app::SettingsKeys()) {
        writer.Write(std::string(key.name) + "=" + AsTerminalField(key.write(settings)));
    }
    return kExitOk;
}

}  // namespace

Command AccountsCommand() {
    return {
    "accounts",
    "list the accounts of the data folder",
    "Lists the accounts of quillon.dat as the program loads them, one tab-separated line each after a\n"
    "line of column names: address, user, POP server, check, reject, SMTP server, auto-reply. The\n"
    "password is never shown, control characters in a value show as \"?\". A missing file lists no\n"
    "accounts.",
    {kUtf8Option, kDataDirOption},
    &ListAccounts,
    };
}

Command SettingsCommand() {
    return {
    "settings",
    "print the settings as the program reads them",
    "Prints the seven settings of quillet.ini as Key=Value lines, the way the program reads them: a\n"
    "missing file or key gives its default, an unusable value what the program uses instead. Control\n"
    "characters in a value show as \"?\".",
    {kUtf8Option, kDataDirOption},
    &ShowSettings,
    };
}

}  // namespace cli
