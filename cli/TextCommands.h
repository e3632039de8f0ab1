#pragma once

#include "cli/Command.h"

namespace cli {

Command DecodeHeaderCommand();
Command EncodeSubjectCommand();

}  // namespace cli
