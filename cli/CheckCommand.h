#pragma once

#include "cli/Command.h"

namespace cli {

Command CheckCommand();

}  // namespace cli
