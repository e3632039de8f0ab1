#pragma once
// The peak resident memory of a program run to its end. The kernel counts the memory a child had before it
// called exec towards its peak, and a forked or vfork'd child has its parent's, so a large benchmark would
// lift every figure to its own size: the programs are started by a helper forked while this process is
// still small.

#include <sys/types.h>

#include <string>
#include <vector>

namespace benchrig {

class PeakMemoryLauncher {
public:
    PeakMemoryLauncher();  // forks the helper: call it first thing, before any thread starts
    ~PeakMemoryLauncher();  // lets the helper finish and reaps it
    PeakMemoryLauncher(const PeakMemoryLauncher&) = delete;
    PeakMemoryLauncher& operator=(const PeakMemoryLauncher&) = delete;

    // Runs arguments[0] (a path) with the rest as its arguments and its standard output thrown away; its peak
    // resident set in KB, as wait4 reports it. Throws when it cannot run or exits with anything but 0.
    long PeakKilobytes(const std::vector<std::string>& arguments);

private:
    pid_t helper_ = -1;
    int requests_ = -1;  // arguments, one a line, an empty line after the last
    int answers_ = -1;  // one long a run, -1 for a failed run
};

}  // namespace benchrig
