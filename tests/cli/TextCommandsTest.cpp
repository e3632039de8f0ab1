#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/cli/CliRunner.h"
#include "tests/jcode/Bytes.h"

namespace {
const std::string kUtf8A = Bytes({0xE3, 0x81, 0x82});
const std::string kWordA = "=?ISO-2022-JP?B?GyRCJCIbKEI=?=";
const std::string kRefusalWord = "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!";
}  // namespace

TEST(DecodeHeaderCommand, WritesShiftJisOrUtf8WithoutNewline) {
    EXPECT_EQ(RunCli({"decode-header"}, "Re: " + kWordA).out, "Re: " + kSjisA);
    const CliResult utf8 = RunCli({"decode-header", "--utf8"}, kWordA + "\n");
    EXPECT_EQ(utf8.status, 0);
    EXPECT_EQ(utf8.out, kUtf8A + "\n");  // the input's own line end is part of the value
}

TEST(DecodeHeaderCommand, LinesModeDecodesEachLine) {
    const CliResult result = RunCli({"decode-header", "--lines", "--utf8"}, kWordA + "\r\nplain\n\n=?UTF-8?B?44GC?=");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, kUtf8A + "\nplain\n\n" + kUtf8A + "\n");
    EXPECT_EQ(RunCli({"decode-header", "--lines"}, "").out, "");
}

TEST(TextCommands, LinesModeDropsTheCrOfALastLineWithoutLf) {
    // A CR LF file whose last line lost its LF; a CR inside a line is part of the value.
    const std::string input = kWordA + "\r\na\rb\r\n" + kWordA + "\r";
    EXPECT_EQ(RunCli({"decode-header", "--lines"}, input).out, kSjisA + "\na\rb\n" + kSjisA + "\n");
    const std::string sentA = "=?ISO-2022-JP?B?GyRCJCIbKEo=?=";
    EXPECT_EQ(RunCli({"encode-subject", "--lines"}, kSjisA + "\r\n" + kSjisA + "\r").out, sentA + "\n" + sentA + "\n");
}

TEST(EncodeSubjectCommand, EncodesShiftJisOrUtf8Input) {
    const std::string refusal = Bytes({0x8D, 0xC4, 0x91, 0x97, 0x90, 0x4D, 0x8B, 0xD6, 0x8E, 0x7E}) + "!";
    EXPECT_EQ(RunCli({"encode-subject"}, refusal).out, kRefusalWord);
    const std::string utf8Refusal =
        Bytes({0xE5, 0x86, 0x8D, 0xE9, 0x80, 0x81, 0xE4, 0xBF, 0xA1, 0xE7, 0xA6, 0x81, 0xE6, 0xAD, 0xA2}) + "!";
    EXPECT_EQ(RunCli({"encode-subject", "--utf8", "--lines"}, utf8Refusal + "\nabc\n").out, kRefusalWord + "\nabc\n");
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {"no-such-command"}, {"decode-header", "--bogus"}, {"encode-subject", "extra"}}) {
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.status, 2) << testing::PrintToString(arguments);
        EXPECT_NE(result.err.find("quillonv-cli: "), std::string::npos);
        EXPECT_EQ(result.out, "");
    }
}

TEST(CommandLine, HelpListsCommandsAndOptions) {
    const CliResult overview = RunCli({"--help"});
    EXPECT_EQ(overview.status, 0);
    EXPECT_NE(overview.out.find("decode-header"), std::string::npos);
    EXPECT_NE(overview.out.find("encode-subject"), std::string::npos);
    for (const std::string command : {"decode-header", "encode-subject"}) {
        const CliResult help = RunCli({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        for (const char* option : {"--utf8", "--lines", "--data-dir", "--help"}) {
            EXPECT_NE(help.out.find(option), std::string::npos) << command << " " << option;
        }
        // Neither reads data, so neither offers to use another data folder, though both accept the option.
        EXPECT_EQ(help.out.find("data folder"), std::string::npos) << command;
        EXPECT_EQ(RunCli({command, "--data-dir", "/nonexistent"}, "x").status, 0) << command;
    }
}

TEST(CliBinary, DecodesBytesFromStandardInput) {
    const std::filesystem::path input = std::filesystem::path(testing::TempDir()) / "subject.txt";
    std::ofstream(input, std::ios::binary) << kWordA << " " << kRefusalWord;
    // In the C locale the binary writes Shift_JIS, whatever the locale the suite runs in.
    const std::string command = "LC_ALL=C " + std::string(QUILLONV_CLI_PATH) + " decode-header < " + input.string();
    const CliResult result = RunShell(command);
    EXPECT_EQ(result.status, 0);
    const std::string& output = result.out;
    const std::string refusal = Bytes({0x8D, 0xC4, 0x91, 0x97, 0x90, 0x4D, 0x8B, 0xD6, 0x8E, 0x7E}) + "!";
    EXPECT_EQ(output, kSjisA + " " + refusal);
}
