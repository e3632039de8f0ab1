#pragma once

#include "cli/Command.h"

namespace cli {

Command AccountsCommand();
Command SettingsCommand();

}  // namespace cli
