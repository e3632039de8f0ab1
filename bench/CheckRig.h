#pragma once
// What the check benchmarks share: a loopback POP3 server with a mailbox of realistic Japanese headers,
// a headless check that records when each entry reached the listing, and the timing of one run.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/check/CheckCycle.h"

namespace benchrig {

using SteadyClock = std::chrono::steady_clock;

double Milliseconds(SteadyClock::duration duration);

// Encoded-word sender and subject, every tenth an advertisement.
std::string HeaderOf(int n);
// The same behind the relays, signatures and list lines a message delivered through a large provider carries
// today: about 2.7 KB in all.
std::string DeliveredHeaderOf(int n);

// One mailbox, one client at a time; each reply leaves in one write with Nagle off, so the client sets
// the pace.
class MailboxServer {
public:
    explicit MailboxServer(int messages);
    ~MailboxServer();
    const std::string& Address() const { return address_; }

private:
    void Serve();
    void Converse(int client) const;
    std::string Reply(const std::string& command) const;

    int listener_ = -1;
    std::string address_;
    std::vector<std::string> headers_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Timing {
    double wallMs = 0;
    double cpuMs = 0;  // of the calling thread
};

Timing Measure(const std::function<void()>& run);
// The least wall time and the least CPU time over the rounds, each the least disturbed figure.
Timing Best(const std::vector<Timing>& timings);

// A check with nothing to show it: no window, no tray, no sound, no advertisement passes.
class Quiet final : public app::CheckView, public app::Tray, public app::NewMailSound, public app::AdvertisementPasses {
public:
    // The moment every entry reached the listing, to see whether later summaries cost more.
    std::vector<SteadyClock::time_point> entries;

    void SetStatusText(std::string_view) override {}
    void SetCheckNowEnabled(bool) override {}
    void ContentViewCleared() override { entries.push_back(SteadyClock::now()); }
    void ContentEntryAppended(std::string_view) override { entries.push_back(SteadyClock::now()); }
    void MinimizeToTray() override {}
    bool Animating() const override { return animating_; }
    void StartAnimation() override { animating_ = true; }
    void StopAnimation() override { animating_ = false; }
    void PlayNewMailSound(const app::NewMail&) override {}
    std::vector<app::AdCandidate> DeleteAdvertisements(const std::vector<app::AdCandidate>&,
                                                       const std::vector<app::AccountRecord>&) override {
        return {};
    }
    void SendRefusalMails(const std::vector<app::AdCandidate>&, const std::vector<app::AccountRecord>&) override {}
    void Abort() override {}

private:
    bool animating_ = false;
};

class StillTimer final : public app::Timer {
public:
    void Start() override {}
    void Stop() override {}
    bool Running() const override { return true; }
    void SetInterval(std::uint32_t) override {}
    std::uint32_t Interval() const override { return 900000; }
};

// The account the benchmarks check. With `rejecting` its advertisements are queued (the queue's cost is
// the check's); a check that runs the real advertisement passes must not reject, or the passes would
// delete the mailbox and look up the refusal mails' SMTP server.
app::AccountRecord BenchAccount(const std::string& address, bool rejecting);

// Owns everything one headless check needs; RunState lives as long as the program would, across checks.
struct CheckRig {
    CheckRig(const app::AccountRecord& account, const std::filesystem::path& logFolder);
    app::CheckCycle& Cycle();
    Timing Check();

    app::AccountList accounts;
    app::Settings settings = app::DefaultSettings();
    app::RunState run;
    StillTimer timer;
    Quiet quiet;
    app::SystemClock clock;
    app::EventLog log;
    std::unique_ptr<app::CheckCycle> cycle;
};

// Makes `folder` a data folder as quillonv-cli finds it: that one account and those settings.
std::filesystem::path WriteDataFolder(const std::filesystem::path& folder, const app::AccountRecord& account,
                                      const app::Settings& settings = app::DefaultSettings());

// On a virtual machine a wake-up across cores can cost more than a whole exchange on one, and it comes
// and goes from run to run, which would swamp the figures.
void KeepToOneCpu(const char* benchmark);

}  // namespace benchrig
