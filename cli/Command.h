#pragma once
// What every quillonv-cli command is made of, and the streams it talks through, so that tests can run
// commands in-process with string streams.

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct Io {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    // Only a person at a terminal can answer a question; piped input never confirms anything.
    bool inIsTerminal = false;
    // The user's locale reads UTF-8: the commands then write it unless told --sjis.
    bool localeIsUtf8 = false;
};

struct OptionSpec {
    std::string_view name;  // with its leading dashes, e.g. "--utf8"
    bool takesValue = false;
    std::string_view help;
};

// Options given on the command line: a flag maps to an empty value. The operands follow in their order.
class Options {
public:
    void Set(std::string_view name, std::string value) { values_[std::string(name)] = std::move(value); }
    bool Has(std::string_view name) const { return values_.contains(std::string(name)); }
    std::optional<std::string> Value(std::string_view name) const;

    void AddOperand(std::string operand) { operands_.push_back(std::move(operand)); }
    const std::vector<std::string>& Operands() const { return operands_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> operands_;
};

struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view description;
    std::vector<OptionSpec> options;
    int (*run)(const Options&, Io&);
    // The usage line's operands, e.g. "ADDRESS [N...]"; empty when the command takes none.
    std::string_view operands = {};
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Whatever the command did, what it printed did not reach standard output (a full disk, a closed pipe).
inline constexpr int kExitOutputLost = 3;

// A usage error found by the command itself: the message and a pointer to its help on `err`; returns kExitUsage.
int CommandUsageError(std::string_view commandName, std::ostream& err, std::string_view message);

// The commands quillonv-cli offers, in the order --help lists them.
const std::vector<Command>& AllCommands();

}  // namespace cli
