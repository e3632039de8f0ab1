// list and delete against a private Dovecot, through the real binary: what is listed is what is deleted,
// and the Maildir keeps exactly the message not named.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/DovecotServer.h"

namespace {

std::string Mail(const std::string& id, const std::string& subject) {
    return "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.co.jp>\r\nTo: taro@example.jp\r\n"
           "Subject: " + subject + "\r\nMessage-ID: " + id + "\r\n\r\nbody\r\n";
}

TEST(MailboxCommandsWithDovecot, DeletesTheMessagesNamedByIdAndKeepsTheOther) {
    testsupport::DovecotServer dovecot;
    dovecot.AddUser("taro", "taro-pw");
    const std::vector<std::string> ids{"<first.1@example.co.jp>", "<second.2@example.co.jp>", "<third.3@example.jp>"};
    for (const std::string& id : ids) dovecot.AddMessage("taro", Mail(id, "about " + id));
    dovecot.Start();
    TempFolder folder;
    const std::vector<app::AccountRecord> rows{
        {"taro@example.jp", "taro", "taro-pw", dovecot.Address(), "", "", "", ""}};
    ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
    const std::string cli = QUILLONV_CLI_PATH;
    const std::string options = " --utf8 --data-dir '" + folder.Path().string() + "' </dev/null";

    const CliResult listed = RunShell(cli + " list taro@example.jp" + options);
    EXPECT_EQ(listed.status, 0);
    const std::string yamada = " \xe5\xb1\xb1\xe7\x94\xb0\xe5\xa4\xaa\xe9\x83\x8e <yamada@example.co.jp>";
    // Each line ends in the unique-id Dovecot gives the message.
    std::istringstream lines(listed.out);
    std::string line;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        const std::string columns = std::to_string(i + 1) + "\t" + yamada + "\t about " + ids[i] + "\t" + ids[i] + "\t";
        EXPECT_EQ(line.substr(0, columns.size()), columns);
        EXPECT_GT(line.size(), columns.size());
    }
    EXPECT_FALSE(std::getline(lines, line));

    const CliResult deleted =
        RunShell(cli + " delete taro@example.jp --id '" + ids[0] + "' '" + ids[2] + "' --yes" + options + " 2>&1");
    EXPECT_EQ(deleted.status, 0) << deleted.out;
    const std::vector<std::filesystem::path> kept = dovecot.MessageFiles("taro");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(ReadBytes(kept.front()).value_or("").find("Message-ID: " + ids[1]), std::string::npos);
}

}  // namespace
