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

inline CliResult RunCli(std::vector<std::string> arguments, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    cli::Io io{in, out, err};
    const int status = cli::RunCommandLine(arguments, io);
    return {status, out.str(), err.str()};
}
