#include "net/Exceptions.h"
#include "net/NMPOP3.h"

#include "tests/net/MessageOf.h"
#include "tests/support/DovecotServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace net {
namespace {

// Japanese subject as it arrives: an ISO-2022-JP encoded-word, which the client must leave alone.
const std::string kJapaneseSubject = "=?ISO-2022-JP?B?GyRCJCIkJCQmGyhC?=";

std::string RawMessage(const std::string& id, const std::string& subject)
{
    return "Return-Path: <sender@example.jp>\r\n"
           "From: Sender <sender@example.jp>\r\n"
           "To: alice@example.jp\r\n"
           "Subject: " + subject + "\r\n"
           "Message-ID: <" + id + "@example.jp>\r\n"
           "Date: Mon, 7 Dec 2026 10:00:00 +0900\r\n"
           "\r\n"
           "Body of " + id + "\r\n";
}

TEST(Pop3WithDovecot, ReadsSummariesAndDeletesOneMessageForGood)
{
    testsupport::DovecotServer dovecot;
    dovecot.AddUser("alice", "secret");
    const std::string first = RawMessage("first", "Hello");
    const std::string second = RawMessage("second", kJapaneseSubject);
    const std::string third = RawMessage("third", "Third");
    dovecot.AddMessage("alice", first);
    dovecot.AddMessage("alice", second);
    dovecot.AddMessage("alice", third);
    dovecot.Start();

    TNMPOP3 pop;
    pop.Host = dovecot.Address();
    pop.UserID = "alice";
    pop.Password = "secret";
    pop.TimeOut = 5000;
    int summaries = 0;
    pop.OnRetrieveEnd = [&](TPowersock&) { ++summaries; };
    pop.Connect();
    ASSERT_EQ(pop.MailCount(), 3);

    // Maildir order is delivery order, which is the order the messages were added in.
    const std::string ids[] = {"first", "second", "third"};
    const std::string subjects[] = {" Hello", " " + kJapaneseSubject, " Third"};
    const std::size_t sizes[] = {first.size(), second.size(), third.size()};
    for (int n = 1; n <= 3; ++n) {
        pop.GetSummary(n);
        const TSummary& summary = pop.Summary();
        EXPECT_EQ(summary.Subject, subjects[n - 1]);
        EXPECT_EQ(summary.From, " Sender <sender@example.jp>");
        EXPECT_EQ(summary.MessageId, "<" + ids[n - 1] + "@example.jp>");
        EXPECT_EQ(summary.Bytes, static_cast<std::int32_t>(sizes[n - 1]));
        ASSERT_GE(summary.Header.Count(), 2);
        EXPECT_EQ(summary.Header[summary.Header.Count() - 2], "");
        EXPECT_EQ(summary.Header[summary.Header.Count() - 1], ".");
        EXPECT_GE(summary.Header.IndexOfHeader("date"), 0);
    }
    EXPECT_EQ(summaries, 3);

    pop.DeleteMailMessage(2);
    EXPECT_THROW(pop.DeleteMailMessage(2), Exception);  // already marked
    // Until QUIT the server keeps the file.
    EXPECT_EQ(dovecot.MessageFiles("alice").size(), 3u);
    pop.Disconnect();
    EXPECT_FALSE(pop.Connected());

    const auto files = dovecot.MessageFiles("alice");
    ASSERT_EQ(files.size(), 2u);
    std::vector<std::uintmax_t> remaining;
    for (const auto& file : files) {
        remaining.push_back(std::filesystem::file_size(file));
    }
    std::sort(remaining.begin(), remaining.end());
    EXPECT_EQ(remaining, (std::vector<std::uintmax_t>{first.size(), third.size()}));

    // A second session sees two messages; a wrong password is refused.
    pop.Connect();
    EXPECT_EQ(pop.MailCount(), 2);
    pop.Disconnect();
    pop.Password = "wrong";
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "Authentication failed");
    EXPECT_FALSE(pop.Connected());
}

}  // namespace
}  // namespace net
