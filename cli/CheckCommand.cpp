// check: one check of the data folder's accounts without a window, for a terminal, a script or a test.

#include <optional>
#include <ostream>

#include "app/advertisements/AdvertisementHandler.h"
#include "app/check/CheckCycle.h"
#include "app/log/Clock.h"
#include "app/log/EventLog.h"
#include "app/mail/SharedPop3Client.h"
#include "app/notify/NoTray.h"
#include "cli/CheckCommand.h"
#include "cli/DataDirOption.h"
#include "cli/HeadlessCore.h"
#include "cli/TerminalText.h"
#include "jcode/DisplayText.h"

namespace cli {
namespace {

// A terminal command plays no sound.
class NoSound final : public app::NewMailSound {
public:
    void PlayNewMailSound() override {}
};

// The listing goes out entry by entry as the check finds it, so a large mailbox is never held as a whole
// and a reader sees it grow.
class ListingWriter final : public app::CheckView {
public:
    ListingWriter(std::ostream& out, bool utf8) : out_(out), utf8_(utf8) {}

    void SetStatusText(std::string_view) override {}
    void SetCheckNowEnabled(bool) override {}
    void ContentViewCleared() override {}
    void ContentEntryAppended(std::string_view entry) override {
        const std::string safe = WithoutTerminalControls(entry);
        out_ << (utf8_ ? jcode::SjisToUtf8(safe) : safe);
    }
    void MinimizeToTray() override {}

private:
    std::ostream& out_;
    bool utf8_;
};

// One check runs at once, so neither timer ever ticks.
class StillTimer final : public app::Timer {
public:
    void Start() override { running_ = true; }
    void Stop() override { running_ = false; }
    bool Running() const override { return running_; }
    void SetInterval(std::uint32_t milliseconds) override { interval_ = milliseconds; }
    std::uint32_t Interval() const override { return interval_; }

private:
    bool running_ = false;
    std::uint32_t interval_ = 0;
};

int CheckOnce(const Options& options, Io& io) {
    const app::DataFolder folder = DataFolderFrom(options);
    std::optional<DataFiles> files = LoadDataFiles(folder, "check", io.err);
    if (!files) return kExitUsage;
    const app::Settings& settings = files->settings;
    const app::AccountList& accounts = files->accounts;
    app::RunState run;
    const app::SystemClock clock;
    const app::EventLog log(folder, clock);
    StillTimer checkTimer;
    StillTimer countdownTimer;
    ListingWriter window(io.out, options.Has(kUtf8Option.name));
    app::NoTray tray;
    NoSound sound;
    const app::ClientSetup clients = TerminalClients("check", io.err);
    app::SharedPop3Client deletionClient(log, clients);
    app::AdvertisementHandler passes({settings, files->replyBody, window, log, deletionClient}, clients);

    app::CheckCycle cycle({accounts, settings, run, checkTimer, window, tray, sound, passes, log}, countdownTimer,
                          clients);
    cycle.RunCheck();

    const app::CheckTally& tally = cycle.LastTally();
    io.err << "checked " << tally.accountsChecked << " accounts, found " << tally.messagesFound << " messages, "
           << tally.newMessages << " new\n";
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
