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
};

struct OptionSpec {
    std::string_view name;  // with its leading dashes, e.g. "--utf8"
    bool takesValue = false;
    std::string_view help;
};

// Options given on the command line: a flag maps to an empty value.
class Options {
public:
    void Set(std::string_view name, std::string value) { values_[std::string(name)] = std::move(value); }
    bool Has(std::string_view name) const { return values_.contains(std::string(name)); }
    std::optional<std::string> Value(std::string_view name) const;

private:
    std::map<std::string, std::string> values_;
};

struct Command {
    std::string_view name;
    std::string_view summary;
    std::string_view description;
    std::vector<OptionSpec> options;
    int (*run)(const Options&, Io&);
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;

// The commands quillonv-cli offers, in the order --help lists them.
const std::vector<Command>& AllCommands();

}  // namespace cli
