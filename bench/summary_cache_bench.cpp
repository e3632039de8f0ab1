// What remembering summaries by unique-id buys a check of an unchanged mailbox, the second check of a run
// against the first, on one private Dovecot: through a proxy adding 2 ms each way, the bytes the server sends
// and the wall time (10,000 messages); on loopback, the CPU time Dovecot spends (10,000); and the peak memory
// of the real `quillonv-cli watch --count 2` with the header box on at 20,000 messages against an empty
// mailbox. Each first check is the baseline of its second, measured in the same run.

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

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
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

constexpr Mailbox kLarge{"large", 10000};
constexpr Mailbox kHuge{"huge", 20000};
constexpr Mailbox kEmpty{"empty", 0};
constexpr const char* kPassword = "secret";
constexpr std::chrono::milliseconds kOneWayDelay{2};

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

std::filesystem::path DataFolderFor(const Mailbox& mailbox, const std::string& address,
                                    const std::filesystem::path& parent) {
    const std::filesystem::path folder = parent / mailbox.user;
    std::filesystem::create_directory(folder);
    const std::vector<app::AccountRecord> rows{AccountOf(mailbox, address)};
    app::Settings settings = app::DefaultSettings();
    settings.HeaderAdd = true;
    if (!app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder / "quillon.dat") ||
        !app::SaveSettings(settings, folder / "quillet.ini")) {
        throw std::runtime_error("cannot write the data folder " + folder.string());
    }
    return folder;
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

}  // namespace

int main() {
    try {
        PeakMemoryLauncher launcher;
        testsupport::DovecotServer dovecot;
        for (const Mailbox& mailbox : {kLarge, kHuge, kEmpty}) {
            dovecot.AddUser(mailbox.user, kPassword);
            for (int n = 1; n <= mailbox.messages; ++n) dovecot.AddMessage(mailbox.user, HeaderOf(n) + "\r\nbody\r\n");
        }
        dovecot.Start();
        const pid_t master = MasterPid(dovecot);
        const DelayProxy proxy(dovecot.Port(), kOneWayDelay);
        KeepToOneCpu("summary_cache_bench");
        char folderPattern[] = "/tmp/summary-cache-bench-XXXXXX";
        if (mkdtemp(folderPattern) == nullptr) return 1;
        const std::filesystem::path scratch = folderPattern;
        const std::filesystem::path logFolder = scratch / "log";
        std::filesystem::create_directory(logFolder);

        // The first session of a mailbox moves its messages from new/ to cur/ and builds Dovecot's indexes.
        for (const Mailbox& mailbox : {kLarge, kHuge}) CheckRig(AccountOf(mailbox, dovecot.Address()), logFolder).Check();

        CheckRig distant(AccountOf(kLarge, proxy.Address()), logFolder);
        const Figures distantFirst = CheckFigures(distant, &proxy, master, kLarge.messages);
        const Figures distantSecond = CheckFigures(distant, &proxy, master, kLarge.messages);
        CheckRig near(AccountOf(kLarge, dovecot.Address()), logFolder);
        const Figures nearFirst = CheckFigures(near, nullptr, master, kLarge.messages);
        const Figures nearSecond = CheckFigures(near, nullptr, master, kLarge.messages);

        const std::vector<std::string> watch{QUILLONV_CLI_PATH, "watch", "--count", "2", "--every", "0", "--data-dir"};
        std::vector<std::string> huge = watch;
        huge.push_back(DataFolderFor(kHuge, dovecot.Address(), scratch).string());
        std::vector<std::string> empty = watch;
        empty.push_back(DataFolderFor(kEmpty, dovecot.Address(), scratch).string());
        const long hugePeak = std::min(launcher.PeakKilobytes(huge), launcher.PeakKilobytes(huge));
        const long emptyPeak = std::min(launcher.PeakKilobytes(empty), launcher.PeakKilobytes(empty));
        std::filesystem::remove_all(scratch);

        std::printf("One private Dovecot, %d unchanged messages, two checks in one run\n", kLarge.messages);
        PrintShare("through a proxy adding 2 ms each way, bytes from the server",
                   static_cast<double>(distantFirst.bytes), static_cast<double>(distantSecond.bytes), "bytes", 0.03);
        PrintSpeedUp("through a proxy adding 2 ms each way, wall time", distantFirst.timing.wallMs,
                     distantSecond.timing.wallMs, 10);
        PrintShare("loopback, Dovecot's CPU time", nearFirst.serverCpuMs, nearSecond.serverCpuMs, "ms", 0.2);
        std::printf("loopback, the check's own CPU time: first %.1f ms, second %.1f ms\n", nearFirst.timing.cpuMs,
                    nearSecond.timing.cpuMs);
        const double bytesPerMessage = static_cast<double>(hugePeak - emptyPeak) * 1024.0 / kHuge.messages;
        std::printf("quillonv-cli watch --count 2 peak RSS, header box on: %ld KB on %d messages, %ld KB on an empty "
                    "mailbox (baseline): %.0f bytes more per message (target: at most 3072) %s\n",
                    hugePeak, kHuge.messages, emptyPeak, bytesPerMessage, bytesPerMessage <= 3072 ? "met" : "MISSED");
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "summary_cache_bench: %s\n", error.what());
        return 1;
    }
}
