#include "net/Exceptions.h"
#include "net/NMSMTP.h"

#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace net {
namespace {

using Events = std::vector<std::string>;
using testsupport::ScriptedServer;

template <typename E, typename Operation>
std::string MessageOf(Operation operation)
{
    try {
        operation();
    } catch (const E& error) {
        return error.Message();
    }
    ADD_FAILURE() << "no exception";
    return {};
}

// Expects every CR LF line of text in turn, so the transcript shows where a message goes astray.
ScriptedServer& ExpectLines(ScriptedServer& server, const std::string& text)
{
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        server.Expect(text.substr(start, end - start));
        start = end + 2;
    }
    return server;
}

class Smtp : public testing::Test {
protected:
    Smtp()
    {
        smtp.UserID = "alice";
        smtp.TimeOut = 2000;
        smtp.OnConnect = Record("Connect");
        smtp.OnDisconnect = Record("Disconnect");
        smtp.OnSendStart = Record("SendStart");
        smtp.OnSuccess = Record("Success");
        smtp.OnFailure = Record("Failure");
        smtp.OnRecipientNotFound = RecordFile("RecipientNotFound");
        smtp.OnEncodeStart = RecordFile("EncodeStart");
        smtp.OnEncodeEnd = RecordFile("EncodeEnd");
        smtp.OnAttachmentNotFound = RecordFile("AttachmentNotFound");
        smtp.PostMessage.FromAddress = "alice@example.jp";
        smtp.PostMessage.ToAddress = {"bob@example.jp"};
        smtp.PostMessage.Body = {"hello"};
    }

    TPowersock::NotifyEvent Record(std::string name)
    {
        return [this, name](TPowersock&) { events.push_back(name); };
    }

    TNMSMTP::FileEvent RecordFile(std::string name)
    {
        return [this, name](const std::string& text) { events.push_back(name + " " + text); };
    }

    // Greeting and HELO; the test's steps follow.
    ScriptedServer& Greeted() { return server.SmtpGreeting().SmtpHelo("alice"); }

    // RSET, MAIL FROM and RCPT TO all accepted.
    ScriptedServer& Envelope(const std::string& sender, const std::vector<std::string>& recipients)
    {
        server.Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<" + sender + ">").SendLine("250 ok");
        for (const std::string& recipient : recipients) {
            server.Expect("RCPT TO:<" + recipient + ">").SendLine("250 ok");
        }
        return server;
    }

    // DATA, the whole message as the server must see it, and its acceptance.
    ScriptedServer& Data(const std::string& message)
    {
        server.Expect("DATA").SendLine("354 go ahead");
        return ExpectLines(server, message).Expect(".").SendLine("250 queued");
    }

    void StartAndConnect()
    {
        server.Start();
        smtp.Host = server.Address();
        smtp.Connect();
        ASSERT_TRUE(smtp.Connected());
        events.clear();
    }

    ScriptedServer server;
    TNMSMTP smtp;
    Events events;
};

TEST_F(Smtp, ARefusalMailTravelsByteForByte)
{
    const std::string subject = "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!";
    const std::string refusal = "\x1B$B9-9p%a!<%k$NAw?.$O$*CG$j$7$^$9!#\x1B(J";
    const std::string address = "\x1B$B08@h\x1B(J alice@example.jp";
    const std::string header = "From: alice@example.jp<alice@example.jp>\r\n"
                               "To: ad@spam.example\r\n"
                               "Subject: " + subject + "\r\n"
                               "Mime-Version: 1.0\r\n"
                               "Content-Type: text/plain; charset=ISO-2022-JP\r\n";
    const std::string text = refusal + "\r\n" + "..\r\n" + "...more\r\n" + address + "\r\n";
    Greeted();
    Envelope("alice@example.jp", {"ad@spam.example"});
    Data(header + "\r\n\r\n" + text).SmtpQuit();

    smtp.PostMessage.FromName = "alice@example.jp";
    smtp.PostMessage.ToAddress = {"ad@spam.example"};
    smtp.PostMessage.Subject = subject;
    smtp.PostMessage.Body = {refusal, ".", "..more", address};
    smtp.Charset = "ISO-2022-JP";
    server.Start();
    smtp.Host = server.Address();
    EXPECT_EQ(smtp.Port, 25);
    smtp.Connect();
    smtp.SendMail();
    EXPECT_FALSE(smtp.Busy());
    smtp.Disconnect();
    EXPECT_EQ(events, (Events{"Connect", "SendStart", "Success", "Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received(), "HELO alice\r\nRSET\r\nMAIL FROM:<alice@example.jp>\r\nRCPT TO:<ad@spam.example>\r\n"
                                 "DATA\r\n" + header + "\r\n\r\n" + text + ".\r\nQUIT\r\n");
    EXPECT_EQ(smtp.MessageText(), text);
}

TEST(SmtpAddress, RecipientEntriesGiveTheirEnvelopeAddress)
{
    for (const char* entry : {"Bob Example <bob@example.jp>", "<bob@example.jp>", "To:bob@example.jp", "bob@example.jp",
                              "\"a:b\" <bob@example.jp> <x>"}) {
        EXPECT_EQ(ExtractAddress(entry), "bob@example.jp") << entry;
    }
    EXPECT_EQ(ExtractAddress("Bob <>"), "");
    EXPECT_EQ(ExtractAddress(" bob@example.jp"), " bob@example.jp");
    EXPECT_EQ(ExtractAddress("Bob <bob@example.jp"), "bob@example.jp");
}

TEST_F(Smtp, AnAddressWithoutAngleBracketsKeepsItsLeadingBlank)
{
    // The reply address of a From line without angle brackets is the text after "From:", blank and all.
    Greeted();
    Envelope("alice@example.jp", {" taro@example.jp"});
    Data("From: <alice@example.jp>\r\nTo:  taro@example.jp,Nobody <>\r\nMime-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nhello\r\n")
        .Stall();
    smtp.PostMessage.ToAddress = {" taro@example.jp", "Nobody <>"};
    StartAndConnect();
    smtp.SendMail();
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, TwoRefusedRecipientsAmongThreeDoNotStopTheSend)
{
    Greeted()
        .Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<alice@example.jp>").SendLine("250 ok")
        .Expect("RCPT TO:<one@example.jp>").SendLine("550-no such user").SendLine("550 really not")
        .Expect("RCPT TO:<two@example.jp>").SendLine("250 ok")
        .Expect("RCPT TO:<three@example.jp>").SendLine("301 odd but refused");
    Data("From: <alice@example.jp>\r\nTo: One <one@example.jp>,two@example.jp\r\nMime-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nhello\r\n")
        .Stall();
    smtp.PostMessage.ToAddress = {"One <one@example.jp>", "two@example.jp"};
    smtp.PostMessage.ToBlindCarbonCopy = {"three@example.jp"};
    StartAndConnect();
    smtp.SendMail();
    EXPECT_EQ(events, (Events{"SendStart", "RecipientNotFound One <one@example.jp>",
                              "RecipientNotFound three@example.jp", "Success"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, AMultiLineGreetingIsReadWholeBeforeHelo)
{
    server.SendLine("220-mail.example.jp").SendLine("220-no spam please").SendLine("220 ready").SmtpHelo("alice")
        .SmtpQuit();
    server.Start();
    smtp.Host = server.Address();
    smtp.Connect();
    smtp.Disconnect();
    EXPECT_EQ(events, (Events{"Connect", "Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, ARefusingGreetingIsTheErrorAndTheSessionEnds)
{
    server.SendLine("220-mail.example.jp").SendLine("554 no service").SmtpQuit();
    server.Start();
    smtp.Host = server.Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "554 no service\r\n");
    EXPECT_FALSE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
    EXPECT_EQ(events, (Events{"Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, ARefusedHeloWithoutAHandlerFailsAndQuits)
{
    server.SmtpGreeting().Expect("HELO alice").SendLine("501-bad name").SendLine("501 go away").SmtpQuit();
    server.Start();
    smtp.Host = server.Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Authentication failed");
    EXPECT_FALSE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
    EXPECT_EQ(events, (Events{"Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, AHandledHeloRefusalGetsExactlyOneMoreHelo)
{
    int asked = 0;
    smtp.OnAuthenticationFailed = [&](bool& handled) {
        ++asked;
        smtp.UserID = "alice.example.jp";
        handled = true;
    };
    server.SmtpGreeting().Expect("HELO alice").SendLine("501 bad name").SmtpHelo("alice.example.jp").SmtpQuit();
    server.Start();
    smtp.Host = server.Address();
    smtp.Connect();
    smtp.Disconnect();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(events, (Events{"Connect", "Disconnect"}));
    testsupport::ExpectScriptPlayed(server);

    // Refused again: the handler is not asked a second time.
    ScriptedServer second;
    second.SmtpGreeting().Expect("HELO alice").SendLine("501 bad").Expect("HELO alice.example.jp").SendLine("501 bad")
        .SmtpQuit();
    second.Start();
    smtp.UserID = "alice";
    smtp.Host = second.Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Authentication failed");
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(smtp.Connected());
    testsupport::ExpectScriptPlayed(second);
}

TEST_F(Smtp, ClearParamsEmptiesTheRecipientsAfterASuccessfulSend)
{
    const std::string tail = "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n\r\nhello\r\n";
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp"});
    Data("From: <alice@example.jp>\r\nTo: bob@example.jp\r\n" + tail);
    // The handler's recipient reaches the envelope only: the header was composed before the check.
    Envelope("alice@example.jp", {"carol@example.jp"});
    Data("From: <alice@example.jp>\r\n" + tail).Stall();
    StartAndConnect();
    smtp.SendMail();
    EXPECT_TRUE(smtp.PostMessage.ToAddress.empty());
    EXPECT_EQ(smtp.PostMessage.Body, (std::vector<std::string>{"hello"}));
    EXPECT_EQ(smtp.PostMessage.FromAddress, "alice@example.jp");

    std::vector<int> asked;
    smtp.OnHeaderIncomplete = [&](bool& handled, int hiType) {
        asked.push_back(hiType);
        smtp.PostMessage.ToBlindCarbonCopy = {"carol@example.jp"};
        handled = true;
    };
    smtp.ClearParams = false;
    smtp.SendMail();
    EXPECT_EQ(asked, (std::vector<int>{2}));
    EXPECT_EQ(smtp.PostMessage.ToBlindCarbonCopy, (std::vector<std::string>{"carol@example.jp"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, AnIncompleteHeaderFailsBeforeAnyCommand)
{
    Greeted().SmtpQuit();
    StartAndConnect();
    smtp.PostMessage.FromAddress.clear();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
    std::vector<int> asked;
    smtp.OnHeaderIncomplete = [&](bool&, int hiType) { asked.push_back(hiType); };
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
    smtp.OnHeaderIncomplete = [&](bool& handled, int hiType) {
        asked.push_back(hiType);
        handled = true;  // but supplies nothing
    };
    smtp.PostMessage.FromAddress = "alice@example.jp";
    smtp.PostMessage.ToAddress.clear();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "Incomplete Header");
    EXPECT_EQ(asked, (std::vector<int>{1, 2}));
    EXPECT_FALSE(smtp.Busy());
    EXPECT_TRUE(events.empty());
    smtp.Disconnect();
    testsupport::ExpectScriptPlayed(server);
}

}  // namespace
}  // namespace net
