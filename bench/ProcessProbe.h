#pragma once
// What the benchmarks that run real programs on a private Xvfb share: starting and stopping them, their
// processor time and resident memory from /proc, and the display itself.

#include <X11/Xlib.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace benchprobe {

// Starts arguments[0] on the display with its output discarded, so the children's chatter cannot break up
// the figures. `unset` names environment variables the child must not see.
pid_t Spawn(const std::vector<std::string>& arguments, const std::string& display,
            const std::vector<std::string>& unset = {});

// SIGTERM, then reaps it.
void Stop(pid_t pid);

long ResidentKilobytes(pid_t pid);

// User and system time together.
double CpuSeconds(pid_t pid);

// The pid a top-level window names in _NET_WM_PID, -1 when it names none.
long WindowPid(Display* x, Window window);

// An Xvfb of its own on ":<first + pid % span>" and a connection to it. Without a display (`x` null) the
// server did not come up; it has been stopped already.
struct PrivateDisplay {
    pid_t server = -1;
    std::string name;
    Display* x = nullptr;
};
PrivateDisplay StartXvfb(int first, int span);
void StopXvfb(PrivateDisplay& display);

}  // namespace benchprobe
