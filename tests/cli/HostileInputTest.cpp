// The real binary with what a user's system may hand it instead of ordinary files: it must answer at once,
// and never end quietly with its output lost.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>

#include "tests/app/HostileFiles.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"

namespace {

const std::string kCli = QUILLONV_CLI_PATH;

int ExitStatus(const CliResult& result) { return WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1; }

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

TEST(HostileInput, WhatIsNoReadableSettingsFileGivesTheDefaultSettingsWithoutAWord) {
    TempFolder empty;
    const CliResult defaults = RunShell(kCli + " settings --data-dir " + Quoted(empty.Path()));
    ASSERT_EQ(ExitStatus(defaults), 0);
    for (const HostileFile& hostile : HostileFiles()) {
        SCOPED_TRACE(hostile.what);
        TempFolder folder;
        hostile.make(folder.Path() / "quillet.ini");
        const std::string dataDir = " --data-dir " + Quoted(folder.Path());
        // Under `timeout`, which would end a command that waits on the entry.
        const CliResult settings = RunShell("timeout 20 " + kCli + " settings" + dataDir + " 2>&1");
        EXPECT_EQ(ExitStatus(settings), 0);
        EXPECT_EQ(settings.out, defaults.out);
        const CliResult check = RunShell("timeout 20 " + kCli + " check" + dataDir + " 2>&1");
        EXPECT_EQ(ExitStatus(check), 0);
        EXPECT_EQ(check.out, "checked 0 accounts, found 0 messages, 0 new\n");
    }
}

TEST(HostileInput, OutputThatCannotBeWrittenFailsEveryCommand) {
    TempFolder folder;
    WriteBytes(folder.Path() / "input", "hello");
    const std::string dataDir = " --data-dir " + Quoted(folder.Path());
    const std::string input = " < " + Quoted(folder.Path() / "input");
    const std::string commands[] = {
        "--help", "settings --help", "settings" + dataDir, "accounts" + dataDir, "encode-subject" + input,
        "decode-header" + input,
    };
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        EXPECT_EQ(ExitStatus(RunShell(kCli + " " + command + " >/dev/null")), 0);
        const CliResult full = RunShell(kCli + " " + command + " 2>&1 >/dev/full");
        EXPECT_EQ(ExitStatus(full), 3);
        EXPECT_EQ(full.out, "quillonv-cli: the output could not be written\n");
    }
}

}  // namespace
