#include "cli/CheckCommand.h"
#include "cli/Command.h"
#include "cli/DataCommands.h"
#include "cli/MailboxCommands.h"
#include "cli/TextCommands.h"

namespace cli {

const std::vector<Command>& AllCommands() {
    static const std::vector<Command> commands = {DecodeHeaderCommand(), EncodeSubjectCommand(), AccountsCommand(),
                                                   SettingsCommand(), CheckCommand(), WatchCommand(),
                                                   ListCommand(), DeleteCommand()};
    return commands;
}

}  // namespace cli
