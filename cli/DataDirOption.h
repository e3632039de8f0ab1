#pragma once

#include "app/data/DataFolder.h"
#include "cli/Command.h"

namespace cli {

// Every command takes it, so scripts can pass it whatever they run.
inline constexpr OptionSpec kDataDirOption{"--data-dir", true, "use this data folder instead of the usual one"};
// The same option for the commands that read no data files, with a help line that says so.
inline constexpr OptionSpec kIgnoredDataDirOption{kDataDirOption.name, true, "accepted and ignored: reads no data"};

// The folder --data-dir names, else the usual one.
inline app::DataFolder DataFolderFrom(const Options& options) {
    if (const auto folder = options.Value(kDataDirOption.name)) return app::DataFolder(*folder);
    return app::DataFolder::FromEnvironment();
}

// For the commands that print what the program holds in Shift_JIS: every command that offers --utf8 also
// takes --sjis, and without either follows the locale (cli/TerminalEncoding.h).
inline constexpr OptionSpec kUtf8Option{"--utf8", false, "write UTF-8 (the default where the locale is UTF-8)"};
inline constexpr OptionSpec kSjisOption{"--sjis", false, "Shift_JIS instead, whatever the locale"};

}  // namespace cli
