#pragma once

#include "cli/Command.h"

namespace cli {

Command CheckCommand();
// The program's timer without windows: checks at start and then every interval.
Command WatchCommand();

}  // namespace cli
