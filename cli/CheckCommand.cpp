// check: one check of the data folder's accounts without a window, for a terminal, a script or a test.

#include <optional>

#include "cli/CheckCommand.h"
#include "cli/DataDirOption.h"
#include "cli/HeadlessCheck.h"

namespace cli {
namespace {

int CheckOnce(const Options& options, Io& io) {
    const app::DataFolder folder = DataFolderFrom(options);
    const std::optional<DataFiles> files = LoadDataFiles(folder, "check", io.err);
    if (!files) return kExitUsage;
    HeadlessCheck(folder, *files, io.out, io.err, options.Has(kUtf8Option.name), "check").Run();
    return kExitOk;
}

}  // namespace

Command CheckCommand() {
    return {
    "check",
    "check every account once and print the content view",
    "Runs one check of every account of the data folder whose check flag is on, as the program's timer\n"
    "does: fetches the header summary of every message and prints the content view listing (Shift_JIS\n"
    "with CR LF line ends, or UTF-8 where the locale is UTF-8 or with --utf8; control characters from a\n"
    "header are printed as \"?\").\n"
    "Then, as every check does, it deletes the queued unsolicited advertisements of the accounts that\n"
    "reject them and answers each one it deleted with a refusal mail where the account also\n"
    "auto-replies. Failed server conversations go to Quillon.log in the data folder, as in the program.\n"
    "Standard error gets one line: the accounts checked, the messages found and how many of them were\n"
    "new (in one run of the command every message is new, except repeated Message-IDs). No sound is\n"
    "played. Exit status 0 when the check ran, even if some accounts failed; 2 for bad usage or an\n"
    "unreadable data folder.",
    {kUtf8Option, kDataDirOption},
    &CheckOnce,
    };
}

}  // namespace cli
