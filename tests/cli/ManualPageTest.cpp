#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "cli/Command.h"

namespace {

// roff prints "-" as a hyphen; the page writes a command's or option's dashes as "\-".
std::string InRoff(std::string_view name) {
    std::string roff;
    for (const char c : name) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    return roff;
}

}  // namespace

TEST(ManualPage, DocumentsEveryCommandAndOption) {
    std::ifstream file(QUILLONV_CLI_MANUAL_PAGE);
    ASSERT_TRUE(file) << QUILLONV_CLI_MANUAL_PAGE;
    const std::string page = (std::ostringstream() << file.rdbuf()).str();
    for (const char* common : {"--sjis", "--help", "--version"}) {
        EXPECT_NE(page.find(InRoff(common)), std::string::npos) << common;
    }
    for (const cli::Command& command : cli::AllCommands()) {
        EXPECT_NE(page.find(".SS " + InRoff(command.name)), std::string::npos) << command.name;
        for (const cli::OptionSpec& option : command.options) {
            EXPECT_NE(page.find(InRoff(option.name)), std::string::npos) << command.name << " " << option.name;
        }
    }
}
