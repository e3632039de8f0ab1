// quillonv on a private Xvfb: the time from starting the process to its main window being mapped, the
// resident memory once it idles, and the processor time it takes while idle. The baseline is a bare Qt
// window (bare_window) measured the same way in the same run, so the ratios show what the program adds
// to what any Qt program costs here.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr int kStarts = 5;
constexpr auto kSettle = 2s;
constexpr auto kIdleSpan = 5s;

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& display) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        // Their chatter would break up the table of figures.
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return child;
}

void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

long WindowPid(Display* x, Window window) {
    const Atom pidAtom = XInternAtom(x, "_NET_WM_PID", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (pidAtom != None && XGetWindowProperty(x, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items,
                                              &after, &data) == Success && data != nullptr) {
        if (items == 1) pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return pid;
}

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

long ResidentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold blanks, start behind its closing parenthesis.
    std::string rest = text.substr(text.rfind(')') + 2);
    std::vector<std::string> fields;
    for (std::size_t at = 0; at < rest.size();) {
        const std::size_t end = rest.find(' ', at);
        fields.push_back(rest.substr(at, end - at));
        if (end == std::string::npos) break;
        at = end + 1;
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 here.
    return static_cast<double>(std::stol(fields[11]) + std::stol(fields[12])) / static_cast<double>(sysconf(_SC_CLK_TCK));
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
    const std::string display = ":" + std::to_string(700 + getpid() % 200);
    const pid_t xvfb = Spawn({"/usr/bin/Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"}, display);
    Display* x = nullptr;
    for (int attempt = 0; attempt < 200 && x == nullptr; ++attempt) {
        std::this_thread::sleep_for(25ms);
        x = XOpenDisplay(display.c_str());
    }
    if (x == nullptr) {
        std::fprintf(stderr, "window_start_bench: Xvfb did not come up on %s\n", display.c_str());
        Stop(xvfb);
        return 1;
    }
    XSelectInput(x, DefaultRootWindow(x), SubstructureNotifyMask);

    char folderPattern[] = "/tmp/quillonv-start-bench-XXXXXX";
    const std::string folder = mkdtemp(folderPattern);
    const Figures bare = Measure(x, {(here / "bare_window").string()}, display);
    const Figures program = Measure(x, {quillonv, "--data-dir", folder}, display);
    std::filesystem::remove_all(folder);
    XCloseDisplay(x);
    Stop(xvfb);

    std::printf("start to window  : quillonv %.0f ms, bare window %.0f ms, ratio %.2fx (best of %d)\n",
                program.bestStartMs, bare.bestStartMs, program.bestStartMs / bare.bestStartMs, kStarts);
    std::printf("idle resident    : quillonv %.1f MB, bare window %.1f MB, ratio %.2fx\n",
                program.idleKilobytes / 1024.0, bare.idleKilobytes / 1024.0,
                static_cast<double>(program.idleKilobytes) / static_cast<double>(bare.idleKilobytes));
    std::printf("idle CPU         : quillonv %.2f %%, bare window %.2f %% of one core over %.0f s\n",
                program.idleCpuPercent, bare.idleCpuPercent, std::chrono::duration<double>(kIdleSpan).count());
    return 0;
}
