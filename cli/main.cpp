#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

int main(int argc, char** argv) {
    // Shift_JIS bytes go through untouched; nothing here is locale text.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    cli::Io io{std::cin, std::cout, std::cerr, isatty(STDIN_FILENO) != 0};
    return cli::RunCommandLine(arguments, io);
}
