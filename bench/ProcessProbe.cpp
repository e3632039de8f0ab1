#include "bench/ProcessProbe.h"

#include <X11/Xatom.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

namespace benchprobe {

pid_t Spawn(const std::vector<std::string>& arguments, const std::string& display,
            const std::vector<std::string>& unset) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        for (const std::string& name : unset) unsetenv(name.c_str());
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

PrivateDisplay StartXvfb(int first, int span) {
    PrivateDisplay display;
    display.name = ':' + std::to_string(first + getpid() % span);
    display.server = Spawn({"/usr/bin/Xvfb", display.name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                           display.name);
    for (int attempt = 0; attempt < 200 && display.x == nullptr; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        display.x = XOpenDisplay(display.name.c_str());
    }
    if (display.x == nullptr) StopXvfb(display);
    return display;
}

void StopXvfb(PrivateDisplay& display) {
    if (display.x != nullptr) XCloseDisplay(display.x);
    display.x = nullptr;
    if (display.server > 0) Stop(display.server);
    display.server = -1;
}

}  // namespace benchprobe
