#pragma once
// The command line of quillonv. Options of Qt's own (-platform, -display, ...) are left to Qt.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ui {

struct ProgramOptions {
    std::optional<std::filesystem::path> dataDir;
    bool help = false;
    bool version = false;
    std::string error;  // empty when the line was understood
};

ProgramOptions ParseProgramOptions(const std::vector<std::string>& arguments);

extern const char kProgramUsage[];
extern const char kProgramVersion[];

}  // namespace ui
