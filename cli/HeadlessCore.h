#pragma once
// What every command that runs the core without a window needs: a main window that shows nothing and the
// data files of the data folder, loaded as the program loads them at start.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "app/CheckView.h"
#include "app/data/AccountList.h"
#include "app/data/DataFolder.h"
#include "app/data/Settings.h"
#include "app/mail/ClientSetup.h"

namespace cli {

// Nothing is shown while the core runs; a command prints what it found at the end.
class NoWindow final : public app::CheckView {
public:
    void SetStatusText(std::string_view) override {}
    void SetCheckNowEnabled(bool) override {}
    void ContentViewCleared() override {}
    void ContentEntryAppended(std::string_view) override {}
    void MinimizeToTray() override {}
};

// How the command's mail clients reach their servers: the system's resolver, the usual time-out, and a line on
// `err` under the command's name for every server TLS could not be set up with, saying why.
app::ClientSetup TerminalClients(std::string_view commandName, std::ostream& err);

struct DataFiles {
    app::AccountList accounts;
    app::Settings settings;
    std::string replyBody;
};

// The folder must be there to be read; its files may be missing (defaults, no accounts) but not unreadable.
// Nothing when it cannot be read, after a line on `err` that says so under the command's name.
std::optional<DataFiles> LoadDataFiles(const app::DataFolder& folder, std::string_view commandName, std::ostream& err);

}  // namespace cli
