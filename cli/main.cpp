#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/TerminalEncoding.h"

int main(int argc, char** argv) {
    // The bytes go through untouched either way; the locale only picks between Shift_JIS and UTF-8.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    cli::Io io{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0, cli::LocaleIsUtf8()};
    return cli::RunCommandLine(arguments, io);
}
