// quillonv's processor time while its tray icon shows new mail, two frames alternating every 500 ms, on a
// private Xvfb with trayer as the notification area. The baseline is the same process before the check
// that found the mail, when the icon stands still, measured in the same run.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "bench/CheckRig.h"

// Last: Xlib defines macros such as Status and None that would break the declarations above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "bench/ProcessProbe.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kMessages = 5;
constexpr auto kSettle = 2s;
constexpr auto kIdleSpan = 20s;
constexpr auto kAnimatingSpan = 60s;
constexpr double kTargetCpuSeconds = 0.6;
constexpr int kTrayWidth = 100;
constexpr int kTrayHeight = 24;
constexpr int kMainWidth = 694;
constexpr int kMainHeight = 456;
// The check-now button's centre in the main window's client area.
constexpr const char* kCheckNowX = "443";
constexpr const char* kCheckNowY = "418";

// Without a session bus Qt falls back to the X tray protocol, which trayer speaks; with one it would
// look for a D-Bus notifier host that is not there.
const std::vector<std::string> kNoSessionBus = {"DBUS_SESSION_BUS_ADDRESS"};

double Seconds(SteadyClock::duration duration) { return std::chrono::duration<double>(duration).count(); }

bool TrayManaged(Display* x) {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x));
    return XGetSelectionOwner(x, XInternAtom(x, name.c_str(), False)) != None;
}

template <typename Condition>
bool WaitFor(Condition condition, SteadyClock::duration limit) {
    const auto deadline = SteadyClock::now() + limit;
    while (!condition()) {
        if (SteadyClock::now() > deadline) return false;
        std::this_thread::sleep_for(25ms);
    }
    return true;
}

struct StopOnExit {
    pid_t pid;
    ~StopOnExit() { benchprobe::Stop(pid); }
};

bool IsMainWindow(Display* x, Window window, pid_t pid) {
    XWindowAttributes attributes{};
    // The icon's window belongs to the same process; the size tells them apart, and a main window of
    // another size would have the click miss its button.
    return benchprobe::WindowPid(x, window) == pid && XGetWindowAttributes(x, window, &attributes) != 0 &&
           attributes.width == kMainWidth && attributes.height == kMainHeight;
}

Window WaitForMainWindow(Display* x, pid_t pid, SteadyClock::duration limit) {
    Window found = None;
    WaitFor(
        [&] {
            while (found == None && XPending(x) > 0) {
                XEvent event;
                XNextEvent(x, &event);
                if (event.type == MapNotify && IsMainWindow(x, event.xmap.window, pid)) {
                    found = event.xmap.window;
                }
            }
            return found != None;
        },
        limit);
    return found;
}

bool RunToEnd(const std::vector<std::string>& arguments, const std::string& display) {
    int status = 0;
    waitpid(benchprobe::Spawn(arguments, display), &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The tray strip's pixels, to tell an animating icon from one standing still.
std::vector<unsigned long> TrayPixels(Display* x) {
    const int left = DisplayWidth(x, DefaultScreen(x)) - kTrayWidth;
    XImage* image = XGetImage(x, DefaultRootWindow(x), left, 0, kTrayWidth, kTrayHeight, AllPlanes, ZPixmap);
    std::vector<unsigned long> pixels;
    if (image == nullptr) return pixels;
    for (int row = 0; row < kTrayHeight; ++row) {
        for (int column = 0; column < kTrayWidth; ++column) pixels.push_back(XGetPixel(image, column, row));
    }
    XDestroyImage(image);
    return pixels;
}

// Frames change every 500 ms, so samples a quarter of that period apart over a second must differ.
bool IconChanges(Display* x) {
    const std::vector<unsigned long> first = TrayPixels(x);
    for (int sample = 0; sample < 8; ++sample) {
        std::this_thread::sleep_for(125ms);
        if (TrayPixels(x) != first) return true;
    }
    return false;
}

double CpuOver(pid_t pid, SteadyClock::duration span) {
    const double before = benchprobe::CpuSeconds(pid);
    std::this_thread::sleep_for(span);
    return benchprobe::CpuSeconds(pid) - before;
}

int Fail(const char* why) {
    std::fprintf(stderr, "tray_animation_bench: %s\n", why);
    return 1;
}

int Run(const std::string& quillonv, benchprobe::PrivateDisplay& screen, const std::filesystem::path& folder) {
    Display* x = screen.x;
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);
    const pid_t trayer = benchprobe::Spawn({"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype",
                                            "pixel", "--width", std::to_string(kTrayWidth), "--height",
                                            std::to_string(kTrayHeight)},
                                           screen.name, kNoSessionBus);
    const StopOnExit stopTrayer{trayer};
    if (!WaitFor([&] { return TrayManaged(x); }, 10s)) return Fail("trayer did not take the tray selection");

    const benchrig::MailboxServer server(kMessages);
    const std::vector<app::AccountRecord> accounts = {benchrig::BenchAccount(server.Address(), false)};
    const std::optional<std::string> content = app::BuildAccountFileContent(accounts);
    if (!content || !app::SaveScrambledFile(*content, folder / "quillon.dat")) {
        return Fail("cannot write quillon.dat");
    }

    const pid_t program = benchprobe::Spawn({quillonv, "--data-dir", folder.string()}, screen.name, kNoSessionBus);
    const StopOnExit stopProgram{program};
    const Window window = WaitForMainWindow(x, program, 30s);
    if (window == None) return Fail("quillonv did not map a 694x456 main window");

    std::this_thread::sleep_for(kSettle);
    const bool stillBefore = !IconChanges(x);
    const double idleCpu = CpuOver(program, kIdleSpan);

    if (!RunToEnd({"/usr/bin/xdotool", "mousemove", "--window", std::to_string(window), kCheckNowX, kCheckNowY,
                   "click", "1"},
                  screen.name)) {
        return Fail("xdotool could not click the check-now button");
    }
    std::this_thread::sleep_for(kSettle);
    const bool animating = IconChanges(x);
    const double animatingCpu = CpuOver(program, kAnimatingSpan);

    const double idleSpan = Seconds(kIdleSpan);
    const double animatingSpan = Seconds(kAnimatingSpan);
    std::printf("icon             : still before the click %s, animating after it %s\n", stillBefore ? "yes" : "NO",
                animating ? "yes" : "NO");
    std::printf("animating: %.2f s CPU over %.0f s (%.2f %% of one core); idle: %.2f s over %.0f s (%.2f %%)\n",
                animatingCpu, animatingSpan, 100 * animatingCpu / animatingSpan, idleCpu, idleSpan,
                100 * idleCpu / idleSpan);
    const double idleRate = idleCpu / idleSpan;
    if (idleRate > 0) {
        std::printf("rate ratio       : animating / idle %.2fx\n", (animatingCpu / animatingSpan) / idleRate);
    } else {
        std::printf("rate ratio       : idle took no measurable time (clock tick %.3f s)\n",
                    1.0 / static_cast<double>(sysconf(_SC_CLK_TCK)));
    }
    std::printf("target           : under %.1f s CPU over %.0f s animating: %s\n", kTargetCpuSeconds, animatingSpan,
                animatingCpu < kTargetCpuSeconds ? "met" : "NOT met");
    return animating && stillBefore ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path here = std::filesystem::path(argv[0]).parent_path();
    const std::string quillonv = argc > 1 ? argv[1] : (here / "../ui/quillonv").string();
    benchprobe::PrivateDisplay screen = benchprobe::StartXvfb(900, 100);
    if (screen.x == nullptr) return Fail(("Xvfb did not come up on " + screen.name).c_str());
    char folderPattern[] = "/tmp/quillonv-tray-bench-XXXXXX";
    const std::filesystem::path folder = mkdtemp(folderPattern);
    const int result = Run(quillonv, screen, folder);
    std::filesystem::remove_all(folder);
    benchprobe::StopXvfb(screen);
    return result;
}
