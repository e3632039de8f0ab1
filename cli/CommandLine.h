#pragma once

#include <span>
#include <string>

#include "cli/Command.h"

namespace cli {

// Runs quillonv-cli with its arguments (without the program name) and returns the exit status.
int RunCommandLine(std::span<const std::string> arguments, Io& io);

}  // namespace cli
