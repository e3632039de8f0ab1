// watch: the program's check timer without windows, for a headless machine: a check at start and then every
// interval, until a number of checks is done or the command is interrupted.

#include <signal.h>

#include <charconv>
#include <chrono>
#include <csignal>
#include <optional>
#include <thread>

#include "app/data/Settings.h"
#include "cli/CheckCommand.h"
#include "cli/DataDirOption.h"
#include "cli/HeadlessCheck.h"
#include "cli/TerminalText.h"

namespace cli {
namespace {

constexpr std::string_view kName = "watch";
constexpr OptionSpec kCountOption{"--count", true, "stop after this many checks"};
constexpr OptionSpec kEveryOption{"--every", true, "seconds between checks (default: the settings' interval)"};
// How often the wait between checks looks whether it was interrupted.
constexpr std::chrono::milliseconds kWaitSlice{100};

volatile std::sig_atomic_t interrupted = 0;

extern "C" void NoteInterruption(int) {
    interrupted = 1;
}

// SIGINT and SIGTERM end the watch between or during checks instead of the process; the earlier handlers
// come back when it ends.
class InterruptionCatcher {
public:
    InterruptionCatcher() {
        interrupted = 0;
        struct sigaction action {};
        action.sa_handler = NoteInterruption;
        sigemptyset(&action.sa_mask);
        // No SA_RESTART: a wait the signal breaks into returns at once.
        sigaction(SIGINT, &action, &earlierInt_);
        sigaction(SIGTERM, &action, &earlierTerm_);
    }
    ~InterruptionCatcher() {
        sigaction(SIGINT, &earlierInt_, nullptr);
        sigaction(SIGTERM, &earlierTerm_, nullptr);
    }
    InterruptionCatcher(const InterruptionCatcher&) = delete;
    InterruptionCatcher& operator=(const InterruptionCatcher&) = delete;

private:
    struct sigaction earlierInt_ {};
    struct sigaction earlierTerm_ {};
};

// A whole number from `least` up, in decimal digits only.
std::optional<long> WholeNumber(const std::optional<std::string>& text, long least) {
    if (!text || text->empty() || text->front() < '0' || text->front() > '9') return std::nullopt;
    long value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value < least) return std::nullopt;
    return value;
}

// Sleeps until `when` unless interrupted first.
void WaitUntil(std::chrono::steady_clock::time_point when) {
    while (!interrupted && std::chrono::steady_clock::now() < when) {
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            kWaitSlice, when - std::chrono::steady_clock::now()));
    }
}

int Watch(const Options& options, Io& io) {
    std::optional<long> count;
    if (options.Has(kCountOption.name)) {
        count = WholeNumber(options.Value(kCountOption.name), 1);
        if (!count) return CommandUsageError(kName, io.err, "--count takes a whole number from 1 up");
    }
    std::optional<long> everySeconds;
    if (options.Has(kEveryOption.name)) {
        everySeconds = WholeNumber(options.Value(kEveryOption.name), 0);
        if (!everySeconds) return CommandUsageError(kName, io.err, "--every takes a whole number of seconds");
    }
    const app::DataFolder folder = DataFolderFrom(options);
    const std::optional<DataFiles> files = LoadDataFiles(folder, kName, io.err);
    if (!files) return kExitUsage;
    const std::chrono::seconds interval =
        everySeconds ? std::chrono::seconds(*everySeconds)
                     : std::chrono::minutes(app::IntervalMinutes(files->settings.IntervalTime));

    const InterruptionCatcher catcher;
    std::optional<HeadlessCheck> check;
    check.emplace(folder, *files, io.out, io.err, options.Has(kUtf8Option.name), kName, [&check] {
        if (interrupted) check->Abort();
    });
    // The timer ticks at fixed times: a check that outlasts the interval lets the ticks during it pass.
    auto tick = std::chrono::steady_clock::now();
    for (long done = 0; !interrupted && (!count || done < *count); ++done) {
        if (done > 0) {
            tick += interval;
            while (interval.count() > 0 && tick < std::chrono::steady_clock::now()) tick += interval;
            WaitUntil(tick);
            if (interrupted) break;
        }
        check->Run();
        io.out.flush();
    }
    return kExitOk;
}

}  // namespace

Command WatchCommand() {
    return {
    kName,
    "check every account at start and then every interval",
    "Runs the program's check timer without windows: a check of every account whose check flag is on at\n"
    "start, then one every interval (the settings' interval in minutes unless --every gives seconds; 0\n"
    "checks again at once), each as check runs it: its content view listing on standard output (CR LF\n"
    "line ends; UTF-8 where the locale is UTF-8, else Shift_JIS), advertisements deleted and answered,\n"
    "failures in Quillon.log, one line on standard error for each check. What a check learnt stays for\n"
    "the next: a message already seen is not new again, and on a server that gives unique-ids only the\n"
    "headers of messages not seen before are fetched. --count N stops after N checks; SIGINT or SIGTERM\n"
    "ends the watch between or during checks (a check cut short logs nothing more). Exit status 0 when\n"
    "it ran; 2 for bad usage or an unreadable data folder.",
    {kCountOption, kEveryOption, kUtf8Option, kDataDirOption},
    &Watch,
    };
}

}  // namespace cli
