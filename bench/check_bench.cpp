// RunCheck over one account of 5,000 messages on a loopback POP3 server. The baseline is the bare POP3
// client doing the same exchange (TOP n 0 and LIST n for every message) without any handling, measured
// in the same run. The check's own work per summary (decoding, the listing, the seen-set lookup, the
// queue) is the main thread's CPU time beyond the baseline's: wall-clock differences on a shared machine
// are mostly scheduling noise, while the waits themselves cost next to no CPU. The check must stay close
// to the baseline, and its time per summary must not grow with the number of Message-IDs seen before.
// The process keeps to one CPU.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/CheckRig.h"
#include "net/NMPOP3.h"

namespace {

constexpr int kMessages = 5000;
constexpr int kRounds = 5;
constexpr int kEarlierIds = 200000;
constexpr int kSlice = 1000;

using namespace benchrig;

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

double SliceMicrosecondsPerMessage(const std::vector<SteadyClock::time_point>& entries, std::size_t first) {
    return std::chrono::duration<double, std::micro>(entries[first + kSlice] - entries[first]).count() / kSlice;
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
    KeepToOneCpu("check_bench");
    char folderPattern[] = "/tmp/check-bench-XXXXXX";
    if (mkdtemp(folderPattern) == nullptr) return 1;
    const std::filesystem::path logFolder = folderPattern;
    MailboxServer server(kMessages);

    std::vector<Timing> bare;
    std::vector<Timing> firstChecks;
    std::vector<Timing> repeatedChecks;
    std::vector<Timing> afterManyIds;
    double earlySlice = 0;
    double lateSlice = 0;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(BareClient(server.Address()));

        CheckRig rig(BenchAccount(server.Address(), true), logFolder);
        firstChecks.push_back(rig.Check());
        if (rig.quiet.entries.size() != kMessages + 1 || rig.run.SeenMessageIds.Count() != kMessages) {
            std::fprintf(stderr, "check_bench: the check did not list every message\n");
            return 1;
        }
        // entries[0] is the emptying at the start; slices run from one entry to the entry kSlice later.
        earlySlice += SliceMicrosecondsPerMessage(rig.quiet.entries, 1) / kRounds;
        lateSlice += SliceMicrosecondsPerMessage(rig.quiet.entries, kMessages - kSlice) / kRounds;
        repeatedChecks.push_back(rig.Check());

        CheckRig seasoned(BenchAccount(server.Address(), true), logFolder);
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
