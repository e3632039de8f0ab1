#pragma once

#include <span>
#include <string>

#include "cli/Command.h"

namespace cli {

// Runs quillonv-cli with its arguments (without the program name) and returns the exit status. `io.out` is
// flushed before the status is given: output that could not be written is reported on `io.err` and gives
// kExitOutputLost, so no command can end quietly with its output lost.
int RunCommandLine(std::span<const std::string> arguments, Io& io);

}  // namespace cli
