// What remembering summaries by unique-id buys a check of an unchanged mailbox, the second check of a run
// against the first, on one private Dovecot: through a proxy adding 2 ms each way, the bytes the server sends
// and the wall time (10,000 messages); on loopback, the CPU time Dovecot spends (10,000); and the peak memory
// of the real `quillonv-cli watch --count 2` with the header box on at 20,000 messages against an empty
// mailbox. Each first check is the baseline of its second, measured in the same run. Every figure comes for
// the bare headers of the other benchmarks and for headers as delivered today, whose relays and signatures
// make them five times larger.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/CheckRig.h"
#include "bench/DelayProxy.h"
#include "bench/PeakMemoryLauncher.h"
#include "tests/support/DovecotServer.h"

namespace {

using namespace benchrig;

struct Mailbox {
    std::string user;
    int messages;
    std::string (*header)(int n);
};

constexpr const char* kPassword = "secret";
constexpr std::chrono::milliseconds kOneWayDelay{2};
constexpr int kChecked = 10000;
constexpr int kWatched = 20000;

app::AccountRecord AccountOf(const Mailbox& mailbox, const std::string& address) {
    app::AccountRecord account = BenchAccount(address, false);
    account.UserId = mailbox.user;
    account.Password = kPassword;
    return account;
}

// CPU time, in ms, that a process and the children it has reaped have used, from /proc/PID/stat.
double ProcessCpuMilliseconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The fields after the command name, which ends in the last ")": state is field 3, utime field 14.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::vector<std::string> values;
    for (std::string value; fields >> value;) values.push_back(value);
    if (values.size() < 15) return 0;
    double ticks = 0;
    for (int field = 14; field <= 17; ++field) ticks += std::stod(values[static_cast<std::size_t>(field - 3)]);
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Dovecot's master and every process it runs now, their reaped children included.
double DovecotCpuMilliseconds(pid_t master) {
    double total = ProcessCpuMilliseconds(master);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string state;
        pid_t parent = 0;
        if (fields >> state >> parent && parent == master) total += ProcessCpuMilliseconds(std::stoi(name));
    }
    return total;
}

pid_t MasterPid(const testsupport::DovecotServer& dovecot) {
    std::ifstream file(dovecot.Folder() / "run" / "master.pid");
    pid_t pid = 0;
    if (!(file >> pid)) throw std::runtime_error("no master.pid from Dovecot");
    return pid;
}

struct Figures {
    Timing timing;
    std::uint64_t bytes = 0;
    double serverCpuMs = 0;
};

// One check of the rig, with what the proxy saw of it and what Dovecot spent on it; a session's process
// is reaped a moment after it ends.
Figures CheckFigures(CheckRig& rig, const DelayProxy* proxy, pid_t master, int messages) {
    const std::uint64_t bytesBefore = proxy ? proxy->BytesFromUpstream() : 0;
    const double cpuBefore = DovecotCpuMilliseconds(master);
    Figures figures;
    figures.timing = rig.Check();
    if (rig.Cycle().LastTally().messagesFound != messages) throw std::runtime_error("a message was not listed");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    figures.bytes = proxy ? proxy->BytesFromUpstream() - bytesBefore : 0;
    figures.serverCpuMs = DovecotCpuMilliseconds(master) - cpuBefore;
    return figures;
}

// The second check's figure as a share of the first's, the baseline.
void PrintShare(const char* what, double first, double second, const char* unit, double largestShare) {
    std::printf("%s: first check %.1f %s (baseline), second %.1f %s: %.2f%% of it (target: at most %.0f%%) %s\n",
                what, first, unit, second, unit, 100.0 * second / first, 100.0 * largestShare,
                second <= first * largestShare ? "met" : "MISSED");
}

void PrintSpeedUp(const char* what, double firstMs, double secondMs, double leastTimes) {
    std::printf("%s: first check %.1f ms (baseline), second %.1f ms: %.1fx faster (target: at least %.0fx) %s\n",
                what, firstMs, secondMs, firstMs / secondMs, leastTimes,
                firstMs / secondMs >= leastTimes ? "met" : "MISSED");
}

// The figures of one kind of header.
void MeasureAndPrint(const char* kind, const Mailbox& checked, const Mailbox& watched, const Mailbox& empty,
                     const testsupport::DovecotServer& dovecot, const DelayProxy& proxy, PeakMemoryLauncher& launcher,
                     const std::filesystem::path& scratch) {
    const pid_t master = MasterPid(dovecot);
    const std::filesystem::path logFolder = scratch / "log";
    std::filesystem::create_directories(logFolder);
    CheckRig distant(AccountOf(checked, proxy.Address()), logFolder);
    const Figures distantFirst = CheckFigures(distant, &proxy, master, checked.messages);
    const Figures distantSecond = CheckFigures(distant, &proxy, master, checked.messages);
    CheckRig near(AccountOf(checked, dovecot.Address()), logFolder);
    const Figures nearFirst = CheckFigures(near, nullptr, master, checked.messages);
    const Figures nearSecond = CheckFigures(near, nullptr, master, checked.messages);
    app::Settings withHeaders = app::DefaultSettings();
    withHeaders.HeaderAdd = true;
    const auto watch = [&](const Mailbox& mailbox) {
        const std::filesystem::path folder =
            WriteDataFolder(scratch / mailbox.user, AccountOf(mailbox, dovecot.Address()), withHeaders);
        const std::vector<std::string> command{QUILLONV_CLI_PATH, "watch", "--count", "2", "--every", "0",
                                               "--data-dir", folder.string()};
        return std::min(launcher.PeakKilobytes(command), launcher.PeakKilobytes(command));
    };
    const long watchedPeak = watch(watched);
    const long emptyPeak = watch(empty);

    std::printf("%s, %d unchanged messages, two checks in one run:\n", kind, checked.messages);
    PrintShare(" through a proxy adding 2 ms each way, bytes from the server",
               static_cast<double>(distantFirst.bytes), static_cast<double>(distantSecond.bytes), "bytes", 0.03);
    PrintSpeedUp(" through a proxy adding 2 ms each way, wall time", distantFirst.timing.wallMs,
                 distantSecond.timing.wallMs, 10);
    PrintShare(" loopback, Dovecot's CPU time", nearFirst.serverCpuMs, nearSecond.serverCpuMs, "ms", 0.2);
    std::printf(" loopback, the check's own CPU time: first %.1f ms, second %.1f ms\n", nearFirst.timing.cpuMs,
                nearSecond.timing.cpuMs);
    const double bytesPerMessage = static_cast<double>(watchedPeak - emptyPeak) * 1024.0 / watched.messages;
    std::printf(" quillonv-cli watch --count 2 peak RSS, header box on: %ld KB on %d messages, %ld KB on an empty "
                "mailbox (baseline): %.0f bytes more per message (target: at most 3072) %s\n",
                watchedPeak, watched.messages, emptyPeak, bytesPerMessage, bytesPerMessage <= 3072 ? "met" : "MISSED");
}

}  // namespace

int main() {
    try {
        PeakMemoryLauncher launcher;
        const Mailbox bareChecked{"bare", kChecked, &HeaderOf}, bareWatched{"bare-watched", kWatched, &HeaderOf};
        const Mailbox deliveredChecked{"delivered", kChecked, &DeliveredHeaderOf};
        const Mailbox deliveredWatched{"delivered-watched", kWatched, &DeliveredHeaderOf};
        const Mailbox empty{"empty", 0, &HeaderOf};
        testsupport::DovecotServer dovecot;
        for (const Mailbox* mailbox : {&bareChecked, &bareWatched, &deliveredChecked, &deliveredWatched, &empty}) {
            dovecot.AddUser(mailbox->user, kPassword);
            for (int n = 1; n <= mailbox->messages; ++n) {
                dovecot.AddMessage(mailbox->user, mailbox->header(n) + "\r\nbody\r\n");
            }
        }
        dovecot.Start();
        const DelayProxy proxy(dovecot.Port(), kOneWayDelay);
        KeepToOneCpu("summary_cache_bench");
        char folderPattern[] = "/tmp/summary-cache-bench-XXXXXX";
        if (mkdtemp(folderPattern) == nullptr) return 1;
        const std::filesystem::path scratch = folderPattern;
        // The first session of a mailbox moves its messages from new/ to cur/ and builds Dovecot's indexes.
        for (const Mailbox* mailbox : {&bareChecked, &bareWatched, &deliveredChecked, &deliveredWatched}) {
            CheckRig(AccountOf(*mailbox, dovecot.Address()), scratch).Check();
        }
        std::printf("One private Dovecot; each second check against the first of the same run\n");
        MeasureAndPrint("Bare headers (about 550 bytes)", bareChecked, bareWatched, empty, dovecot, proxy, launcher,
                        scratch);
        MeasureAndPrint("Headers as delivered today (about 2.7 KB)", deliveredChecked, deliveredWatched, empty,
                        dovecot, proxy, launcher, scratch);
        std::filesystem::remove_all(scratch);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "summary_cache_bench: %s\n", error.what());
        return 1;
    }
}
