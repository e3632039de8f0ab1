#include "cli/HeadlessCheck.h"

#include <ostream>
#include <utility>

#include "app/advertisements/AdvertisementHandler.h"
#include "app/check/CheckCycle.h"
#include "app/log/Clock.h"
#include "app/log/EventLog.h"
#include "app/mail/SharedPop3Client.h"
#include "app/notify/NoTray.h"
#include "cli/TerminalText.h"
#include "jcode/DisplayText.h"

namespace cli {
namespace {

// A terminal command plays no sound.
class NoSound final : public app::NewMailSound {
public:
    void PlayNewMailSound(const app::NewMail&) override {}
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

// The runner starts every check itself, so neither timer ever ticks.
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

app::ClientSetup ClientsWithPump(std::string_view commandName, std::ostream& err, net::PumpFunction pump) {
    app::ClientSetup setup = TerminalClients(commandName, err);
    setup.pump = std::move(pump);
    return setup;
}

}  // namespace

struct HeadlessCheck::Parts {
    Parts(const app::DataFolder& folder, const DataFiles& files, std::ostream& out, std::ostream& err, bool utf8,
          std::string_view commandName, net::PumpFunction pump)
        : log(folder, clock),
          window(out, utf8),
          clients(ClientsWithPump(commandName, err, std::move(pump))),
          deletionClient(log, clients),
          passes({files.settings, files.replyBody, window, log, deletionClient}, clients),
          cycle({files.accounts, files.settings, run, checkTimer, window, tray, sound, passes, log}, countdownTimer,
                clients) {}

    app::RunState run;
    const app::SystemClock clock;
    const app::EventLog log;
    StillTimer checkTimer;
    StillTimer countdownTimer;
    ListingWriter window;
    app::NoTray tray;
    NoSound sound;
    const app::ClientSetup clients;
    app::SharedPop3Client deletionClient;
    app::AdvertisementHandler passes;
    app::CheckCycle cycle;
};

HeadlessCheck::HeadlessCheck(const app::DataFolder& folder, const DataFiles& files, std::ostream& out,
                             std::ostream& err, bool utf8, std::string_view commandName, net::PumpFunction pump)
    : parts_(std::make_unique<Parts>(folder, files, out, err, utf8, commandName, std::move(pump))), err_(err) {}

HeadlessCheck::~HeadlessCheck() = default;

void HeadlessCheck::Run() {
    parts_->cycle.RunCheck();
    const app::CheckTally& tally = parts_->cycle.LastTally();
    err_ << "checked " << tally.accountsChecked << " accounts, found " << tally.messagesFound << " messages, "
         << tally.newMessages << " new\n";
}

void HeadlessCheck::Abort() {
    parts_->cycle.Abort();
}

}  // namespace cli
