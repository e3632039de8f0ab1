#include "net/Exceptions.h"
#include "net/NMSMTP.h"

#include "tests/net/MessageOf.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace net {
namespace {

using Events = std::vector<std::string>;
using testsupport::ScriptedServer;

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

// The message the fixture's PostMessage makes, as the server sees it after DATA.
const std::string kDefaultMessage = "From: <alice@example.jp>\r\nTo: bob@example.jp\r\nMime-Version: 1.0\r\n"
                                    "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\nhello\r\n";

// For a message whose bytes are known only afterwards: its lines are taken as they come.
ScriptedServer& SkipLinesOf(ScriptedServer& server, const std::string& text)
{
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        server.ExpectAnyLine();
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

// One reply of a whole session, and what the client makes of it: empty when it accepts, else the error
// it fails with or the event it fires.
struct ReplyCase {
    std::string exchange;
    std::string reply;
    std::string refusal;
};

// Each threshold from both sides, and a reply without leading digits, whose code 0 no exchange refuses.
const std::vector<ReplyCase> kReplyCases = {
    {"greeting", "399 ready", ""},
    {"greeting", "400 busy", "400 busy\r\n"},
    {"greeting", "hello", ""},
    {"HELO", "299 hello", ""},
    {"HELO", "300 hello", "Authentication failed"},
    {"HELO", "hi", ""},
    {"RSET", "399 ok", ""},
    {"RSET", "400 no", "400 no\r\n"},
    {"RSET", "ok", ""},
    {"MAIL", "399 ok", ""},
    {"MAIL", "400 no", "400 no\r\n"},
    {"MAIL", "fine", ""},
    {"RCPT", "300 ok", ""},
    {"RCPT", "301 no", "RecipientNotFound bob@example.jp"},
    {"RCPT", "yes", ""},
    {"DATA", "399 go ahead", ""},
    {"DATA", "400 no", "400 no\r\n"},
    {"DATA", "go", ""},
    {".", "399 queued", ""},
    {".", "400 no", "400 no\r\n"},
    {".", "done", ""},
    {"QUIT", "339 bye", ""},
    {"QUIT", "340 no", "340 no\r\n"},
    {"QUIT", "bye", ""},
};

// The session with the case's reply in its place: it stops at a refusal, except at a refused recipient.
void PlaySession(ScriptedServer& server, const ReplyCase& replyCase)
{
    const auto reply = [&](const std::string& exchange, const std::string& usual) {
        return exchange == replyCase.exchange ? replyCase.reply : usual;
    };
    const auto stopsAt = [&](const std::string& exchange) {
        return exchange == replyCase.exchange && !replyCase.refusal.empty() && exchange != "RCPT";
    };
    server.SendLine(reply("greeting", "220 ready"));
    bool going = !stopsAt("greeting");
    if (going) {
        server.Expect("HELO alice").SendLine(reply("HELO", "250 hello"));
        going = !stopsAt("HELO");
    }
    const std::vector<std::pair<std::string, std::string>> commands = {{"RSET", "RSET"},
                                                                       {"MAIL", "MAIL FROM:<alice@example.jp>"},
                                                                       {"RCPT", "RCPT TO:<bob@example.jp>"},
                                                                       {"DATA", "DATA"}};
    for (const auto& [exchange, command] : commands) {
        if (!going) {
            break;
        }
        server.Expect(command).SendLine(reply(exchange, exchange == "DATA" ? "354 go ahead" : "250 ok"));
        going = !stopsAt(exchange);
    }
    if (going) {
        ExpectLines(server, kDefaultMessage).Expect(".").SendLine(reply(".", "250 queued"));
    }
    server.Expect("QUIT").SendLine(reply("QUIT", "221 bye")).Close();
}

TEST(SmtpReplyCodes, EachExchangeCountsARefusalFromItsOwnThreshold)
{
    for (const ReplyCase& replyCase : kReplyCases) {
        SCOPED_TRACE(replyCase.exchange + " answered " + replyCase.reply);
        ScriptedServer server;
        PlaySession(server, replyCase);
        server.Start();
        TNMSMTP smtp;
        smtp.UserID = "alice";
        smtp.TimeOut = 2000;
        smtp.Host = server.Address();
        smtp.PostMessage.FromAddress = "alice@example.jp";
        smtp.PostMessage.ToAddress = {"bob@example.jp"};
        smtp.PostMessage.Body = {"hello"};
        std::vector<std::string> refusals;
        smtp.OnRecipientNotFound = [&](const std::string& entry) { refusals.push_back("RecipientNotFound " + entry); };
        const auto attempt = [&](const std::function<void()>& step) {
            try {
                step();
            } catch (const Exception& error) {
                refusals.push_back(error.Message());
            }
        };
        attempt([&] { smtp.Connect(); });
        if (smtp.Connected()) {
            attempt([&] { smtp.SendMail(); });
            attempt([&] { smtp.Disconnect(); });
        }
        EXPECT_EQ(refusals, replyCase.refusal.empty() ? Events{} : Events{replyCase.refusal});
        testsupport::ExpectScriptPlayed(server);
    }
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

TEST_F(Smtp, OnConnectStillBelongsToTheConnectSoASendFromItDoesNothing)
{
    Greeted().SmtpQuit();
    smtp.OnConnect = [&](TPowersock&) {
        events.push_back(smtp.Busy() ? "Connect while busy" : "Connect");
        smtp.SendMail();
    };
    server.Start();
    smtp.Host = server.Address();
    smtp.Connect();
    EXPECT_FALSE(smtp.Busy());
    smtp.Disconnect();
    EXPECT_EQ(events, (Events{"Connect while busy", "Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received(), "HELO alice\r\nQUIT\r\n");
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

TEST_F(Smtp, AServerThatHangsUpInsteadOfGreetingOrAnsweringHelo)
{
    server.SendLine("220-first line only").Close().AcceptNext().SmtpGreeting().Expect("HELO alice").Close();
    server.Start();
    smtp.Host = server.Address();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Connection closed by server");
    EXPECT_EQ(events, (Events{"Disconnect"}));
    events.clear();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Connection closed by server");
    EXPECT_EQ(events, (Events{"Disconnect"}));
    EXPECT_FALSE(smtp.Busy());
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

// A temporary folder for attachment files, removed with the test.
class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillonv-smtp-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : throw std::runtime_error("mkdtemp failed");
    }
    ~TempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / name;
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

private:
    std::filesystem::path path_;
};

TEST_F(Smtp, AnAttachmentTravelsAsABase64PartOfAMultipartMessage)
{
    TempFolder folder;
    const std::string path = folder.Write("data.bin", std::string(50, 'A'));
    std::string fullLine;  // 45 bytes
    for (int i = 0; i < 15; ++i) {
        fullLine += "QUFB";
    }
    // The boundary is random: the lines are taken as they come and compared once it is known.
    const std::string header = "From: <alice@example.jp>\r\nTo: bob@example.jp\r\nMime-Version: 1.0\r\n"
                               "Content-Type: multipart/mixed; boundary=\"{B}\"\r\n\r\n\r\n";
    const std::string text = "--{B}\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\nhello\r\n"
                             "--{B}\r\nContent-Type: application/octet-stream; name=\"data.bin\"\r\n"
                             "Content-Transfer-Encoding: base64\r\n"
                             "Content-Disposition: attachment; filename=\"data.bin\"\r\n\r\n" + fullLine +
                             "\r\nQUFBQUE=\r\n--{B}--\r\n";
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp"});
    server.Expect("DATA").SendLine("354 go ahead");
    SkipLinesOf(server, header + text).Expect(".").SendLine("250 queued").Stall();
    smtp.PostMessage.Attachments = {path};
    StartAndConnect();
    smtp.SendMail();
    testsupport::ExpectScriptPlayed(server);

    const std::string boundary = smtp.Boundary();
    ASSERT_EQ(boundary.size(), 35u);
    EXPECT_EQ(boundary.substr(0, 25), "====================54535");
    EXPECT_EQ(boundary.substr(31), "====");
    for (char letter : boundary.substr(25, 6)) {
        EXPECT_TRUE(letter >= 'a' && letter <= 'y') << boundary;
    }
    const auto withBoundary = [&](std::string bytes) {
        for (std::size_t at = bytes.find("{B}"); at != std::string::npos; at = bytes.find("{B}", at)) {
            bytes.replace(at, 3, boundary);
        }
        return bytes;
    };
    EXPECT_EQ(smtp.MessageText(), withBoundary(text));
    const std::string received = server.Received();
    const std::size_t data = received.find("DATA\r\n") + 6;
    EXPECT_EQ(received.substr(data), withBoundary(header + text) + ".\r\n");
    EXPECT_EQ(events, (Events{"EncodeStart " + path, "EncodeEnd " + path, "SendStart", "Success"}));
    EXPECT_TRUE(smtp.PostMessage.Attachments.empty());
}

TEST_F(Smtp, AMissingAttachmentFailsBeforeRset)
{
    TempFolder folder;
    const std::string present = folder.Write("present.txt", "x");
    const std::string missing = present + ".missing";
    Greeted().SmtpQuit();
    StartAndConnect();
    smtp.PostMessage.Attachments = {present, missing};
    const std::string message = MessageOf<EStreamError>([&] { smtp.SendMail(); });
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_EQ(events, (Events{"EncodeStart " + present, "EncodeEnd " + present, "AttachmentNotFound " + missing}));
    EXPECT_FALSE(smtp.Busy());
    EXPECT_EQ(smtp.PostMessage.Attachments.size(), 2u);
    smtp.Disconnect();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received(), "HELO alice\r\nQUIT\r\n");
}

TEST_F(Smtp, LineBreaksInAddressesAndHeaderValuesNeverReachTheServer)
{
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp"});
    Data(kDefaultMessage)
        .SmtpQuit();
    StartAndConnect();
    const TPostMessage clean = smtp.PostMessage;
    const auto refusal = [&](auto change) {
        smtp.PostMessage = clean;
        change(smtp.PostMessage);
        return MessageOf<Exception>([&] { smtp.SendMail(); });
    };
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ToAddress = {"victim@example.jp>\r\nRCPT TO:<other@example.jp"}; }),
              "Line break or zero byte in a recipient address");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ToAddress = {"Victim <victim@example.jp>\nBcc: other@example.jp"}; }),
              "Line break or zero byte in a recipient address");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ToCarbonCopy = {"a@example.jp\rRSET"}; }),
              "Line break or zero byte in a recipient address");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ToBlindCarbonCopy = {std::string("b@example.jp\0x", 14)}; }),
              "Line break or zero byte in a recipient address");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.FromAddress = "alice@example.jp>\r\nRCPT TO:<other@example.jp"; }),
              "Line break or zero byte in the sender address");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ReplyTo = "alice@example.jp\r\nBcc: other@example.jp"; }),
              "Line break or zero byte in the Reply-To line");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.Subject = "hi\nBcc: other@example.jp"; }),
              "Line break or zero byte in the Subject line");
    EXPECT_EQ(refusal([](TPostMessage& m) { m.FromName = "Eve\r\n"; }), "Line break or zero byte in the From line");
    // What an encoded-word in a stranger's From line can put into the envelope: ESMTP parameters, and
    // blanks or control bytes that end the path early.
    for (const std::string& entry : {"foo:s7@example.com> NOTIFY=SUCCESS ORCPT=rfc822;x@evil.test", "x@exa\tmple.jp",
                                     "x@example.jp\x7F", "x@example.jp>y@evil.test"}) {
        EXPECT_EQ(refusal([&](TPostMessage& m) { m.ToAddress = {entry}; }),
                  "Blank, angle bracket or control byte in a recipient address")
            << entry;
    }
    EXPECT_EQ(refusal([](TPostMessage& m) { m.FromAddress = "alice@example.jp> SIZE=1"; }),
              "Blank, angle bracket or control byte in the sender address");
    // A handler's late recipient is checked too.
    smtp.OnHeaderIncomplete = [&](bool& handled, int) {
        smtp.PostMessage.ToAddress = {"x@example.jp\r\nDATA"};
        handled = true;
    };
    EXPECT_EQ(refusal([](TPostMessage& m) { m.ToAddress.clear(); }), "Line break or zero byte in a recipient address");
    EXPECT_TRUE(events.empty());

    // The session is still in step for a sound message.
    smtp.OnHeaderIncomplete = nullptr;
    smtp.PostMessage = clean;
    smtp.SendMail();
    smtp.Disconnect();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received().find("other@example.jp"), std::string::npos);
}

TEST_F(Smtp, RefusalsFailTheSendWithTheReplyAndKeepTheConnection)
{
    Greeted()
        .Expect("RSET").SendLine("451 try later")
        .Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<alice@example.jp>").SendLine("553 sender refused")
        .Expect("RSET").SendLine("250 ok").Expect("MAIL FROM:<alice@example.jp>").SendLine("250 ok")
        .Expect("RCPT TO:<bob@example.jp>").SendLine("550 no").Expect("DATA").SendLine("554 no valid recipients");
    Envelope("alice@example.jp", {"bob@example.jp"});
    server.Expect("DATA").SendLine("354 go ahead");
    ExpectLines(server, kDefaultMessage).Expect(".").SendLine("552 too big").Expect("QUIT").SendLine("500 what").Close();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "451 try later\r\n");
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "553 sender refused\r\n");
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "554 no valid recipients\r\n");
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "552 too big\r\n");
    EXPECT_EQ(events, (Events{"SendStart", "SendStart", "SendStart", "RecipientNotFound bob@example.jp", "SendStart",
                              "Failure"}));
    EXPECT_TRUE(smtp.Connected());
    EXPECT_FALSE(smtp.Busy());
    EXPECT_EQ(smtp.PostMessage.ToAddress, (std::vector<std::string>{"bob@example.jp"}));
    events.clear();
    // A refused QUIT is reported, and the connection is closed all the same.
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.Disconnect(); }), "500 what\r\n");
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(events, (Events{"Disconnect"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, AConnectionClosedInsteadOfTheFinalReplyIsAFailure)
{
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp"});
    server.Expect("DATA").SendLine("354 go ahead");
    ExpectLines(server, kDefaultMessage).Expect(".").Close();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "Connection closed by server");
    EXPECT_EQ(events, (Events{"SendStart", "Disconnect", "Failure"}));
    EXPECT_FALSE(smtp.Connected());
    testsupport::ExpectScriptPlayed(server);
}

TEST(HostileSmtp, AMultiLineReplyThatGoesOnIsCutOffAndTheConnectionDropped)
{
    std::string endless;
    for (int i = 0; i < 8000; ++i) endless += "250-this line goes on and on\r\n";
    for (const bool inGreeting : {true, false}) {
        ScriptedServer server;
        if (inGreeting) {
            server.Send("220-" + endless).Stall();
        } else {
            server.SmtpGreeting().Expect("EHLO localhost").Send(endless).Stall();
        }
        server.Start();
        TNMSMTP smtp;
        smtp.UserID = "alice";
        smtp.TimeOut = 2000;
        // Plain for the greeting, STARTTLS for EHLO, so both the skipped and the kept lines are read.
        smtp.Host = inGreeting ? server.Address() : "submission://" + server.Address();
        EXPECT_EQ(MessageOf<Exception>([&] { smtp.Connect(); }), "Reply longer than 65,536 bytes");
        EXPECT_FALSE(smtp.Connected());
    }
}

TEST_F(Smtp, AHeaderBlockBeyondTheLargestSingleWriteIsSentWhole)
{
    const std::string name(40000, 'n');
    const std::string header = "From: <alice@example.jp>\r\nTo: " + name + " <bob@example.jp>," + name +
                               " <carol@example.jp>\r\nMime-Version: 1.0\r\n"
                               "Content-Type: text/plain; charset=us-ascii\r\n\r\n\r\n";
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp", "carol@example.jp"});
    Data(header + "hello\r\n").Stall();
    smtp.PostMessage.ToAddress = {name + " <bob@example.jp>", name + " <carol@example.jp>"};
    StartAndConnect();
    smtp.SendMail();
    EXPECT_EQ(events, (Events{"SendStart", "Success"}));
    testsupport::ExpectScriptPlayed(server);
}

TEST_F(Smtp, WithoutAConnectionTheHandlerIsAskedOnce)
{
    int asked = 0;
    smtp.OnConnectionRequired = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { smtp.SendMail(); }), "Not Connected");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(smtp.Busy());
}

TEST_F(Smtp, ASendStartedWhileAnotherWaitsDoesNothing)
{
    int ignored = 0;
    TNMSMTP pumped([&] {
        if (ignored < 3) {
            ++ignored;
            pumped.SendMail();
        }
    });
    Greeted();
    Envelope("alice@example.jp", {"bob@example.jp"});
    Data(kDefaultMessage)
        .SmtpQuit();
    server.Start();
    pumped.UserID = "alice";
    pumped.Host = server.Address();
    pumped.PostMessage = smtp.PostMessage;
    pumped.Connect();
    pumped.SendMail();
    pumped.Disconnect();
    EXPECT_EQ(ignored, 3);
    testsupport::ExpectScriptPlayed(server);
}

// Composition runs before the connection is checked, so an unconnected client shows what it would send.
TEST(SmtpComposition, HeaderLinesComeInTheirOrderAndTheTextIsDotStuffedLineByLine)
{
    TNMSMTP smtp;
    TPostMessage& message = smtp.PostMessage;
    message.FromAddress = "alice@example.jp";
    message.FromName = "Alice ";
    message.ToAddress = {"bob@example.jp", "Carol <carol@example.jp>"};
    message.ToCarbonCopy = {"dave@example.jp"};
    message.ToBlindCarbonCopy = {"hidden@example.jp"};
    message.Date = "Mon, 7 Dec 2026 21:00:00 +0900";
    message.ReplyTo = "alice@example.jp";
    message.LocalProgram = "QuillonV";
    message.Subject = "test";
    // A line with a lone "." inside an entry would otherwise end the message and let the rest pass as
    // commands; bare CR and LF are not SMTP line ends.
    message.Body = {".", "a\r\n.\r\nQUIT", "b\n.hidden", "c\rd", ""};
    smtp.SubType = TSubType::mtHtml;
    smtp.Charset = "ISO-2022-JP";
    EXPECT_THROW(smtp.SendMail(), Exception);
    EXPECT_EQ(smtp.FinalHeader().Lines(),
              (std::vector<std::string>{"From: Alice <alice@example.jp>", "To: bob@example.jp,Carol <carol@example.jp>",
                                        "CC: dave@example.jp", "Subject: test", "X-Mailer: QuillonV",
                                        "Reply-To: alice@example.jp", "Date: Mon, 7 Dec 2026 21:00:00 +0900",
                                        "Mime-Version: 1.0", "Content-Type: text/html; charset=ISO-2022-JP"}));
    EXPECT_EQ(smtp.MessageText(), "..\r\na\r\n..\r\nQUIT\r\nb\r\n..hidden\r\nc\r\nd\r\n\r\n");

    const std::vector<std::pair<TSubType, std::string>> types = {
        {TSubType::mtPlain, "text/plain"}, {TSubType::mtEnriched, "text/enriched"}, {TSubType::mtSgml, "text/sgml"},
        {TSubType::mtTabSeperated, "text/tab-separated-values"}};
    for (const auto& [subType, name] : types) {
        smtp.SubType = subType;
        EXPECT_THROW(smtp.SendMail(), Exception);
        EXPECT_EQ(smtp.FinalHeader().Lines().back(), "Content-Type: " + name + "; charset=ISO-2022-JP");
    }
}

TEST(SmtpComposition, UuencodedAttachmentsAreLabelledAsSuchAndDotStuffed)
{
    TempFolder folder;
    TNMSMTP smtp;
    smtp.PostMessage.Attachments = {folder.Write("letters.txt", "abcdefghijklmn")};
    smtp.EncodeType = UUMethods::uuCode;
    EXPECT_THROW(smtp.SendMail(), Exception);
    const std::string text = smtp.MessageText();
    EXPECT_NE(text.find("Content-Transfer-Encoding: x-uuencode\r\n"), std::string::npos) << text;
    // Fourteen bytes make a line that starts with its length character "."; it travels dot-stuffed.
    EXPECT_NE(text.find("\r\n\r\n..86)C9&5F9VAI:FML;6X\r\n`\r\n--" + smtp.Boundary() + "--\r\n"), std::string::npos)
        << text;
}

}  // namespace
}  // namespace net
