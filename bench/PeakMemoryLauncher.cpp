#include "bench/PeakMemoryLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace benchrig {
namespace {

long RunForPeak(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss;
}

// Reads the arguments of one run; false once the benchmark has closed its end.
bool ReadRequest(FILE* requests, std::vector<std::string>& arguments) {
    arguments.clear();
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    while ((length = getline(&line, &capacity, requests)) > 1) arguments.emplace_back(line, length - 1);
    free(line);
    return length == 1;
}

[[noreturn]] void ServeRequests(int requests, int answers) {
    FILE* input = fdopen(requests, "r");
    std::vector<std::string> arguments;
    while (ReadRequest(input, arguments)) {
        const long peak = RunForPeak(arguments);
        if (write(answers, &peak, sizeof peak) != sizeof peak) break;
    }
    _exit(0);
}

}  // namespace

PeakMemoryLauncher::PeakMemoryLauncher() {
    int toHelper[2];
    int fromHelper[2];
    if (pipe2(toHelper, O_CLOEXEC) != 0 || pipe2(fromHelper, O_CLOEXEC) != 0) {
        throw std::runtime_error("PeakMemoryLauncher: no pipe");
    }
    helper_ = fork();
    if (helper_ < 0) throw std::runtime_error("PeakMemoryLauncher: cannot fork");
    if (helper_ == 0) {
        close(toHelper[1]);
        close(fromHelper[0]);
        ServeRequests(toHelper[0], fromHelper[1]);
    }
    close(toHelper[0]);
    close(fromHelper[1]);
    requests_ = toHelper[1];
    answers_ = fromHelper[0];
}

PeakMemoryLauncher::~PeakMemoryLauncher() {
    close(requests_);
    close(answers_);
    waitpid(helper_, nullptr, 0);
}

long PeakMemoryLauncher::PeakKilobytes(const std::vector<std::string>& arguments) {
    std::string request;
    for (const std::string& argument : arguments) request += argument + "\n";
    request += "\n";
    long peak = -1;
    if (write(requests_, request.data(), request.size()) != static_cast<ssize_t>(request.size()) ||
        read(answers_, &peak, sizeof peak) != sizeof peak || peak < 0) {
        throw std::runtime_error("cannot run " + arguments.front() + " to its end");
    }
    return peak;
}

}  // namespace benchrig
