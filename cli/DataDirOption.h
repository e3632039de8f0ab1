#pragma once

#include "cli/Command.h"

namespace cli {

// Every command takes it, so scripts can pass it whatever they run; commands that read no data files
// ignore it.
inline constexpr OptionSpec kDataDirOption{"--data-dir", true, "use this data folder instead of the usual one"};

}  // namespace cli
