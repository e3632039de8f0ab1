#pragma once
// Runs quillonv-cli in-process with string streams, or the real binary once through a shell.

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

// `terminal` makes the input pass for a person at a terminal.
inline CliResult RunCli(std::vector<std::string> arguments, const std::string& input = "", bool terminal = false) {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    cli::Io io{in, out, err, terminal};
    const int status = cli::RunCommandLine(arguments, io);
    return {status, out.str(), err.str()};
}

// Runs a shell command line (the real binary, with redirections) and returns its exit status and standard output.
inline CliResult RunShell(const std::string& commandLine) {
    FILE* pipe = popen(commandLine.c_str(), "r");
    if (pipe == nullptr) return {-1, "", "popen failed"};
    std::string output;
    char buffer[256];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    return {pclose(pipe), output, ""};
}
