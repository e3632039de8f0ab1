// Never the wrong mail: mailboxes that other programs change between the listing (or the check) and the
// deletion, against a POP3 server whose mailbox differs per session. Each row says which messages may go.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/Pop3Mailbox.h"

namespace {

using testsupport::MailboxState;
using testsupport::Pop3Mailbox;
using testsupport::Pop3MailboxBehaviour;
using testsupport::StoredMessage;

// "unsolicited advertisement" in ISO-2022-JP, and "事｢承諾広告｣" in raw Shift_JIS: 事 ends in the byte
// that starts 未, so the marker's bytes stand in it from there.
const std::string kAdvertisement = "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cBsoQg==?= sale";
const std::string kMarkerAcrossCharacters = "\x8e\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\xa3";

StoredMessage Message(const std::string& uid, const std::string& messageIdLines, const std::string& subject = "hello",
                      int size = 3000) {
    return {uid,
            "Received: by mx for " + uid + "\r\nFrom: sender-" + uid + "@example.jp\r\nSubject: " + subject + "\r\n" +
                messageIdLines,
            size};
}
StoredMessage WithId(const std::string& uid, const std::string& id, const std::string& subject = "hello") {
    return Message(uid, "Message-ID: " + id + "\r\n", subject);
}
// The same header and size under another unique-id: what a server says is another message.
StoredMessage Renamed(StoredMessage message, const std::string& uid) {
    message.uniqueId = uid;
    return message;
}

struct Row {
    const char* name;
    std::vector<MailboxState> states;  // the check or listing, then the deletion
    bool uidl;
    std::vector<std::string> arguments;  // after the command and ADDRESS
    std::vector<std::string> deleted;    // unique-ids
    int status;
    std::string deleReply = "+OK marked";
};

class DeletionIdentity : public testing::Test {
protected:
    void WriteAccount(const std::string& server) {
        const std::string on = "\x82\xb7\x82\xe9";  // "on"
        const std::vector<app::AccountRecord> rows{{"a@x", "alice", "secret", server, on, on, "127.0.0.1:1", on}};
        ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
    }
    CliResult Run(const std::string& command, const std::vector<std::string>& arguments) {
        std::vector<std::string> line = {command, "--data-dir", folder.Path().string()};
        if (command != "check") line.push_back("a@x");
        line.insert(line.end(), arguments.begin(), arguments.end());
        return RunCli(line, "y\n", true);
    }
    std::string Log() const {
        std::ifstream file(folder.Path() / "Quillon.log", std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    TempFolder folder;
};

TEST_F(DeletionIdentity, OnlyTheMessageThatWasListedIsEverDeleted) {
    const StoredMessage newsletter = Message("n", "Message-ID:\r\n <news@x>\r\n");
    const StoredMessage statement = Message("s", "Message-ID:\r\n\t<bank@x>\r\n");
    const StoredMessage first = WithId("f", "<same@x>");
    const StoredMessage second = WithId("t", "<same@x>");
    const StoredMessage a = WithId("a", "<a@x>"), b = WithId("b", "<b@x>"), c = WithId("c", "<c@x>");
    const std::vector<Row> rows = {
        {"folded IDs, the first removed elsewhere", {{newsletter, statement}, {statement}}, false, {"1"}, {}, 1},
        {"folded IDs, with UIDL", {{newsletter, statement}, {statement}}, true, {"--id", "<news@x>", "--yes"}, {}, 1},
        {"equal IDs, the listed one removed", {{first, second}, {second}}, false, {"1"}, {}, 1},
        {"equal IDs by ID: only the one still there", {{first, second}, {second}}, true,
         {"--id", "<same@x>", "--yes"}, {"t"}, 1},
        {"the same number and header under another unique-id", {{a}, {Renamed(a, "z")}}, true,
         {"--uid", "a", "--yes"}, {}, 1},
        {"moved up: found by its unique-id", {{a, b, c}, {b, c}}, true, {"--uid", "c", "--yes"}, {"c"}, 0},
        {"nothing moved, by ID", {{a, b, c}}, false, {"--id", "<b@x>", "--yes"}, {"b"}, 0},
        {"nothing moved, by number", {{a, b, c}}, true, {"2"}, {"b"}, 0},
        {"IDs that print alike",
         {{WithId("1", "<a\x01@x>"), WithId("2", "<a\x02@x>"), WithId("3", "<a?@x>")}}, false,
         {"--id", "<a?@x>", "--yes"}, {"3"}, 0},
        {"numbers without asking", {{a}}, true, {"1", "--yes"}, {}, 2},
        {"DELE refused with a tab", {{a}}, true, {"--uid", "a", "--yes"}, {}, 1, "-ERR\tx"},
        {"DELE answered with an empty line", {{a}}, true, {"--uid", "a", "--yes"}, {}, 1, ""},
        {"DELE answered by another protocol", {{a}}, false, {"--id", "<a@x>", "--yes"}, {}, 1, "* busy"},
    };
    for (const Row& row : rows) {
        Pop3Mailbox server(row.states, {row.uidl, false, row.deleReply});
        WriteAccount(server.Address());
        const CliResult result = Run("delete", row.arguments);
        EXPECT_EQ(server.Deleted(), row.deleted) << row.name << "\n" << result.err;
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        // What was not deleted is never reported as deleted.
        EXPECT_EQ(result.err.find("deleted:") != std::string::npos, !row.deleted.empty()) << row.name;
        if (row.status == 2) EXPECT_TRUE(server.Commands().empty()) << row.name;
    }
}

TEST_F(DeletionIdentity, TheAdvertisementPassDeletesAndAnswersOnlyTheQueuedAdvertisement) {
    const StoredMessage other = WithId("o", "<o@x>");
    const StoredMessage advertisement = WithId("ad", "<dup@x>", kAdvertisement);
    const StoredMessage normal = WithId("nm", "<dup@x>");
    const std::vector<Row> rows = {
        {"removed elsewhere, a mail with its ID moved up", {{other, advertisement, normal}, {other, normal}}, false, {},
         {}, 0},
        {"the same with UIDL", {{other, advertisement, normal}, {other, normal}}, true, {}, {}, 0},
        {"moved up: found by its unique-id", {{other, advertisement}, {advertisement}}, true, {}, {"ad"}, 0},
        {"DELE not accepted", {{advertisement}}, true, {}, {}, 0, "* busy"},
        {"the marker's bytes across a character boundary", {{WithId("p", "<p@x>", kMarkerAcrossCharacters)}}, true, {},
         {}, 0},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(folder.Path() / "Quillon.log");
        Pop3Mailbox server(row.states, {row.uidl, false, row.deleReply});
        WriteAccount(server.Address());
        const CliResult result = Run("check", {});
        EXPECT_EQ(result.status, row.status) << row.name << "\n" << result.err;
        EXPECT_EQ(server.Deleted(), row.deleted) << row.name;
        // The refusal mail goes only to a deleted advertisement; its SMTP server is closed, so an attempt
        // would be logged.
        EXPECT_EQ(Log().find("(SendMail)") != std::string::npos, !row.deleted.empty()) << row.name << "\n" << Log();
    }
}

}  // namespace
