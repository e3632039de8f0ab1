// quillonv on a private Xvfb: the time from starting the process to its main window being mapped, the
// resident memory once it idles, and the processor time it takes while idle. The baseline is a bare Qt
// window (bare_window) measured the same way in the same run, so the ratios show what the program adds
// to what any Qt program costs here.

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/ProcessProbe.h"

namespace {

using benchprobe::CpuSeconds;
using benchprobe::ResidentKilobytes;
using benchprobe::Spawn;
using benchprobe::Stop;
using benchprobe::WindowPid;

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kStarts = 5;
constexpr auto kSettle = 2s;
constexpr auto kIdleSpan = 5s;

// Milliseconds from the start of the process to the map of its first top-level window.
double MillisecondsToWindow(Display* x, pid_t& pid, const std::vector<std::string>& arguments,
                            const std::string& display) {
    const auto start = SteadyClock::now();
    pid = Spawn(arguments, display);
    for (;;) {
        XEvent event;
        XNextEvent(x, &event);
        if (event.type == MapNotify && WindowPid(x, event.xmap.window) == pid) {
            return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
        }
    }
}

struct Figures {
    double bestStartMs = 1e9;
    long idleKilobytes = 0;
    double idleCpuPercent = 0;
};

Figures Measure(Display* x, const std::vector<std::string>& arguments, const std::string& display) {
    Figures figures;
    for (int start = 0; start < kStarts; ++start) {
        pid_t pid = -1;
        figures.bestStartMs = std::min(figures.bestStartMs, MillisecondsToWindow(x, pid, arguments, display));
        if (start == kStarts - 1) {
            std::this_thread::sleep_for(kSettle);
            figures.idleKilobytes = ResidentKilobytes(pid);
            const double before = CpuSeconds(pid);
            std::this_thread::sleep_for(kIdleSpan);
            figures.idleCpuPercent = 100 * (CpuSeconds(pid) - before) / std::chrono::duration<double>(kIdleSpan).count();
        }
        Stop(pid);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path here = std::filesystem::path(argv[0]).parent_path();
    const std::string quillonv = argc > 1 ? argv[1] : (here / "../ui/quillonv").string();
    benchprobe::PrivateDisplay screen = benchprobe::StartXvfb(700, 200);
    if (screen.x == nullptr) {
        std::fprintf(stderr, "window_start_bench: Xvfb did not come up on %s\n", screen.name.c_str());
        return 1;
    }
    Display* x = screen.x;
    const std::string& display = screen.name;
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);

    char folderPattern[] = "/tmp/quillonv-start-bench-XXXXXX";
    const std::string folder = mkdtemp(folderPattern);
    const Figures bare = Measure(x, {(here / "bare_window").string()}, display);
    const Figures program = Measure(x, {quillonv, "--data-dir", folder}, display);
    std::filesystem::remove_all(folder);
    benchprobe::StopXvfb(screen);

    std::printf("start to window  : quillonv %.0f ms, bare window %.0f ms, ratio %.2fx (best of %d)\n",
                program.bestStartMs, bare.bestStartMs, program.bestStartMs / bare.bestStartMs, kStarts);
    std::printf("idle resident    : quillonv %.1f MB, bare window %.1f MB, ratio %.2fx\n",
                program.idleKilobytes / 1024.0, bare.idleKilobytes / 1024.0,
                static_cast<double>(program.idleKilobytes) / static_cast<double>(bare.idleKilobytes));
    std::printf("idle CPU         : quillonv %.2f %%, bare window %.2f %% of one core over %.0f s\n",
                program.idleCpuPercent, bare.idleCpuPercent, std::chrono::duration<double>(kIdleSpan).count());
    return 0;
}
