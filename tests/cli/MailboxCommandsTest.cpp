// list and delete against scripted POP3 servers: the printed lines, the selection by number and by
// Message-ID, and every way a deletion is refused before anything reaches the server.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/ScriptedServer.h"

namespace {

using testsupport::ScriptedServer;

// "do not send again" in ISO-2022-JP on the wire, and in UTF-8 as listed (the blank kept).
const std::string kEncodedSubject = "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=";
const std::string kShownSubject = " \xe5\x86\x8d\xe9\x80\x81\xe4\xbf\xa1\xe7\xa6\x81\xe6\xad\xa2";

ScriptedServer& Session(ScriptedServer& server, int messageCount) {
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine(
        "+OK " + std::to_string(messageCount) + " 9000");
    return messageCount > 0 ? server.Pop3WithoutUidl() : server;
}

ScriptedServer& Summary(ScriptedServer& server, int n, const std::string& header) {
    const std::string number = std::to_string(n);
    return server.Expect("TOP " + number + " 0").SendLine("+OK").Send(header + "\r\n.\r\n").Expect("LIST " + number)
        .SendLine("+OK " + number + " 3000");
}

std::string Header(int n, const std::string& id) {
    return "From: shop" + std::to_string(n) + "@example.jp\r\nSubject: " + kEncodedSubject + "\r\nMessage-ID: " + id +
           "\r\n";
}

ScriptedServer& Listing(ScriptedServer& server, const std::vector<std::string>& ids) {
    Session(server, static_cast<int>(ids.size()));
    for (int n = 1; n <= static_cast<int>(ids.size()); ++n) Summary(server, n, Header(n, ids[n - 1]));
    return server.Pop3Quit();
}

std::string Line(int n, const std::string& id) {
    return std::to_string(n) + "\t shop" + std::to_string(n) + "@example.jp\t" + kShownSubject + "\t" + id + "\t\n";
}

class MailboxCommands : public testing::Test {
protected:
    void WriteAccount(const std::string& server) {
        const std::vector<app::AccountRecord> rows{{"b@x", "bob", "pw", "127.0.0.1:1", "", "", "", ""},
                                                   {"a@x", "alice", "secret", server, "", "", "", ""}};
        ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
    }
    CliResult Run(std::vector<std::string> arguments, const std::string& input = "", bool terminal = false) {
        arguments.insert(arguments.begin() + 1, {"--utf8", "--data-dir", folder.Path().string()});
        return RunCli(arguments, input, terminal);
    }

    TempFolder folder;
};

TEST_F(MailboxCommands, ListPrintsOneSafeLinePerMessageAndNothingForAnEmptyMailbox) {
    ScriptedServer server;
    Session(server, 3);
    Summary(server, 1, Header(1, "<1@x>"));
    Summary(server, 2, "From: a\x1b]0;x\x07@example.jp\r\nSubject: =?UTF-8?B?G1sySmN1dAloZXJl?=\r\n"
                       "Message-ID: \t <2@x>  \r\n");
    Summary(server, 3, "From: c@example.jp\r\nSubject: no id\r\n");
    server.Pop3Quit().AcceptNext();
    Listing(server, {"<1@x>"}).AcceptNext();
    Listing(server, {});
    server.Start();
    WriteAccount(server.Address());

    const CliResult listed = Run({"list", "a@x"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out, Line(1, "<1@x>") + "2\t a?]0;x?@example.jp\t ?[2Jcut?here\t<2@x>\t\n" +
                              "3\t c@example.jp\t no id\t\t\n");
    const CliResult sjis = RunCli({"list", "a@x", "--data-dir", folder.Path().string()});
    EXPECT_EQ(sjis.out, "1\t shop1@example.jp\t \x8d\xc4\x91\x97\x90M\x8b\xd6\x8e~\t<1@x>\t\n");
    const CliResult empty = Run({"list", "a@x"});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "");
}

TEST_F(MailboxCommands, DeletesByNumberOrByIdInOneSessionAndPrintsWhatItDeleted) {
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"delete", "a@x", "3", "1"}, {"delete", "a@x", "--yes", "--id", "<3@x>", "--", "<1@x>"}}) {
        ScriptedServer server;
        Listing(server, {"<1@x>", "<2@x>", "<3@x>"}).AcceptNext();
        Session(server, 3);
        Summary(server, 1, Header(1, "<1@x>")).Expect("DELE 1").SendLine("+OK");
        Summary(server, 3, Header(3, "<3@x>")).Expect("DELE 3").SendLine("+OK");
        server.Pop3Quit().AcceptNext();
        Listing(server, {"<2@x>"});
        server.Start();
        WriteAccount(server.Address());

        const CliResult result = Run(arguments, "y\n", true);
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(result.status, 0) << result.err;
        const std::string chosen = Line(1, "<1@x>") + Line(3, "<3@x>");
        EXPECT_EQ(result.out, chosen + chosen);
        EXPECT_EQ(result.err.substr(result.err.rfind("quillonv-cli delete: deleted:")),
                  "quillonv-cli delete: deleted:\n");
    }
}

TEST_F(MailboxCommands, NothingIsDeletedUnlessEveryMessageIsListedAndTheDeletionConfirmed) {
    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        bool terminal;
        std::string said;
    };
    for (const Case& row : std::vector<Case>{
             {{"delete", "a@x", "1", "4"}, "y\n", true, "no message 4 in the mailbox"},
             {{"delete", "a@x", "--id", "<1@x>", "<9@x>", "--yes"}, "", false, "no message <9@x> in the mailbox"},
             {{"delete", "a@x", "1"}, "y\n", false, "not a terminal"},
             {{"delete", "a@x", "1"}, "n\n", true, "[y/N] quillonv-cli delete: not confirmed"}}) {
        ScriptedServer server;
        Listing(server, {"<1@x>", "<2@x>"});
        server.Start();
        WriteAccount(server.Address());
        const CliResult result = Run(row.arguments, row.input, row.terminal);
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(result.status, 1) << row.said;
        EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
        EXPECT_EQ(server.Received().find("DELE"), std::string::npos) << row.said;
    }
}

TEST_F(MailboxCommands, AMessageWhoseNumberNowHoldsAnotherIsLeftAloneAndSaidSo) {
    // Message 1 was removed elsewhere since the listing, so message 2 now answers to number 1.
    ScriptedServer server;
    Listing(server, {"<1@x>", "<2@x>"}).AcceptNext();
    Session(server, 1);
    Summary(server, 1, Header(1, "<2@x>"));
    server.Pop3Quit().AcceptNext();
    Listing(server, {"<2@x>"});
    server.Start();
    WriteAccount(server.Address());

    const CliResult result = Run({"delete", "a@x", "1", "2"}, "yes\n", true);
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(server.Received().find("DELE"), std::string::npos);
    EXPECT_NE(result.err.find("left message 1 alone: the server no longer holds it as it was listed"), std::string::npos);
    EXPECT_NE(result.err.find("left message 2 alone"), std::string::npos);
}

TEST_F(MailboxCommands, BadUsageUnknownAddressesAndUnreachableServersHaveTheirStatus) {
    auto closed = std::make_unique<ScriptedServer>();
    WriteAccount(closed->Address());
    closed.reset();  // nothing listens on its port any more
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string said;
    };
    for (const Case& row : std::vector<Case>{{{"list"}, 2, "list takes one ADDRESS"},
                                              {{"list", "a@x", "b@x"}, 2, "list takes one ADDRESS"},
                                              {{"delete", "a@x"}, 2, "delete takes ADDRESS"},
                                              {{"delete", "a@x", "0"}, 2, "'0' is not a message number"},
                                              {{"delete", "a@x", "1x"}, 2, "'1x' is not a message number"},
                                              {{"delete", "a@x", "-1"}, 2, "unknown option '-1'"},
                                              {{"list", "c\x1b@x"}, 2, "no account has the mail address c?@x"},
                                              {{"list", "a@x"}, 1, ")\xe3\x81\xab\xe6\x8e\xa5\xe7\xb6\x9a"},
                                              {{"delete", "a@x", "1", "--yes"}, 2, "by --id or --uid"},
                                              {{"delete", "a@x", "--id", "<1@x>", "--uid"}, 2, "do not go together"},
                                              {{"delete", "a@x", "--uid", "x", "--yes"}, 1, "127.0.0.1"}}) {
        const CliResult result = Run(row.arguments);
        EXPECT_EQ(result.status, row.status) << row.said;
        EXPECT_NE(result.err.find(row.said), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "") << row.said;
    }
}

}  // namespace
