// What sending summaries' commands ahead of their replies buys, against Python's poplib sending one command at
// a time, on one private Dovecot with a mailbox per size: through a proxy adding 2 ms each way (500 messages),
// on plain loopback (10,000), the check's cost per message at 1,000 and at 50,000 messages, and the peak
// memory of the real quillonv-cli check on 50,000 messages against an empty mailbox.
// Dovecot and the proxy's thread start first and may use every CPU, as a server and a network would; the
// measured check and the Python clients then keep to one.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CheckRig.h"
#include "bench/DelayProxy.h"
#include "bench/PeakMemoryLauncher.h"
#include "tests/support/DovecotServer.h"

namespace {

using namespace benchrig;

struct Mailbox {
    const char* user;
    int messages;
};

constexpr Mailbox kDistant{"distant", 500};
constexpr Mailbox kSmall{"small", 1000};
constexpr Mailbox kLarge{"large", 10000};
constexpr Mailbox kHuge{"huge", 50000};
constexpr Mailbox kEmpty{"empty", 0};
constexpr Mailbox kMailboxes[] = {kDistant, kSmall, kLarge, kHuge, kEmpty};
constexpr const char* kPassword = "secret";
constexpr std::chrono::milliseconds kOneWayDelay{2};

app::AccountRecord AccountOf(const Mailbox& mailbox, const std::string& address) {
    app::AccountRecord account = BenchAccount(address, false);
    account.UserId = mailbox.user;
    account.Password = kPassword;
    return account;
}

// The least wall and CPU time of the rounds, each a whole check of the mailbox at that address.
Timing CheckTiming(const Mailbox& mailbox, const std::string& address, const std::filesystem::path& logFolder,
                   int rounds) {
    std::vector<Timing> timings;
    for (int round = 0; round < rounds; ++round) {
        CheckRig rig(AccountOf(mailbox, address), logFolder);
        timings.push_back(rig.Check());
        if (rig.Cycle().LastTally().messagesFound != mailbox.messages) {
            throw std::runtime_error(std::string("the check did not list every message of ") + mailbox.user);
        }
    }
    return Best(timings);
}

// The least of the rounds, as the script measures each around its own exchange.
double PoplibMilliseconds(const Mailbox& mailbox, std::uint16_t port, int rounds) {
    const std::string command = std::string("/usr/bin/python3 ") + QUILLONV_POPLIB_SCRIPT + " 127.0.0.1 " +
                                std::to_string(port) + " " + mailbox.user + " " + kPassword;
    double least = 0;
    for (int round = 0; round < rounds; ++round) {
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        double seconds = 0;
        int messages = 0;
        if (!pipe || std::fscanf(pipe.get(), "%lf %d", &seconds, &messages) != 2 || messages != mailbox.messages) {
            throw std::runtime_error("poplib did not fetch every summary: " + command);
        }
        least = round == 0 ? seconds * 1000.0 : std::min(least, seconds * 1000.0);
    }
    return least;
}

// The least peak resident set, in KB, of `quillonv-cli check` on that folder over the rounds.
long LeastCliPeakKilobytes(PeakMemoryLauncher& launcher, const std::filesystem::path& dataFolder, int rounds) {
    const std::vector<std::string> command{QUILLONV_CLI_PATH, "check", "--data-dir", dataFolder.string()};
    long least = launcher.PeakKilobytes(command);
    for (int round = 1; round < rounds; ++round) least = std::min(least, launcher.PeakKilobytes(command));
    return least;
}

void PrintAgainstPoplib(const char* row, const Mailbox& mailbox, double checkMs, double poplibMs,
                        double targetTimes) {
    std::printf("%s, %d messages: check %.1f ms, poplib (baseline) %.1f ms: the check %.2fx faster "
                "(target: at least %.0fx) %s\n",
                row, mailbox.messages, checkMs, poplibMs, poplibMs / checkMs, targetTimes,
                poplibMs / checkMs >= targetTimes ? "met" : "MISSED");
}

// Wall and own CPU time per message at 1,000 messages (the baseline) and at 50,000, each less `session`.
void PrintCostPerMessage(const Timing& small, const Timing& huge, const Timing& session) {
    const auto perMessage = [](double milliseconds, const Mailbox& mailbox) {
        return milliseconds * 1000.0 / mailbox.messages;
    };
    const double smallCost = perMessage(small.wallMs - session.wallMs, kSmall);
    const double hugeCost = perMessage(huge.wallMs - session.wallMs, kHuge);
    std::printf(" %.1f us at %d messages (baseline, own CPU %.1f us), %.1f us at %d (own CPU %.1f us): %.2fx "
                "(target: flat)\n",
                smallCost, kSmall.messages, perMessage(small.cpuMs - session.cpuMs, kSmall), hugeCost,
                kHuge.messages, perMessage(huge.cpuMs - session.cpuMs, kHuge), hugeCost / smallCost);
}

}  // namespace

int main() {
    try {
        PeakMemoryLauncher launcher;
        testsupport::DovecotServer dovecot;
        for (const Mailbox& mailbox : kMailboxes) {
            dovecot.AddUser(mailbox.user, kPassword);
            for (int n = 1; n <= mailbox.messages; ++n) dovecot.AddMessage(mailbox.user, HeaderOf(n) + "\r\nbody\r\n");
        }
        dovecot.Start();
        const DelayProxy proxy(dovecot.Port(), kOneWayDelay);
        KeepToOneCpu("pipelining_bench");
        char folderPattern[] = "/tmp/pipelining-bench-XXXXXX";
        if (mkdtemp(folderPattern) == nullptr) return 1;
        const std::filesystem::path scratch = folderPattern;
        const std::filesystem::path logFolder = scratch / "log";
        std::filesystem::create_directory(logFolder);

        // The first session of a mailbox moves its messages from new/ to cur/ and builds Dovecot's indexes.
        for (const Mailbox& mailbox : kMailboxes) CheckTiming(mailbox, dovecot.Address(), logFolder, 1);

        const Timing distantCheck = CheckTiming(kDistant, proxy.Address(), logFolder, 5);
        const double distantPoplib = PoplibMilliseconds(kDistant, proxy.Port(), 3);
        const Timing largeCheck = CheckTiming(kLarge, dovecot.Address(), logFolder, 3);
        const double largePoplib = PoplibMilliseconds(kLarge, dovecot.Port(), 3);
        const Timing smallCheck = CheckTiming(kSmall, dovecot.Address(), logFolder, 5);
        const Timing hugeCheck = CheckTiming(kHuge, dovecot.Address(), logFolder, 3);
        const Timing emptyCheck = CheckTiming(kEmpty, dovecot.Address(), logFolder, 5);
        const long hugePeak = LeastCliPeakKilobytes(launcher, WriteDataFolder(scratch / kHuge.user, AccountOf(kHuge, dovecot.Address())), 3);
        const long emptyPeak = LeastCliPeakKilobytes(launcher, WriteDataFolder(scratch / kEmpty.user, AccountOf(kEmpty, dovecot.Address())), 3);
        std::filesystem::remove_all(scratch);

        std::printf("One private Dovecot; every figure the least of its rounds\n");
        PrintAgainstPoplib("through a proxy adding 2 ms each way", kDistant, distantCheck.wallMs, distantPoplib, 15);
        PrintAgainstPoplib("loopback", kLarge, largeCheck.wallMs, largePoplib, 2);
        std::printf("check's cost per message:");
        PrintCostPerMessage(smallCheck, hugeCheck, Timing{});
        // A session's own cost (connecting, logging in, Dovecot opening the mailbox) is shared by fewer messages
        // in the small mailbox; without it the figures show what each message adds.
        std::printf("  less an empty mailbox's session (%.1f ms, own CPU %.1f ms):", emptyCheck.wallMs,
                    emptyCheck.cpuMs);
        PrintCostPerMessage(smallCheck, hugeCheck, emptyCheck);
        const double bytesPerMessage = static_cast<double>(hugePeak - emptyPeak) * 1024.0 / kHuge.messages;
        std::printf("quillonv-cli check peak RSS: %ld KB on %d messages, %ld KB on an empty mailbox (baseline): "
                    "%.0f bytes more per message (target: at most 2048) %s\n",
                    hugePeak, kHuge.messages, emptyPeak, bytesPerMessage, bytesPerMessage <= 2048 ? "met" : "MISSED");
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pipelining_bench: %s\n", error.what());
        return 1;
    }
}
