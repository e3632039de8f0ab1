#pragma once
// A server program run as a child of the test process for end-to-end tests: its output goes to a file,
// it dies with the test process, and it is stopped by PID.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

class ServerProcess {
public:
    struct Program {
        std::string path;                        // absolute path of the executable
        std::vector<std::string> arguments;      // argv, from argv[0] on
        std::vector<std::string> environment;    // empty: the test's own environment
        std::filesystem::path outputFile;        // standard output and error
    };
    // How to tell whether the server came up: `answers` is polled until it holds; when the program ends
    // before, `portTaken` says whether it lost a race for its port; `output` gives the text for errors.
    struct Readiness {
        std::function<bool()> answers;
        std::function<bool()> portTaken;
        std::function<std::string()> output;
    };

    explicit ServerProcess(std::string name) : name_(std::move(name)) {}
    ~ServerProcess() { Stop(); }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // True once the server answers; false when it ended because its port was taken (pick another and
    // start again). Throws std::runtime_error with its output when it ends otherwise or stays silent
    // for ten seconds.
    bool Start(const Program& program, const Readiness& readiness);
    void Stop();  // SIGTERM, then SIGKILL if it lingers
    bool Running() const { return pid_ > 0; }

private:
    std::string name_;
    pid_t pid_ = -1;
};

// Helpers the fixtures share.
[[noreturn]] void ThrowErrno(const std::string& what);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace testsupport
