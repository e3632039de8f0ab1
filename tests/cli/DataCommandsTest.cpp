#include <gtest/gtest.h>

#include <cstdio>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"

namespace {

const std::string kOnSjis = "\x82\xb7\x82\xe9";
const std::string kOffSjis = "\x82\xb5\x82\xc8\x82\xa2";
const std::string kOnUtf8 = "\xe3\x81\x99\xe3\x82\x8b";
const std::string kOffUtf8 = "\xe3\x81\x97\xe3\x81\xaa\xe3\x81\x84";
const std::string kKanjiSjis = "\x96\xa2";      // "mi", as in the advertisement marker
const std::string kKanjiUtf8 = "\xe6\x9c\xaa";
const std::string kHeaderUtf8 =  // the column captions, password column left out
    "\xe3\x83\xa1\xe3\x83\xbc\xe3\x83\xab\xe3\x82\xa2\xe3\x83\x89\xe3\x83\xac\xe3\x82\xb9\t"
    "\xe3\x83\xa6\xe3\x83\xbc\xe3\x82\xb6ID\tPOP\xe3\x82\xb5\xe3\x83\xbc\xe3\x83\x90\xe3\x83\xbc\t"
    "\xe3\x83\x81\xe3\x82\xa7\xe3\x83\x83\xe3\x82\xaf\xe6\x9c\x89\xe7\x84\xa1\t"
    "\xe6\x9c\xaa\xe6\x89\xbf\xe8\xab\xbe\xe6\x8b\x92\xe5\x90\xa6\t"
    "SMTP\xe3\x82\xb5\xe3\x83\xbc\xe3\x83\x90\xe3\x83\xbc\t\xe8\x87\xaa\xe5\x8b\x95\xe8\xbf\x94\xe4\xbf\xa1\n";

class DataCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        const std::vector<app::AccountRecord> rows = {
            {kKanjiSjis + "@example.jp", "taro", "secret-pw", "localhost:1110", kOnSjis, kOffSjis, "", kOffSjis},
            {"b@example.jp", "b", "other-pw", "pop.example.jp", kOffSjis, kOnSjis, "smtp.example.jp", kOnSjis},
        };
        ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
        WriteBytes(folder.Path() / "quillet.ini", "[init]\r\nminimize=true\r\nIntervalTime=0\r\nSoundFile= a.wav \r\n");
    }

    TempFolder folder;
};

TEST_F(DataCommandsTest, AccountsListsRowsWithoutPasswords) {
    const CliResult sjis = RunCli({"accounts", "--data-dir", folder.Path().string()});
    EXPECT_EQ(sjis.status, 0);
    EXPECT_EQ(sjis.out.substr(sjis.out.find('\n') + 1),
              kKanjiSjis + "@example.jp\ttaro\tlocalhost:1110\t" + kOnSjis + "\t" + kOffSjis + "\t\t" + kOffSjis + "\n" +
                  "b@example.jp\tb\tpop.example.jp\t" + kOffSjis + "\t" + kOnSjis + "\tsmtp.example.jp\t" + kOnSjis + "\n");

    const CliResult utf8 = RunCli({"accounts", "--utf8", "--data-dir", folder.Path().string()});
    EXPECT_EQ(utf8.out.substr(0, utf8.out.find('\n') + 1), kHeaderUtf8);
    EXPECT_NE(utf8.out.find(kKanjiUtf8 + "@example.jp\ttaro\tlocalhost:1110\t" + kOnUtf8 + "\t" + kOffUtf8),
              std::string::npos);
    EXPECT_EQ(utf8.out.find("-pw"), std::string::npos);
}

TEST_F(DataCommandsTest, SettingsShowWhatTheProgramReads) {
    const CliResult result = RunCli({"settings", "--data-dir", folder.Path().string(), "--utf8"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "Minimize=False\nHeaderAdd=On\nIntervalTime=15\nSoundFile=a.wav\n"
              "SendSubject=\xe5\x86\x8d\xe9\x80\x81\xe4\xbf\xa1\xe7\xa6\x81\xe6\xad\xa2!\n"
              "ReceiveSubject=\xe6\x9c\xaa\xe6\x89\xbf\xe8\xab\xbe\xe5\xba\x83\xe5\x91\x8a\nVolume=125\nDesktopNotify=On\n");
}

TEST_F(DataCommandsTest, ControlBytesInAValueShowAsQuestionMarksAndCannotSplitAColumn) {
    // As another program might have written them: a title-setting escape, a TAB, a line break.
    const std::vector<app::AccountRecord> rows = {
        {"a\x1b]0;x\x07@x", "ta\tro", "pw", "pop\r\nfake\tline", kOnSjis, kOnSjis, "s\x7fmtp", kOnSjis},
    };
    ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
    WriteBytes(folder.Path() / "quillet.ini", "[Init]\r\nSoundFile=a\x1b[2J\tb.wav\r\n");

    const CliResult accounts = RunCli({"accounts", "--data-dir", folder.Path().string()});
    EXPECT_EQ(accounts.out.substr(accounts.out.find('\n') + 1),
              "a?]0;x?@x\tta?ro\tpop??fake?line\t" + kOnSjis + "\t" + kOnSjis + "\ts?mtp\t" + kOnSjis + "\n");
    const CliResult settings = RunCli({"settings", "--data-dir", folder.Path().string()});
    EXPECT_NE(settings.out.find("\nSoundFile=a?[2J?b.wav\n"), std::string::npos);
}

TEST_F(DataCommandsTest, AnEmptyFolderListsNothingAndDataDirIsAcceptedEverywhere) {
    const std::string empty = (folder.Path() / "nothing-here").string();
    const CliResult accounts = RunCli({"accounts", "--data-dir", empty});
    EXPECT_EQ(std::count(accounts.out.begin(), accounts.out.end(), '\n'), 1);
    EXPECT_FALSE(std::filesystem::exists(empty));  // looking creates nothing
    EXPECT_EQ(RunCli({"decode-header", "--data-dir", empty}, "plain").out, "plain");
    EXPECT_EQ(RunCli({"settings", "--data-dir"}).status, 2);
}

TEST_F(DataCommandsTest, BinaryFindsTheFolderThroughTheEnvironment) {
    const std::string command = "QUILLONV_HOME='" + folder.Path().string() + "' " + QUILLONV_CLI_PATH + " accounts --utf8";
    const CliResult result = RunShell(command);
    EXPECT_EQ(result.status, 0);
    const std::string& output = result.out;
    EXPECT_EQ(output.substr(0, output.find('\n') + 1), kHeaderUtf8);
    EXPECT_NE(output.find("b@example.jp\tb\tpop.example.jp\t" + kOffUtf8), std::string::npos);
}

}  // namespace
