// RunCheck over one account of 5,000 messages on a loopback POP3 server. The baseline is the bare POP3
// client doing the same exchange (TOP n 0 and LIST n for every message) without any handling, measured
// in the same run. The check's own work per summary (decoding, the listing, the seen-set lookup, the
// queue) is the main thread's CPU time beyond the baseline's: wall-clock differences on a shared machine
// are mostly scheduling noise, while the waits themselves cost next to no CPU. The check must stay close
// to the baseline, and its time per summary must not grow with the number of Message-IDs seen before.
// The process keeps to one CPU: on a virtual machine a wake-up across cores can cost more than the whole
// exchange on one, and it comes and goes from run to run, which would swamp the figures.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "app/CheckCycle.h"
#include "app/Texts.h"
#include "net/NMPOP3.h"

namespace {

constexpr int kMessages = 5000;
constexpr int kRounds = 5;
constexpr int kEarlierIds = 200000;
constexpr int kSlice = 1000;
using SteadyClock = std::chrono::steady_clock;

double Milliseconds(SteadyClock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Realistic Japanese headers: encoded-word sender and subject, every tenth an advertisement.
std::string HeaderOf(int n) {
    const std::string id = std::to_string(n);
    const std::string subject = n % 10 == 0 ? "=?ISO-2022-JP?B?GyRCIVpMJD41Qno5LTlwIVslOyE8JWsbKEI=?= " + id
                                            : "=?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?= " + id;
    return "Return-Path: <sender" + id + "@example.co.jp>\r\n"
           "Received: from mx.example.co.jp (mx.example.co.jp [192.0.2.1])\r\n"
           "\tby mail.example.jp with ESMTP id " + id + "; Mon, 7 Dec 2026 09:15:02 +0900\r\n"
           "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <sender" + id + "@example.co.jp>\r\n"
           "To: taro@example.jp\r\n"
           "Subject: " + subject + "\r\n"
           "Message-ID: <" + id + ".check-bench@example.co.jp>\r\n"
           "Date: Mon, 7 Dec 2026 09:15:02 +0900\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n";
}

// One mailbox, one client at a time; each reply leaves in one write with Nagle off, so the client sets
// the pace.
class MailboxServer {
public:
    MailboxServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0) {
            throw std::runtime_error("check_bench: cannot listen on 127.0.0.1");
        }
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        address_ = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        for (int n = 1; n <= kMessages; ++n) headers_.push_back(HeaderOf(n));
        thread_ = std::thread([this] { Serve(); });
    }
    ~MailboxServer() {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }
    const std::string& Address() const { return address_; }

private:
    void Serve() {
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0) continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0) continue;
            const int on = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            Converse(client);
            ::close(client);
        }
    }

    void Converse(int client) const {
        Send(client, "+OK ready\r\n");
        std::string pending;
        char buffer[4096];
        for (;;) {
            const std::size_t end = pending.find("\r\n");
            if (end == std::string::npos) {
                const ssize_t received = ::recv(client, buffer, sizeof buffer, 0);
                if (received <= 0) return;
                pending.append(buffer, static_cast<std::size_t>(received));
                continue;
            }
            const std::string command = pending.substr(0, end);
            pending.erase(0, end + 2);
            Send(client, Reply(command));
            if (command == "QUIT") return;
        }
    }

    std::string Reply(const std::string& command) const {
        if (command == "STAT") return "+OK " + std::to_string(kMessages) + " 9000000\r\n";
        if (command == "QUIT") return "+OK bye\r\n";
        const int n = std::atoi(command.c_str() + std::min(command.size(), command.find(' ') + 1));
        if (n >= 1 && n <= kMessages && command.rfind("TOP ", 0) == 0) {
            return "+OK\r\n" + headers_[static_cast<std::size_t>(n - 1)] + "\r\n.\r\n";
        }
        if (n >= 1 && n <= kMessages && command.rfind("LIST ", 0) == 0) {
            return "+OK " + std::to_string(n) + " " + std::to_string(1800 + n) + "\r\n";
        }
        return "+OK\r\n";
    }

    static void Send(int client, const std::string& bytes) {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += static_cast<std::size_t>(n);
        }
    }

    int listener_ = -1;
    std::string address_;
    std::vector<std::string> headers_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

Timing Measure(const std::function<void()>& run) {
    const double cpuStart = ThreadCpuMilliseconds();
    const auto start = SteadyClock::now();
    run();
    return {Milliseconds(SteadyClock::now() - start), ThreadCpuMilliseconds() - cpuStart};
}

// The least wall time and the least CPU time over the rounds, each the least disturbed figure.
Timing Best(const std::vector<Timing>& timings) {
    Timing best = timings.front();
    for (const Timing& timing : timings) {
        best.wallMs = std::min(best.wallMs, timing.wallMs);
        best.cpuMs = std::min(best.cpuMs, timing.cpuMs);
    }
    return best;
}

Timing BareClient(const std::string& address) {
    net::TNMPOP3 pop;
    pop.Host = address;
    pop.UserID = "taro";
    pop.Password = "secret";
    pop.TimeOut = 60000;
    return Measure([&] {
        pop.Connect();
        for (int n = 1; n <= pop.MailCount(); ++n) pop.GetSummary(n);
        pop.Disconnect();
    });
}

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
    void PlayNewMailSound() override {}
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

// Owns everything one check needs; RunState lives as long as the program would, across checks.
struct CheckRig {
    explicit CheckRig(const std::string& address, const std::filesystem::path& logFolder)
        : log(app::DataFolder(logFolder), clock) {
        const std::string on(app::kFlagOn);
        accounts.Append({"taro@example.jp", "taro", "secret", address, on, on, "smtp.example.jp", on});
        settings.HeaderAdd = true;
    }
    app::CheckCycle& Cycle() {
        if (!cycle) {
            cycle = std::make_unique<app::CheckCycle>(
                app::CheckContext{accounts, settings, run, timer, quiet, quiet, quiet, quiet, log}, timer);
        }
        return *cycle;
    }
    Timing Check() {
        quiet.entries.clear();
        return Measure([&] { Cycle().RunCheck(); });
    }

    app::AccountList accounts;
    app::Settings settings = app::DefaultSettings();
    app::RunState run;
    StillTimer timer;
    Quiet quiet;
    app::SystemClock clock;
    app::EventLog log;
    std::unique_ptr<app::CheckCycle> cycle;
};

double SliceMicrosecondsPerMessage(const std::vector<SteadyClock::time_point>& entries, std::size_t first) {
    return std::chrono::duration<double, std::micro>(entries[first + kSlice] - entries[first]).count() / kSlice;
}

void KeepToOneCpu() {
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(sched_getcpu(), &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) std::fprintf(stderr, "check_bench: runs on every CPU\n");
}

void PrintRow(const char* name, const Timing& timing, const Timing& baseline) {
    // Not clamped: a negative figure says the rounds were disturbed, which a zero would hide.
    const double ownMs = timing.cpuMs - baseline.cpuMs;
    std::printf("%-42s total %7.1f ms  %6.1f us/message  %5.2fx baseline  own work %5.1f us/message = %4.1f%%\n", name,
                timing.wallMs, timing.wallMs * 1000.0 / kMessages, timing.wallMs / baseline.wallMs,
                ownMs * 1000.0 / kMessages, ownMs / timing.wallMs * 100.0);
}

}  // namespace

int main() {
    KeepToOneCpu();
    char folderPattern[] = "/tmp/check-bench-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) return 1;
    const std::filesystem::path logFolder = folderPattern;
    MailboxServer server;

    std::vector<Timing> bare;
    std::vector<Timing> firstChecks;
    std::vector<Timing> repeatedChecks;
    std::vector<Timing> afterManyIds;
    double earlySlice = 0;
    double lateSlice = 0;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(BareClient(server.Address()));

        CheckRig rig(server.Address(), logFolder);
        firstChecks.push_back(rig.Check());
        if (rig.quiet.entries.size() != kMessages + 1 || rig.run.SeenMessageIds.Count() != kMessages) {
            std::fprintf(stderr, "check_bench: the check did not list every message\n");
            return 1;
        }
        // entries[0] is the emptying at the start; slices run from one entry to the entry kSlice later.
        earlySlice += SliceMicrosecondsPerMessage(rig.quiet.entries, 1) / kRounds;
        lateSlice += SliceMicrosecondsPerMessage(rig.quiet.entries, kMessages - kSlice) / kRounds;
        repeatedChecks.push_back(rig.Check());

        CheckRig seasoned(server.Address(), logFolder);
        for (int i = 0; i < kEarlierIds; ++i) {
            // Appended piece by piece: "<" + std::to_string(i) trips a false -Wrestrict in GCC 12.
            std::string id = "<";
            id += std::to_string(i);
            id += ".earlier@example.jp>\r\n";
            seasoned.run.SeenMessageIds.Add(id);
        }
        afterManyIds.push_back(seasoned.Check());
    }
    std::filesystem::remove_all(logFolder);

    const Timing baseline = Best(bare);
    std::printf("RunCheck over one account of %d messages on a loopback POP3 server, best of %d rounds.\n", kMessages,
                kRounds);
    std::printf("Own work: main-thread CPU time beyond the bare client's, per message and as a share of the total.\n");
    std::printf("Server and client share one CPU.\n");
    PrintRow("bare client, TOP and LIST only (baseline)", baseline, baseline);
    PrintRow("RunCheck, first check (every message new)", Best(firstChecks), baseline);
    PrintRow("RunCheck, second check (every one seen)", Best(repeatedChecks), baseline);
    PrintRow("RunCheck, 200,000 Message-IDs seen before", Best(afterManyIds), baseline);
    std::printf("first check, per message: messages 1-%d %.1f us, messages %d-%d %.1f us (%.2fx)\n", kSlice,
                earlySlice, kMessages - kSlice + 1, kMessages, lateSlice, lateSlice / earlySlice);
    return 0;
}
