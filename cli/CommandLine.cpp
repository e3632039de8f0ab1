#include "cli/CommandLine.h"

#include <algorithm>
#include <ostream>

#include "cli/DataDirOption.h"
#include "cli/TerminalEncoding.h"

namespace cli {
namespace {

constexpr std::string_view kProgram = "quillonv-cli";
constexpr std::string_view kVersion = "quillonv-cli 3.0\n";
// Said by the overview and every command's help: the commands' own descriptions give their other statuses.
constexpr std::string_view kOutputLostNote =
    "Exit status 3 when the output could not be written, as on a full disk.\n";

// One line of a two-column list: the name, then its explanation from column 21 on (two blanks at least).
void PrintListLine(std::ostream& out, std::string_view name, std::string_view explanation) {
    out << "  " << name << std::string(18 - std::min<std::size_t>(name.size(), 16), ' ') << explanation << "\n";
}

void PrintOverview(std::ostream& out) {
    out << "Usage: " << kProgram << " COMMAND [OPTIONS]\n\nCommands:\n";
    for (const Command& command : AllCommands()) PrintListLine(out, command.name, command.summary);
    out << "\nRun '" << kProgram << " COMMAND --help' for the options of a command, '" << kProgram
        << " --version' for the version.\n\n" << kOutputLostNote;
}

bool Offers(const std::vector<OptionSpec>& options, std::string_view name) {
    return std::any_of(options.begin(), options.end(), [&](const OptionSpec& o) { return o.name == name; });
}

// The command's own options; one that can write UTF-8 can be told Shift_JIS as well.
std::vector<OptionSpec> AcceptedOptions(const Command& command) {
    std::vector<OptionSpec> options = command.options;
    if (Offers(options, kUtf8Option.name)) options.push_back(kSjisOption);
    return options;
}

void PrintCommandHelp(const Command& command, const std::vector<OptionSpec>& accepted, std::ostream& out) {
    out << "Usage: " << kProgram << " " << command.name << " [OPTIONS]";
    if (!command.operands.empty()) out << " " << command.operands;
    out << "\n\n" << command.description << "\n\nOptions:\n";
    for (const OptionSpec& option : accepted) {
        PrintListLine(out, std::string(option.name) + (option.takesValue ? " VALUE" : ""), option.help);
    }
    PrintListLine(out, "--help", "show this text");
    out << "\n" << kOutputLostNote;
}

int UsageError(std::ostream& err, std::string_view message, std::string_view helpHint) {
    err << kProgram << ": " << message << "\nTry '" << kProgram << helpHint << " --help'.\n";
    return kExitUsage;
}

bool LooksLikeOption(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '-';
}

int RunCommand(std::span<const std::string> arguments, Io& io) {
    if (arguments.empty()) return UsageError(io.err, "no command given", "");
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h") {
        PrintOverview(io.out);
        return kExitOk;
    }
    if (name == "--version") {
        io.out << kVersion;
        return kExitOk;
    }
    const auto& commands = AllCommands();
    const auto command =
        std::find_if(commands.begin(), commands.end(), [&](const Command& c) { return c.name == name; });
    if (command == commands.end()) return UsageError(io.err, "unknown command '" + name + "'", "");
    const std::string helpHint = " " + name;
    const std::vector<OptionSpec> accepted = AcceptedOptions(*command);

    Options options;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !LooksLikeOption(argument)) {
            if (command->operands.empty()) {
                return UsageError(io.err, "unexpected argument '" + argument + "'", helpHint);
            }
            options.AddOperand(argument);
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            PrintCommandHelp(*command, accepted, io.out);
            return kExitOk;
        }
        const auto known =
            std::find_if(accepted.begin(), accepted.end(), [&](const OptionSpec& o) { return o.name == argument; });
        if (known == accepted.end()) return UsageError(io.err, "unknown option '" + argument + "'", helpHint);
        if (!known->takesValue) {
            options.Set(known->name, "");
        } else if (i + 1 < arguments.size()) {
            options.Set(known->name, arguments[++i]);
        } else {
            return UsageError(io.err, "option '" + argument + "' needs a value", helpHint);
        }
    }
    if (!ChooseTextEncoding(options, io)) {
        return UsageError(io.err, "--utf8 and --sjis cannot be given together", helpHint);
    }
    return command->run(options, io);
}

}  // namespace

int CommandUsageError(std::string_view commandName, std::ostream& err, std::string_view message) {
    return UsageError(err, message, " " + std::string(commandName));
}

std::optional<std::string> Options::Value(std::string_view name) const {
    const auto found = values_.find(std::string(name));
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

int RunCommandLine(std::span<const std::string> arguments, Io& io) {
    const int status = RunCommand(arguments, io);
    if (io.out.flush()) return status;
    io.err << kProgram << ": the output could not be written\n";
    return kExitOutputLost;
}

}  // namespace cli
