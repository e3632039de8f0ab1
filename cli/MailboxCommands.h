#pragma once

#include "cli/Command.h"

namespace cli {

Command ListCommand();
Command DeleteCommand();

}  // namespace cli
