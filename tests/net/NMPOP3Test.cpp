#include "net/Exceptions.h"
#include "net/NMPOP3.h"

#include "tests/net/MessageOf.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace net {
namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;
using testsupport::ScriptedServer;

// Knows one host name, pop.example.jp, on the loopback address.
std::optional<std::uint32_t> FakeResolver(const std::string& name)
{
    if (name == "pop.example.jp") {
        return htonl(INADDR_LOOPBACK);
    }
    return std::nullopt;
}

class Pop3 : public testing::Test {
protected:
    Pop3()
    {
        pop.UserID = "alice";
        pop.Password = "secret";
        pop.TimeOut = 2000;
        pop.ReportLevel = 1;
        pop.OnConnect = Record("Connect");
        pop.OnDisconnect = Record("Disconnect");
        pop.OnConnectionFailed = Record("ConnectionFailed");
        pop.OnHostResolved = Record("HostResolved");
        pop.OnRetrieveStart = Record("RetrieveStart");
        pop.OnRetrieveEnd = Record("RetrieveEnd");
        pop.OnSuccess = Record("Success");
        pop.OnFailure = Record("Failure");
        pop.OnInvalidHost = RecordUnhandled("InvalidHost");
        pop.OnAuthenticationNeeded = RecordUnhandled("AuthenticationNeeded");
        pop.OnAuthenticationFailed = RecordUnhandled("AuthenticationFailed");
        pop.OnConnectionRequired = RecordUnhandled("ConnectionRequired");
        pop.OnStatus = [this](TPowersock&, const std::string& status) {
            if (status == "Summary Retrieved") {
                events.push_back(status);
            }
        };
    }

    // Every script that was started must have been played to its end (a stall counts) without a mismatch.
    void TearDown() override
    {
        if (serverStarted) {
            testsupport::ExpectScriptPlayed(server);
        }
    }

    TPowersock::NotifyEvent Record(std::string name)
    {
        return [this, name](TPowersock&) { events.push_back(name); };
    }

    // Leaves Handled false, as the application's handlers do.
    TPowersock::HandlerEvent RecordUnhandled(std::string name)
    {
        return [this, name](bool&) { events.push_back(name); };
    }

    void StartServer()
    {
        server.Start();
        serverStarted = true;
        pop.Host = server.Address();
    }

    // Greeting, login and STAT with three messages; the test's steps follow.
    ScriptedServer& LoggedInScript()
    {
        return server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 4521");
    }

    // A first session that leaves MailCount at 3, then the greeting and login of a second one.
    ScriptedServer& SecondLoginScript()
    {
        return LoggedInScript().Pop3Quit().AcceptNext().Pop3Greeting().Pop3Login("alice", "secret");
    }

    void StartAndConnect()
    {
        StartServer();
        pop.Connect();
        ASSERT_TRUE(pop.Connected());
        events.clear();
    }

    void PlayFirstSession()
    {
        StartAndConnect();
        pop.Disconnect();
        ASSERT_EQ(pop.MailCount(), 3);
        events.clear();
    }

    ScriptedServer server;
    bool serverStarted = false;
    // What the wait loops serve between their polls, as the program's message loop.
    std::function<void()> onPump;
    TNMPOP3 pop{[this] {
                    if (onPump) {
                        onPump();
                    }
                },
                FakeResolver};
    Events events;
};

TEST_F(Pop3, ALoginSetsMailCountAndFiresOnConnectOnce)
{
    LoggedInScript().Pop3Quit();
    StartServer();
    EXPECT_EQ(pop.Port, 110);
    pop.Connect();
    EXPECT_TRUE(pop.Connected());
    EXPECT_EQ(pop.MailCount(), 3);
    EXPECT_FALSE(pop.Busy());
    pop.Disconnect();
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(events, (Events{"Connect", "Disconnect"}));

    // Not connected: nothing is sent and no event fires.
    pop.Disconnect();
    EXPECT_EQ(events, (Events{"Connect", "Disconnect"}));
}

TEST_F(Pop3, AStatReplyWithoutSizeGivesNoMessages)
{
    SecondLoginScript().Expect("STAT").SendLine("+OK 3").Stall();
    PlayFirstSession();
    pop.Connect();
    EXPECT_EQ(pop.MailCount(), 0);
}

TEST_F(Pop3, AHostNameIsLookedUpBeforeTheLoginAndAnUnknownOneIsNoConnectionFailure)
{
    pop.Host = "nowhere.example.jp";
    EXPECT_EQ(MessageOf<ESockError>([&] { pop.Connect(); }), "Null Remote Address");
    EXPECT_EQ(events, (Events{"InvalidHost"}));
    EXPECT_FALSE(pop.Busy());

    events.clear();
    LoggedInScript().Stall();
    StartServer();
    pop.Host = "pop.example.jp:" + std::to_string(server.Port());
    pop.Connect();
    EXPECT_EQ(events, (Events{"HostResolved", "Connect"}));
}

TEST_F(Pop3, MissingCredentialsFailBeforeAnyConnection)
{
    pop.UserID.clear();
    pop.Host = "127.0.0.1:1";
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "Authentication failed");
    EXPECT_EQ(events, (Events{"AuthenticationNeeded"}));
    pop.OnAuthenticationNeeded = nullptr;
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "Authentication failed");
    EXPECT_EQ(events, (Events{"AuthenticationNeeded"}));
    EXPECT_FALSE(pop.Busy());

    // A handler that fills the credentials lets the login go on.
    events.clear();
    LoggedInScript().Stall();
    StartServer();
    pop.OnAuthenticationNeeded = [&](bool& handled) {
        events.push_back("AuthenticationNeeded");
        pop.UserID = "alice";
        handled = true;
    };
    pop.Connect();
    EXPECT_EQ(pop.MailCount(), 3);
    EXPECT_EQ(events, (Events{"AuthenticationNeeded", "Connect"}));
}

TEST_F(Pop3, ARejectedPasswordThatIsNotHandledLogsOutAndFails)
{
    server.Pop3Greeting().Expect("USER alice").SendLine("+OK").Expect("PASS secret").SendLine("-ERR denied").Pop3Quit();
    StartServer();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "Authentication failed");
    EXPECT_FALSE(pop.Connected());
    EXPECT_FALSE(pop.Busy());
    EXPECT_EQ(events, (Events{"AuthenticationFailed", "Disconnect"}));
}

TEST_F(Pop3, AHandledRejectionGetsExactlyOneMoreLoginPass)
{
    server.Pop3Greeting()
        .Expect("USER alice").SendLine("+OK").Expect("PASS secret").SendLine("-ERR denied")
        .Expect("USER bob").SendLine("-ERR unknown")
        .Pop3Quit();
    StartServer();
    pop.OnAuthenticationFailed = [&](bool& handled) {
        events.push_back("AuthenticationFailed");
        pop.UserID = "bob";
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "Authentication failed");
    EXPECT_EQ(events, (Events{"AuthenticationFailed", "Disconnect"}));
}

TEST_F(Pop3, ALineBreakInTheCredentialsNeverReachesTheServer)
{
    server.Pop3Greeting().Expect("USER alice").SendLine("+OK").Pop3Quit();
    StartServer();
    pop.Password = "secret\r\nDELE 1";
    EXPECT_EQ(MessageOf<ESockError>([&] { pop.Connect(); }), "Line to send holds a line break or zero byte");
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(events, (Events{"Disconnect"}));
    EXPECT_EQ(server.Received(), "USER alice\r\nQUIT\r\n");
}

TEST_F(Pop3, ANegativeGreetingIsTheMessageAndTheConnectionIsClosed)
{
    server.SendLine("-ERR busy").Pop3Quit();
    StartServer();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "-ERR busy\r\n");
    EXPECT_EQ(events, (Events{"Disconnect"}));
}

TEST_F(Pop3, AFailedStatComesAfterOnDisconnectAndOnConnectAndKeepsTheMailCount)
{
    SecondLoginScript().Expect("STAT").SendLine("-ERR locked").Pop3Quit();
    PlayFirstSession();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Connect(); }), "-ERR locked\r\n");
    EXPECT_EQ(events, (Events{"Disconnect", "Connect"}));
    EXPECT_EQ(pop.MailCount(), 3);
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, AStatNeverAnsweredTimesOutAfterOnDisconnectAndOnConnectAndKeepsTheMailCount)
{
    SecondLoginScript().Expect("STAT").Stall();
    PlayFirstSession();
    pop.TimeOut = 300;
    EXPECT_EQ(MessageOf<EAbortError>([&] { pop.Connect(); }), "Socket readln aborted");
    EXPECT_TRUE(pop.TimedOut());
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(events, (Events{"Disconnect", "Connect"}));
    EXPECT_EQ(pop.MailCount(), 3);
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, ARefusedConnectionFiresOnConnectionFailedOnly)
{
    pop.Host = "127.0.0.1:1";
    EXPECT_EQ(MessageOf<ESockError>([&] { pop.Connect(); }), "Connection Failed");
    EXPECT_EQ(events, (Events{"ConnectionFailed"}));
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, GetSummaryParsesTheHeaderAndTheListSize)
{
    LoggedInScript()
        .Expect("TOP 1 0")
        .SendLine("+OK header follows")
        .SendLine("Subject: Hello")
        .SendLine("From: Taro <taro@example.jp>")
        .SendLine("Message-ID: <1@example.jp>")
        .SendLine("")
        .SendLine(".")
        .Expect("LIST 1")
        .SendLine("+OK 2 1200")
        .Stall();
    StartAndConnect();
    pop.GetSummary(1);
    const TSummary& summary = pop.Summary();
    EXPECT_EQ(summary.Subject, " Hello");
    EXPECT_EQ(summary.From, " Taro <taro@example.jp>");
    EXPECT_EQ(summary.MessageId, "<1@example.jp>");
    EXPECT_EQ(summary.Bytes, 1200);
    EXPECT_EQ(summary.Header.Lines(), (std::vector<std::string>{"Subject: Hello", "From: Taro <taro@example.jp>",
                                                               "Message-ID: <1@example.jp>", "", "."}));
    EXPECT_EQ(events, (Events{"RetrieveStart", "Summary Retrieved", "RetrieveEnd"}));
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, HeaderNamesMatchOnlyAsSpelledAndTheLastOneWins)
{
    LoggedInScript()
        .Expect("TOP 2 0")
        .SendLine("+OK")
        .SendLine("Subject: first")
        .SendLine("SUBJECT: capitals")
        .Send("Subject: second\n")  // a bare LF ends a line too
        .SendLine(" folded continuation")
        .SendLine("Message-Id: <lower@example.jp>")
        .SendLine(" From: indented")
        .SendLine("..stuffed")
        .SendLine("")
        .SendLine(".")
        .Expect("LIST 2")
        .SendLine("+OK 2 99")
        .Stall();
    StartAndConnect();
    pop.GetSummary(2);
    const TSummary& summary = pop.Summary();
    EXPECT_EQ(summary.Subject, " second");
    EXPECT_EQ(summary.MessageId, "");
    EXPECT_EQ(summary.From, "");
    ASSERT_EQ(summary.Header.Count(), 9);
    EXPECT_EQ(summary.Header[2], "Subject: second");
    EXPECT_EQ(summary.Header[3], " folded continuation");
    EXPECT_EQ(summary.Header[6], "..stuffed");
}

TEST_F(Pop3, FailuresInsideGetSummaryKeepTheOldValuesAndSkipOnRetrieveEnd)
{
    LoggedInScript()
        .Expect("TOP 1 0").SendLine("+OK").SendLine("Subject: kept").SendLine(".").Expect("LIST 1").SendLine("+OK 1 10")
        .Expect("TOP 2 0").SendLine("-ERR no such message")
        .Expect("TOP 3 0").SendLine("+OK").SendLine("Subject: new").SendLine(".")
        .Expect("LIST 3").SendLine("-ERR no such message")
        .Stall();
    StartAndConnect();
    pop.GetSummary(1);
    events.clear();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.GetSummary(2); }), "-ERR no such message\r\n");
    EXPECT_EQ(pop.Summary().Subject, " kept");
    EXPECT_TRUE(pop.Connected());
    EXPECT_THROW(pop.GetSummary(3), Exception);
    EXPECT_EQ(pop.Summary().Bytes, 10);
    EXPECT_EQ(events, (Events{"RetrieveStart", "RetrieveStart"}));
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, AConnectionClosedInTheMiddleOfTheHeaderFailsTheSummary)
{
    LoggedInScript().Expect("TOP 1 0").SendLine("+OK").SendLine("Subject: cut").Send("From: half").Close();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.GetSummary(1); }), "Connection closed while reading the header");
    EXPECT_EQ(events, (Events{"RetrieveStart", "Disconnect"}));
    EXPECT_FALSE(pop.Connected());
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, ASilentServerTimesOutWithOnDisconnectBeforeTheException)
{
    LoggedInScript().Expect("TOP 1 0").SendLine("+OK").SendLine("Subject: slow").Stall();
    pop.TimeOut = 150;
    StartAndConnect();
    EXPECT_EQ(MessageOf<EAbortError>([&] { pop.GetSummary(1); }), "Socket readln aborted");
    EXPECT_TRUE(pop.TimedOut());
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(events, (Events{"RetrieveStart", "Disconnect"}));
    // Dropped without QUIT: Disconnect has nothing left to do.
    pop.Disconnect();
    EXPECT_EQ(events.size(), 2u);
}

TEST_F(Pop3, OnlyAPlusOkStatusCountsAsADeletion)
{
    const std::vector<std::string> refusals = {"-ERR no such message", "whatever", "-ERR", "-ERR\tlocked", "",
                                               "* busy", "+OKAY"};
    LoggedInScript().Expect("DELE 1").SendLine("+OK marked");
    for (const std::string& reply : refusals) {
        server.Expect("DELE 2").SendLine(reply);
    }
    server.Pop3Quit();
    StartAndConnect();
    pop.DeleteMailMessage(1);
    EXPECT_EQ(events, (Events{"Success"}));
    for (const std::string& reply : refusals) {
        events.clear();
        EXPECT_EQ(MessageOf<Exception>([&] { pop.DeleteMailMessage(2); }), reply + "\r\n") << reply;
        EXPECT_EQ(events, (Events{"Failure"})) << reply;
    }
    EXPECT_FALSE(pop.Busy());
    pop.Disconnect();
}

TEST_F(Pop3, TheMessageIdIsUnfoldedAndTrimmed)
{
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        std::string messageId;
    };
    const std::vector<Row> rows = {
        {"on the next line", {"Message-ID:", " <a@x>", "Subject: s"}, "<a@x>"},
        {"after a tab", {"Message-ID: \t", "\t<b@x>"}, "<b@x>"},
        {"split over lines", {"Message-ID: <c", " @x>"}, "<c @x>"},
        {"blank is none", {"Message-ID:  ", "Subject: s"}, ""},
        {"the last one wins", {"Message-ID: <d@x>", "Message-ID:", " <e@x>"}, "<e@x>"},
        {"not another field's continuation", {"Message-ID: <f@x>", "X-Other: y", " <g@x>"}, "<f@x>"},
    };
    LoggedInScript();
    for (const Row& row : rows) {
        server.Expect("TOP 1 0").SendLine("+OK");
        for (const std::string& line : row.lines) server.SendLine(line);
        server.SendLine("").SendLine(".").Expect("LIST 1").SendLine("+OK 1 10");
    }
    server.Stall();
    StartAndConnect();
    for (const Row& row : rows) {
        pop.GetSummary(1);
        EXPECT_EQ(pop.Summary().MessageId, row.messageId) << row.name;
        EXPECT_EQ(pop.Summary().Header.Count(), static_cast<int>(row.lines.size()) + 2) << row.name;
    }
}

TEST_F(Pop3, UniqueIdsAreTakenOnlyWhereTheyTellOneMessageFromAnother)
{
    // Three messages: 1 is listed twice, 2 and 3 share an id, 4 is beyond the mailbox, a line is malformed.
    LoggedInScript()
        .Expect("UIDL")
        .SendLine("+OK")
        .SendLine("1 one")
        .SendLine("1 uno")
        .SendLine("2 same")
        .SendLine("3 same")
        .SendLine("4 four")
        .SendLine("x y")
        .SendLine(".")
        .Pop3Quit()
        .AcceptNext().Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 4521")
        .Expect("UIDL").SendLine("+OK").SendLine("3 c").SendLine("1 a").SendLine("2 " + std::string(71, 'b'))
        .SendLine(".")
        .Pop3Quit()
        .AcceptNext().Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 4521")
        .Expect("UIDL").SendLine("-ERR unknown command")
        .Pop3Quit();
    StartAndConnect();
    pop.GetUniqueIds();
    pop.GetUniqueIds();  // asked once a session
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(pop.UniqueId(n), "") << n;
    pop.Disconnect();
    pop.Connect();
    pop.GetUniqueIds();
    EXPECT_EQ(pop.UniqueId(1), "a");
    EXPECT_EQ(pop.UniqueId(2), "");  // longer than 70 characters
    EXPECT_EQ(pop.NumberOfUniqueId("c"), 3);
    EXPECT_EQ(pop.NumberOfUniqueId("b"), 0);
    pop.Disconnect();
    pop.Connect();
    events.clear();
    pop.GetUniqueIds();
    EXPECT_EQ(pop.UniqueId(1), "");
    EXPECT_TRUE(pop.Connected());
    EXPECT_EQ(events, Events{});  // a refused UIDL is no failure
    pop.Disconnect();
}

TEST_F(Pop3, UidlIsNotSentWhereCapaLeavesItOutOrOptionalCommandsAreOff)
{
    LoggedInScript()
        .Expect("CAPA").SendLine("+OK").SendLine("TOP").SendLine(".")
        .Pop3Quit()
        .AcceptNext().Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 4521")
        .Pop3Quit()
        .AcceptNext().Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 4521")
        .Expect("CAPA").Close();
    StartAndConnect();
    EXPECT_FALSE(pop.Pipelines());
    pop.GetUniqueIds();
    pop.Disconnect();
    pop.OptionalCommands = false;
    pop.Connect();
    EXPECT_FALSE(pop.Pipelines());
    pop.GetUniqueIds();
    EXPECT_EQ(pop.UniqueId(1), "");
    pop.Disconnect();
    pop.OptionalCommands = true;
    pop.Connect();
    EXPECT_THROW(pop.Pipelines(), EOptionalCommandRefused);
    EXPECT_FALSE(pop.Connected());
}

TEST_F(Pop3, CallsFromAnEventHandlerWhileBusyReturnAtOnce)
{
    LoggedInScript()
        .Expect("TOP 1 0").SendLine("+OK").SendLine("Subject: one").SendLine(".")
        .Expect("LIST 1").SendLine("+OK 1 5")
        .Pop3Quit();
    StartAndConnect();
    pop.OnRetrieveStart = [&](TPowersock&) {
        EXPECT_TRUE(pop.Busy());
        pop.GetSummary(2);
        pop.DeleteMailMessage(1);
    };
    pop.GetSummary(1);
    EXPECT_EQ(pop.Summary().Subject, " one");
    pop.Disconnect();
}

TEST_F(Pop3, CallsFromThePumpWhileConnectWaitsReturnAtOnce)
{
    LoggedInScript().Pop3Quit();
    int nested = 0;
    onPump = [&] {
        if (pop.Busy()) {
            ++nested;
            pop.GetSummary(1);
            pop.DeleteMailMessage(1);
        }
    };
    StartServer();
    pop.Connect();
    onPump = nullptr;
    EXPECT_GT(nested, 0);
    EXPECT_EQ(pop.MailCount(), 3);
    EXPECT_EQ(events, (Events{"Connect"}));
    pop.Disconnect();
}

TEST_F(Pop3, OperationsWithoutConnectionAskOnceThenFail)
{
    pop.OnConnectionRequired = [&](bool& handled) {
        events.push_back("ConnectionRequired");
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { pop.GetSummary(1); }), "Not Connected");
    EXPECT_EQ(MessageOf<Exception>([&] { pop.DeleteMailMessage(1); }), "Not Connected");
    EXPECT_EQ(events, (Events{"ConnectionRequired", "ConnectionRequired"}));
    EXPECT_FALSE(pop.Busy());
}

TEST_F(Pop3, ANegativeQuitReplyFailsAfterTheConnectionIsClosed)
{
    LoggedInScript().Expect("QUIT").SendLine("-ERR could not delete").Close();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.Disconnect(); }), "-ERR could not delete\r\n");
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(events, (Events{"Disconnect"}));
}

TEST(Pop3Client, AttachFilePathEndsInABackslash)
{
    TNMPOP3 pop;
    pop.SetAttachFilePath("C:\\Mail");
    EXPECT_EQ(pop.AttachFilePath(), "C:\\Mail\\");
    pop.SetAttachFilePath("C:\\Mail\\");
    EXPECT_EQ(pop.AttachFilePath(), "C:\\Mail\\");
    pop.SetAttachFilePath("");
    EXPECT_EQ(pop.AttachFilePath(), "\\");
}

// Servers that misbehave on purpose: each must end in a clear error, within the time-out, without
// reading past a buffer.
class HostilePop3 : public Pop3 {
protected:
    std::string ConnectFails()
    {
        StartServer();
        pop.TimeOut = 300;
        const auto start = std::chrono::steady_clock::now();
        std::string message = MessageOf<Exception>([&] { pop.Connect(); });
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_FALSE(pop.Connected());
        EXPECT_FALSE(pop.Busy());
        EXPECT_EQ(events, (Events{"Disconnect"}));
        return message;
    }
};

TEST_F(HostilePop3, AGreetingLongerThanALineMayBe)
{
    // Without a line feed the greeting already holds more than a line may; the server has sent all of it
    // before the client can give up and drop the connection.
    server.Send(std::string(65536, '+')).Stall();
    EXPECT_EQ(ConnectFails(), "Line longer than 65,536 bytes");
}

TEST_F(HostilePop3, AGreetingThatNeverEnds)
{
    server.Send("+OK this greeting never ends").Stall();
    EXPECT_EQ(ConnectFails(), "Socket readln aborted");
}

TEST_F(HostilePop3, BinaryGarbageInsteadOfAGreeting)
{
    server.Send(std::string("\x00\xff\x1b$B\r\x80garbage\n", 15)).Pop3Quit();
    EXPECT_EQ(ConnectFails(), std::string("\x00\xff\x1b$B\r\x80garbage\n", 15));
}

TEST_F(HostilePop3, AServerThatClosesRightAfterAccepting)
{
    server.Close();
    EXPECT_EQ(ConnectFails(), "Connection closed by server");
}

TEST_F(HostilePop3, AHeaderWithoutEndIsCutOffAndTheConnectionDropped)
{
    // The last line crosses the 1 MiB bound, so the client gives up only after the server has sent it all.
    std::string lines;
    while (lines.size() <= 1048576) {
        lines += "X-Filler: " + std::string(990, 'x') + "\r\n";
    }
    LoggedInScript().Expect("TOP 1 0").SendLine("+OK").Send(lines).Stall();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.GetSummary(1); }), "Header longer than 1,048,576 bytes");
    EXPECT_FALSE(pop.Connected());
    EXPECT_FALSE(pop.Busy());
    EXPECT_EQ(events, (Events{"RetrieveStart", "Disconnect"}));
}

TEST_F(HostilePop3, GarbageInTheHeaderIsKeptAsItCame)
{
    const std::string garbage("\x00\xfe\xff\r\x1b(J", 7);
    LoggedInScript().Expect("TOP 1 0").SendLine("+OK").SendLine("Subject:" + garbage).SendLine(".")
        .Expect("LIST 1").SendLine("+OK 1 x1").Stall();
    StartAndConnect();
    EXPECT_EQ(MessageOf<Exception>([&] { pop.GetSummary(1); }), "LIST reply without a message size: +OK 1 x1\r\n");
    EXPECT_EQ(pop.Summary().Header[0], "Subject:" + garbage);
    EXPECT_EQ(pop.Summary().Subject, garbage);
}

}  // namespace
}  // namespace net
