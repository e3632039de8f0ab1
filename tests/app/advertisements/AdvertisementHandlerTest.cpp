// The advertisement passes against scripted POP3 and SMTP servers: each exchange written out as the
// server and the client say it, the log lines of every failure, and the guard on the shared client.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/advertisements/AdvertisementHandler.h"
#include "tests/app/AppFakes.h"
#include "tests/app/LoggedFolder.h"
#include "tests/support/ScriptedServer.h"

namespace {

using testsupport::ScriptedServer;

// Shift_JIS texts, written out here rather than taken from the program.
const std::string kDeleting =  // "deleting the unsolicited advertisements on ..."
    "\x8f\xe3\x82\xcc\x96\xa2\x8f\xb3\x91\xf8\x8dL\x8d\x90\x83\x81\x81[\x83\x8b\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xc4"
    "\x82\xa2\x82\xdc\x82\xb7\x81" "B";
const std::string kSending =  // "sending mail to ..."
    "\x82\xd6\x83\x81\x81[\x83\x8b\x82\xf0\x91\x97\x90M\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B";
// The default subject "do not send again!": its kanji run as one ISO-2022-JP encoded-word, then "!".
const std::string kDefaultSubjectLine = "Subject: =?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!";
// "Please do not send mail to the following address." in ISO-2022-JP, back to JIS Roman at its end.
const std::string kDefaultFirstLine = "\x1b$B0J2<$N%\"%I%l%9$K%a!<%k$NAw?.$r9T$o$J$$$G2<$5$$!#\x1b(J";
const std::string kStamp = "(2026/12/06 16:48:05)\r\n";

app::AccountRecord Account(const std::string& address, const std::string& popServer,
                           const std::string& smtpServer = "127.0.0.1:1", const std::string& password = "secret") {
    const std::string on(app::kFlagOn);
    return {address, "alice", password, popServer, on, on, smtpServer, on};
}

// The header lines of the advertisements the scripted servers serve, as the summary keeps them; without a
// Message-ID a Received line tells one from another.
std::vector<std::string> HeaderLines(const std::string& messageId, const std::string& received = "") {
    std::vector<std::string> lines;
    if (!received.empty()) lines.push_back("Received: " + received);
    lines.insert(lines.end(), {"From: shop@example.jp", "Subject: ad"});
    if (!messageId.empty()) lines.push_back("Message-ID: " + messageId);
    lines.insert(lines.end(), {"", "."});
    return lines;
}

app::MessageIdentity ServedIdentity(const std::vector<std::string>& lines, int bytes) {
    net::TSummary summary;
    for (const std::string& line : lines) summary.Header.Add(line);
    summary.Bytes = bytes;
    return app::IdentityOf(summary, "");
}

app::AdCandidate Queued(const std::string& address, const std::string& messageId, int number,
                        const std::string& replyAddress = "") {
    return {address, messageId, std::to_string(number), replyAddress, ServedIdentity(HeaderLines(messageId), 3000)};
}

ScriptedServer& Pop3Session(ScriptedServer& server, int messageCount) {
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine(
        "+OK " + std::to_string(messageCount) + " 9000");
    return messageCount > 0 ? server.Pop3WithoutUidl() : server;
}

// TOP and LIST of message n.
ScriptedServer& Served(ScriptedServer& server, int n, const std::vector<std::string>& lines, int bytes) {
    const std::string number = std::to_string(n);
    server.Expect("TOP " + number + " 0").SendLine("+OK");
    for (const std::string& line : lines) server.SendLine(line);
    return server.Expect("LIST " + number).SendLine("+OK " + number + " " + std::to_string(bytes));
}

// A message whose Message-ID line is left out when messageId is empty.
ScriptedServer& Summary(ScriptedServer& server, int n, const std::string& messageId) {
    return Served(server, n, HeaderLines(messageId), 3000);
}

app::AdCandidate QueuedWithoutId(const std::string& address, int number, const std::string& received, int bytes,
                                 const std::string& replyAddress) {
    return {address, "", std::to_string(number), replyAddress, ServedIdentity(HeaderLines("", received), bytes)};
}

ScriptedServer& SummaryWithoutId(ScriptedServer& server, int n, const std::string& received, int bytes) {
    return Served(server, n, HeaderLines("", received), bytes);
}

ScriptedServer& Delete(ScriptedServer& server, int n) {
    return server.Expect("DELE " + std::to_string(n)).SendLine("+OK marked");
}

ScriptedServer& SmtpSession(ScriptedServer& server) {
    return server.SmtpGreeting().SmtpHelo("alice");
}

// One refusal from the envelope to the final ".", the message lines as they must arrive.
ScriptedServer& Refusal(ScriptedServer& server, const std::string& from, const std::string& rcpt,
                        const std::vector<std::string>& messageLines, const std::string& finalReply = "250 queued") {
    server.Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<" + from + ">").SendLine("250 ok");
    server.Expect("RCPT TO:<" + rcpt + ">").SendLine("250 ok").Expect("DATA").SendLine("354 go ahead");
    for (const std::string& line : messageLines) server.Expect(line);
    return server.Expect(".").SendLine(finalReply);
}

std::vector<std::string> RefusalLines(const std::string& account, const std::string& replyAddress,
                                      const std::string& subjectLine = kDefaultSubjectLine) {
    std::vector<std::string> lines = {"From: " + account + "<" + account + ">", "To: " + replyAddress};
    if (!subjectLine.empty()) lines.push_back(subjectLine);
    for (const char* line : {"Mime-Version: 1.0", "Content-Type: text/plain; charset=ISO-2022-JP", "", ""}) {
        lines.emplace_back(line);
    }
    lines.push_back(kDefaultFirstLine);
    lines.push_back("MailAddress:" + account);
    return lines;
}

// An address where nothing listens.
std::string ClosedAddress() {
    ScriptedServer server;
    return server.Address();
}

class AdvertisementHandlerTest : public testing::Test, protected LoggedFolder {
protected:
    app::ClientSetup ClientsSetup() {
        app::ClientSetup setup;
        setup.pump = [this] {
            if (between) between();
        };
        setup.resolver = [](const std::string&) { return std::optional<std::uint32_t>(); };
        setup.timeOut = 2000;
        return setup;
    }
    app::AdvertisementHandler& Handler() {
        if (!handler) handler.emplace(app::AdvertisementContext{settings, replyBody, view, log, pop3}, ClientsSetup());
        return *handler;
    }

    app::Settings settings = app::DefaultSettings();
    std::string replyBody{app::kDefaultReplyBody};
    FakeView view;
    // Runs whenever the passes serve pending work: in network waits and after each summary, deletion
    // and send.
    std::function<void()> between;
    app::SharedPop3Client pop3{log, ClientsSetup()};
    std::optional<app::AdvertisementHandler> handler;
};

TEST_F(AdvertisementHandlerTest, OneSessionDeletesWhatStillCarriesItsMessageIdAndLeavesTheRest) {
    ScriptedServer server;
    Pop3Session(server, 4);
    Summary(server, 2, "<2@x>");
    Delete(server, 2);
    Summary(server, 3, "<3@x>");
    Delete(server, 3);
    Summary(server, 4, "<other@x>");  // another message has moved to the queued number
    server.Pop3Quit();
    server.Start();
    const std::vector<app::AccountRecord> rows = {Account("a@x", server.Address())};
    Handler().DeleteAdvertisements({Queued("a@x", "<2@x>", 2), Queued("a@x", "<3@x>", 3),
                                    Queued("a@x", "<4@x>", 4)},
                                   rows);
    testsupport::ExpectScriptPlayed(server);
    const std::string deleting = server.Address() + kDeleting;
    EXPECT_EQ(view.statusTexts, (std::vector<std::string>{deleting, deleting, deleting, ""}));
    EXPECT_EQ(Log(), "");
}

TEST_F(AdvertisementHandlerTest, WithoutAMessageIdTheWholeHeaderAndTheSizeMustBeUnchanged) {
    ScriptedServer server;
    Pop3Session(server, 4);
    SummaryWithoutId(server, 1, "by mx; Mon, 7 Dec 2026 09:00:01", 3000);
    Delete(server, 1);
    SummaryWithoutId(server, 2, "by mx; Mon, 7 Dec 2026 09:00:03", 3000);  // another one moved here
    SummaryWithoutId(server, 3, "by mx; Mon, 7 Dec 2026 09:00:04", 3100);
    Summary(server, 4, "<4@x>");  // a message with a Message-ID now
    server.Pop3Quit();
    server.Start();
    ScriptedServer smtpServer;
    SmtpSession(smtpServer);
    Refusal(smtpServer, "a@x", "one@example.jp", RefusalLines("a@x", "one@example.jp"));
    smtpServer.SmtpQuit();
    smtpServer.Start();
    const std::vector<app::AccountRecord> rows = {Account("a@x", server.Address(), smtpServer.Address())};
    const std::vector<app::AdCandidate> queue = {
        QueuedWithoutId("a@x", 1, "by mx; Mon, 7 Dec 2026 09:00:01", 3000, "one@example.jp"),
        QueuedWithoutId("a@x", 2, "by mx; Mon, 7 Dec 2026 09:00:02", 3000, "two@example.jp"),
        QueuedWithoutId("a@x", 3, "by mx; Mon, 7 Dec 2026 09:00:04", 3000, "three@example.jp"),
        QueuedWithoutId("a@x", 4, "by mx; Mon, 7 Dec 2026 09:00:05", 3000, "four@example.jp")};
    Handler().SendRefusalMails(Handler().DeleteAdvertisements(queue, rows), rows);
    testsupport::ExpectScriptPlayed(server);
    testsupport::ExpectScriptPlayed(smtpServer);
    EXPECT_EQ(Log(), "");
}

TEST_F(AdvertisementHandlerTest, AnAccountThatCannotBeOpenedIsSkippedAndTheNextIsTried) {
    const std::string closed = ClosedAddress();
    ScriptedServer refusing;
    refusing.Pop3Greeting().Expect("USER alice").SendLine("+OK").Expect("PASS secret").SendLine("-ERR denied");
    refusing.Pop3Quit();
    refusing.Start();
    ScriptedServer good;
    Pop3Session(good, 1);
    Summary(good, 1, "<1@x>");
    Delete(good, 1);
    good.Pop3Quit();
    good.Start();
    Handler().DeleteAdvertisements(
        {Queued("unknown@x", "<9@x>", 1), Queued("unknown@x", "<8@x>", 2), Queued("closed@x", "<9@x>", 1),
         Queued("nopass@x", "<9@x>", 1), Queued("denied@x", "<9@x>", 1), Queued("a@x", "<1@x>", 1)},
        {Account("unknown@x", "pop.invalid"), Account("closed@x", closed), Account("nopass@x", closed, "", ""),
         Account("denied@x", refusing.Address()), Account("a@x", good.Address())});
    testsupport::ExpectScriptPlayed(refusing);
    testsupport::ExpectScriptPlayed(good);
    // One attempt per account: the second entry of the unknown host is skipped without a second lookup.
    EXPECT_EQ(Log(), "InvalidHost: pop.invalid" + kStamp + "ConnectionFailed: pop.invalid" + kStamp +
                         "ConnectionFailed: " + closed + kStamp + "ConnectionFailed: " + closed + kStamp +
                         "IDorPasswordNeeded: " + closed + kStamp + "ConnectionFailed: " + closed + kStamp +
                         "IDorPasswordFailed: " + refusing.Address() + kStamp + "ConnectionFailed: " +
                         refusing.Address() + kStamp);
}

TEST_F(AdvertisementHandlerTest, AFailureInsideASessionIsLoggedTheSessionClosedAndThePassGoesOn) {
    ScriptedServer first;
    Pop3Session(first, 4);
    first.Expect("TOP 2 0").SendLine("-ERR no such message").Pop3Quit().AcceptNext();
    Pop3Session(first, 4);
    Summary(first, 3, "<3@x>");
    first.Expect("DELE 3").SendLine("-ERR mailbox is read-only").Pop3Quit().AcceptNext();
    Pop3Session(first, 4);
    Summary(first, 4, "<4@x>");
    Delete(first, 4);
    first.Expect("QUIT").SendLine("-ERR could not remove").Close();
    first.Start();
    ScriptedServer second;
    Pop3Session(second, 1);
    second.Expect("TOP 1 0").SendLine("+OK").Send("From: x\r\n").Close();  // hangs up inside the header
    second.Start();
    ScriptedServer third;
    Pop3Session(third, 1);
    Summary(third, 1, "<1@x>");
    Delete(third, 1);
    third.Pop3Quit();
    third.Start();
    Handler().DeleteAdvertisements({Queued("a@x", "<2@x>", 2), Queued("a@x", "<3@x>", 3),
                                    Queued("a@x", "<4@x>", 4), Queued("b@x", "<1@x>", 1),
                                    Queued("c@x", "<1@x>", 1)},
                                   {Account("a@x", first.Address()), Account("b@x", second.Address()),
                                    Account("c@x", third.Address())});
    for (ScriptedServer* server : {&first, &second, &third}) testsupport::ExpectScriptPlayed(*server);
    const std::string a = first.Address();
    EXPECT_EQ(Log(), "DeletionFailed: " + a + kStamp + "Failure: " + a + kStamp + "DeletionFailed: " + a + kStamp +
                         "DeletionFailed: " + a + kStamp + "DeletionFailed: " + second.Address() + kStamp);
    EXPECT_EQ(view.statusTexts.back(), "");
}

TEST_F(AdvertisementHandlerTest, OnlyWhatTheServerReallyDeletedIsAnswered) {
    ScriptedServer popServer;
    Pop3Session(popServer, 4);
    Summary(popServer, 1, "<1@x>");
    Delete(popServer, 1);
    Summary(popServer, 2, "<other@x>");  // another message has moved to the queued number
    Summary(popServer, 3, "<3@x>");
    popServer.Expect("DELE 3").SendLine("-ERR mailbox is busy").Pop3Quit().AcceptNext();  // its QUIT carries 1 out
    Pop3Session(popServer, 4);
    Summary(popServer, 4, "<4@x>");
    Delete(popServer, 4);
    popServer.Expect("QUIT").SendLine("-ERR could not remove").Close();  // so 4 stays on the server
    popServer.Start();
    ScriptedServer smtpServer;
    SmtpSession(smtpServer);
    Refusal(smtpServer, "a@x", "one@example.jp", RefusalLines("a@x", "one@example.jp"));
    smtpServer.SmtpQuit();
    smtpServer.Start();
    const std::string closed = ClosedAddress();
    const std::vector<app::AccountRecord> rows = {Account("a@x", popServer.Address(), smtpServer.Address()),
                                                  Account("b@x", closed, closed)};
    const std::vector<app::AdCandidate> queue = {
        Queued("a@x", "<1@x>", 1, "one@example.jp"), Queued("a@x", "<2@x>", 2, "two@example.jp"),
        Queued("a@x", "<3@x>", 3, "three@example.jp"), Queued("a@x", "<4@x>", 4, "four@example.jp"),
        Queued("b@x", "<1@x>", 1, "five@example.jp")};  // its POP3 server cannot be reached
    const std::vector<app::AdCandidate> deleted = Handler().DeleteAdvertisements(queue, rows);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(deleted[0].MessageId, "<1@x>");
    Handler().SendRefusalMails(deleted, rows);
    testsupport::ExpectScriptPlayed(popServer);
    testsupport::ExpectScriptPlayed(smtpServer);
    // b@x's SMTP server was not even tried.
    EXPECT_EQ(Log().find("(SendMail)"), std::string::npos) << Log();
}

TEST_F(AdvertisementHandlerTest, RowsWithTheSameAddressHandleEachEntryOnceOnTheFirstRow) {
    ScriptedServer popServer;
    Pop3Session(popServer, 2);
    Summary(popServer, 1, "<1@x>");
    Delete(popServer, 1);
    Summary(popServer, 2, "<2@x>");
    Delete(popServer, 2);
    popServer.Pop3Quit();
    popServer.Start();
    ScriptedServer smtpServer;
    SmtpSession(smtpServer);
    Refusal(smtpServer, "a@x", " shop@example.jp", RefusalLines("a@x", " shop@example.jp"));
    smtpServer.SmtpQuit();
    smtpServer.Start();
    const std::string closed = ClosedAddress();
    const std::vector<app::AccountRecord> rows = {Account("a@x", popServer.Address(), smtpServer.Address()),
                                                  Account("a@x", closed, closed)};
    const std::vector<app::AdCandidate> queue = {Queued("a@x", "<1@x>", 1, " shop@example.jp"),
                                                 Queued("a@x", "<2@x>", 2)};
    Handler().SendRefusalMails(Handler().DeleteAdvertisements(queue, rows), rows);
    testsupport::ExpectScriptPlayed(popServer);
    testsupport::ExpectScriptPlayed(smtpServer);
    EXPECT_EQ(Log(), "");  // the second row was never contacted
}

TEST_F(AdvertisementHandlerTest, ThePassAndTheIndividualDeletionNeverHoldTheClientTogether) {
    // The individual deletion holds the client: the pass contacts no server and deletes nothing.
    {
        std::optional<app::SharedPop3Client::Claim> listing = pop3.TryClaim(app::Pop3ClientUser::IndividualDeletion);
        ASSERT_TRUE(listing);
        EXPECT_FALSE(pop3.TryClaim(app::Pop3ClientUser::AdvertisementDeletion));
        listing->SetListingForDeletion(true);  // as a listing leaves it
        EXPECT_TRUE(Handler().DeleteAdvertisements({Queued("a@x", "<1@x>", 1)}, {Account("a@x", ClosedAddress())})
                        .empty());
        EXPECT_EQ(Log(), "");
        EXPECT_TRUE(view.statusTexts.empty());
        EXPECT_EQ(pop3.Holder(), app::Pop3ClientUser::IndividualDeletion);
    }

    // The pass holds it: a listing started from the pending work in the middle of the pass is refused,
    // and the summaries the pass fetches do not reach the deletion dialog.
    ScriptedServer server;
    Pop3Session(server, 1);
    Summary(server, 1, "<1@x>");
    Delete(server, 1);
    server.Pop3Quit();
    server.Start();
    int listed = 0;
    pop3.OnListedSummary = [&](const net::TSummary&, const std::string&) { ++listed; };
    int refusedClaims = 0;
    between = [&] {
        if (!pop3.TryClaim(app::Pop3ClientUser::IndividualDeletion)) ++refusedClaims;
    };
    Handler().DeleteAdvertisements({Queued("a@x", "<1@x>", 1)}, {Account("a@x", server.Address())});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_GT(refusedClaims, 0);
    EXPECT_EQ(listed, 0);
    EXPECT_FALSE(pop3.Holder());  // given back at the end of the pass
    EXPECT_TRUE(pop3.TryClaim(app::Pop3ClientUser::IndividualDeletion));
}

TEST_F(AdvertisementHandlerTest, OneSmtpSessionSendsARefusalToEachAdvertiserOfTheAccount) {
    ScriptedServer server;
    SmtpSession(server);
    Refusal(server, "a@x", " shop@example.jp", RefusalLines("a@x", " shop@example.jp"));
    Refusal(server, "a@x", "ad@example.jp", RefusalLines("a@x", " Sale <ad@example.jp>"));
    server.SmtpQuit();
    server.Start();
    Handler().SendRefusalMails({Queued("a@x", "<1@x>", 1, " shop@example.jp"), Queued("a@x", "<2@x>", 2),
                                Queued("a@x", "<3@x>", 3, " Sale <ad@example.jp>")},
                               {Account("a@x", "pop.invalid", server.Address())});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(view.statusTexts, (std::vector<std::string>{" shop@example.jp" + kSending,
                                                          " Sale <ad@example.jp>" + kSending, ""}));
    EXPECT_EQ(Log(), "");
}

TEST_F(AdvertisementHandlerTest, EveryPlaceholderIsReplacedOnceAndTheWholeBodyIsSent) {
    settings.SendSubject = " \t ";  // no Subject line at all
    const std::string filler(1500, 'y');
    replyBody = "To %mail:\r\n" + filler + "\r\n.\r\nBye %mail%mail";
    ScriptedServer server;
    SmtpSession(server);
    // The address itself holds the placeholder; it is put in once and not searched again.
    const std::string address = "me%mail@x";
    Refusal(server, address, "shop@example.jp",
            {"From: " + address + "<" + address + ">", "To: shop@example.jp", "Mime-Version: 1.0",
             "Content-Type: text/plain; charset=ISO-2022-JP", "", "", "To " + address + ":", filler, "..",
             "Bye " + address + address});
    server.SmtpQuit();
    server.Start();
    Handler().SendRefusalMails({Queued(address, "<1@x>", 1, "shop@example.jp")},
                               {Account(address, "pop.invalid", server.Address())});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(Log(), "");
}

TEST_F(AdvertisementHandlerTest, AReplyAddressWithALineBreakOrWithoutAnEnvelopeAddressIsSkippedAndLogged) {
    ScriptedServer server;
    SmtpSession(server);
    Refusal(server, "a@x", "shop@example.jp", RefusalLines("a@x", " <shop@example.jp>"));
    server.SmtpQuit();
    server.Start();
    const std::string closed = ClosedAddress();
    const std::vector<app::AdCandidate> queue = {
        // What an encoded-word in a From line can decode to.
        Queued("a@x", "<1@x>", 1, " <x@example.jp>\r\nRCPT TO:<victim@example.org>"),
        Queued("a@x", "<2@x>", 2, " x@example.jp\nBcc: victim@example.org"),
        Queued("a@x", "<3@x>", 3, std::string(" x@example.jp\0>", 15)),
        Queued("a@x", "<5@x>", 5, " foo:s7@example.com> NOTIFY=SUCCESS ORCPT=rfc822;victim@example.org"),
        Queued("a@x", "<4@x>", 4, " <shop@example.jp>"),
        // No envelope address: the account's SMTP server is not even tried for them.
        Queued("b@x", "<1@x>", 1, " Shop <>"), Queued("b@x", "<2@x>", 2, " "),
        Queued("b@x", "<3@x>", 3, " Shop < \t>")};
    Handler().SendRefusalMails(queue, {Account("a@x", "pop.invalid", server.Address()),
                                       Account("b@x", "pop.invalid", closed)});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received().find("victim"), std::string::npos);
    const std::string unsafe = "UnsafeAddress(SendMail): " + server.Address() + kStamp;
    const std::string noAddress = "NoAddress(SendMail): " + closed + kStamp;
    EXPECT_EQ(Log(), unsafe + unsafe + unsafe + unsafe + noAddress + noAddress + noAddress);
}

TEST_F(AdvertisementHandlerTest, AnSmtpServerThatCannotBeOpenedIsSkippedAndTheNextIsTried) {
    const std::string closed = ClosedAddress();
    ScriptedServer greetingRefused;
    greetingRefused.SendLine("554 go away").SmtpQuit();
    greetingRefused.Start();
    ScriptedServer heloRefused;
    heloRefused.SmtpGreeting().Expect("HELO alice").SendLine("550 who are you").SmtpQuit();
    heloRefused.Start();
    ScriptedServer good;
    SmtpSession(good);
    Refusal(good, "e@x", "shop@example.jp", RefusalLines("e@x", "shop@example.jp"));
    good.SmtpQuit();
    good.Start();
    Handler().SendRefusalMails(
        {Queued("a@x", "<1@x>", 1, "shop@example.jp"), Queued("a@x", "<2@x>", 2, "shop@example.jp"),
         Queued("b@x", "<1@x>", 1, "shop@example.jp"), Queued("c@x", "<1@x>", 1, "shop@example.jp"),
         Queued("d@x", "<1@x>", 1, "shop@example.jp"), Queued("e@x", "<1@x>", 1, "shop@example.jp")},
        {Account("a@x", "pop.invalid", ""), Account("b@x", "pop.invalid", closed),
         Account("c@x", "pop.invalid", greetingRefused.Address()), Account("d@x", "pop.invalid", heloRefused.Address()),
         Account("e@x", "pop.invalid", good.Address())});
    for (ScriptedServer* server : {&greetingRefused, &heloRefused, &good}) testsupport::ExpectScriptPlayed(*server);
    EXPECT_EQ(Log(), "InvalidHost(SendMail): " + kStamp + "ConnectionFailed(SendMail): " + kStamp +
                         "ConnectionFailed(SendMail): " + closed + kStamp + "ConnectionFailed(SendMail): " + closed +
                         kStamp + "ConnectionFailed(SendMail): " + greetingRefused.Address() + kStamp +
                         "IDorPasswordFailed(SendMail): " + heloRefused.Address() + kStamp +
                         "ConnectionFailed(SendMail): " + heloRefused.Address() + kStamp);
}

TEST_F(AdvertisementHandlerTest, AnAbortEndsTheRunningPassAtOnceUnloggedAndTheNextPassRunsWhole) {
    struct Case {
        const char* waitingFor;
        bool refusals;
        std::function<void(ScriptedServer&)> script;  // a@x's server, up to its stall
    };
    const std::vector<Case> cases = {
        {"a summary", false, [](ScriptedServer& s) { Pop3Session(s, 1).Expect("TOP 1 0").Stall(); }},
        {"QUIT before the next account", false,
         [](ScriptedServer& s) { Delete(Summary(Pop3Session(s, 1), 1, "<1@x>"), 1).Expect("QUIT").Stall(); }},
        {"a send", true, [](ScriptedServer& s) { SmtpSession(s).Expect("RSET").Stall(); }},
        {"SMTP QUIT before the next account", true,
         [](ScriptedServer& s) {
             Refusal(SmtpSession(s), "a@x", "shop@example.jp", RefusalLines("a@x", "shop@example.jp"));
             s.Expect("QUIT").Stall();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waitingFor);
        ScriptedServer stalling;
        c.script(stalling);
        ScriptedServer untouched;
        untouched.Stall();
        stalling.Start();
        untouched.Start();
        // Each pass contacts only the servers of its own kind.
        const std::string closed = ClosedAddress();
        const std::vector<app::AccountRecord> rows = {Account("a@x", stalling.Address(), stalling.Address()),
                                                      Account("b@x", untouched.Address(), untouched.Address()),
                                                      Account("c@x", closed, closed)};
        const auto queued = [](const std::string& address) {
            return Queued(address, "<1@x>", 1, "shop@example.jp");
        };
        const auto pass = [&](const std::vector<app::AdCandidate>& entries) {
            if (c.refusals) return Handler().SendRefusalMails(entries, rows);
            Handler().DeleteAdvertisements(entries, rows);
        };
        int polls = 0;
        between = [&] {
            if (stalling.WaitUntilPlayed(std::chrono::milliseconds(0)) && ++polls == 5) Handler().Abort();
        };
        const auto started = std::chrono::steady_clock::now();
        pass({queued("a@x"), queued("b@x")});
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));  // time-out 2 s
        testsupport::ExpectScriptPlayed(stalling);
        EXPECT_FALSE(untouched.WaitUntilPlayed(std::chrono::milliseconds(0)));
        EXPECT_EQ(Log(), "");

        between = nullptr;
        pass({queued("c@x")});
        EXPECT_NE(Log(), "");  // the next pass runs and logs as usual
        std::filesystem::remove(folder.LogFile());
    }
}

TEST_F(AdvertisementHandlerTest, ARefusedSendIsLoggedTheSessionClosedAndTheNextRefusalSentAfresh) {
    ScriptedServer server;
    SmtpSession(server);
    server.Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<a@x>").SendLine("451 try later").SmtpQuit();
    server.AcceptNext();
    SmtpSession(server);
    server.Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<a@x>").SendLine("250 ok");
    server.Expect("RCPT TO:<gone@example.jp>").SendLine("550 no such user").Expect("DATA").SendLine("554 no recipients");
    server.SmtpQuit().AcceptNext();
    SmtpSession(server);
    Refusal(server, "a@x", "three@example.jp", RefusalLines("a@x", "three@example.jp"), "554 rejected as spam");
    server.SmtpQuit().AcceptNext();
    SmtpSession(server);
    Refusal(server, "a@x", "four@example.jp", RefusalLines("a@x", "four@example.jp"));
    server.Expect("QUIT").SendLine("421 closing anyway").Close();
    server.Start();
    Handler().SendRefusalMails(
        {Queued("a@x", "<1@x>", 1, "one@example.jp"), Queued("a@x", "<2@x>", 2, "gone@example.jp"),
         Queued("a@x", "<3@x>", 3, "three@example.jp"), Queued("a@x", "<4@x>", 4, "four@example.jp")},
        {Account("a@x", "pop.invalid", server.Address())});
    testsupport::ExpectScriptPlayed(server);
    const std::string failed = "SendFailed(SendMail): " + server.Address() + kStamp;
    EXPECT_EQ(Log(), failed + failed + failed + failed);
    EXPECT_EQ(view.statusTexts.back(), "");
}

}  // namespace
