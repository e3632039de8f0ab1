#include "ui/ProgramOptions.h"

namespace ui {

const char kProgramUsage[] =
    "Usage: quillonv [--data-dir DIR]\n"
    "Watches the POP3 accounts of the data folder from a window and the notification area.\n"
    "\n"
    "  --data-dir DIR  use this data folder instead of the usual one ($QUILLONV_HOME, else\n"
    "                  $XDG_CONFIG_HOME/quillonv, else ~/.config/quillonv)\n"
    "  --help          show this text\n"
    "  --version       show the version\n"
    "\n"
    "One program runs per data folder: a second start brings the running one's window to the front.\n";

const char kProgramVersion[] = "quillonv 3.0\n";

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments) {
    ProgramOptions options;
    constexpr std::string_view kDataDir = "--data-dir";
    for (std::size_t i = 0; i < arguments.size() && options.error.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == kDataDir) {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                options.error = "--data-dir needs a folder";
            } else {
                options.dataDir = arguments[++i];
            }
        } else if (argument.starts_with(std::string(kDataDir) + "=")) {
            options.dataDir = argument.substr(kDataDir.size() + 1);
            if (options.dataDir->empty()) options.error = "--data-dir needs a folder";
        } else if (argument.starts_with("--")) {
            options.error = "unknown option " + argument;
        }
    }
    return options;
}

}  // namespace ui
