#include "tests/support/ServerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char** environ;

namespace testsupport {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartTimeout = 10s;
constexpr auto kStopTimeout = 5s;

bool ExitedWithin(pid_t pid, std::chrono::steady_clock::duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (int status = 0;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string DescribeExit(int status) {
    if (WIFEXITED(status)) return "exited with status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "was killed by signal " + std::to_string(WTERMSIG(status));
    return "stopped";
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

void ThrowErrno(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ServerProcess::Start(const Program& program, const Readiness& readiness) {
    if (pid_ > 0) throw std::logic_error(name_ + ": started twice");
    if (::access(program.path.c_str(), X_OK) != 0) {
        throw std::runtime_error(name_ + ": " + program.path + " is missing; install it with scripts/install-deps.sh test");
    }
    // Everything the child needs is prepared before fork: it may only call async-signal-safe functions.
    std::vector<std::string> arguments = program.arguments;
    std::vector<std::string> environment = program.environment;
    const std::vector<char*> argv = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    char* const* childEnvironment = environment.empty() ? environ : envp.data();
    const std::string output = program.outputFile.string();
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) ThrowErrno("fork");
    if (child == 0) {
        // A test that crashes must not leave its server running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || in < 0) ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execve(program.path.c_str(), argv.data(), childEnvironment);
        ::_exit(127);
    }
    pid_ = child;

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    for (;;) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            if (readiness.portTaken()) return false;
            throw std::runtime_error(name_ + ": " + program.path + " " + DescribeExit(status) +
                                     " before it answered; output:\n" + readiness.output());
        }
        if (readiness.answers()) return true;
        if (std::chrono::steady_clock::now() >= deadline) {
            Stop();
            throw std::runtime_error(name_ + ": " + program.path + " did not answer within " +
                                     std::to_string(kStartTimeout.count()) + " s; output:\n" + readiness.output());
        }
        std::this_thread::sleep_for(20ms);
    }
}

void ServerProcess::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    if (!ExitedWithin(pid_, kStopTimeout)) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

}  // namespace testsupport
