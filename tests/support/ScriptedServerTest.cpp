#include "tests/support/ScriptedServer.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/LoopbackClient.h"

namespace testsupport {
namespace {

using namespace std::chrono_literals;

bool ReceivedEventually(const ScriptedServer& server, const std::string& bytes) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (server.Received() != bytes) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The failures ExpectScriptPlayed reports, captured instead of failing this test.
std::vector<std::string> FailuresOfExpectScriptPlayed(ScriptedServer& server) {
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        ExpectScriptPlayed(server);
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i) messages.emplace_back(results.GetTestPartResult(i).message());
    return messages;
}

TEST(ScriptedServer, PlaysAPop3TranscriptAndRecordsTheClientBytes) {
    ScriptedServer server;
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 320").Pop3Quit();
    server.Start();
    EXPECT_EQ(server.Address(), "127.0.0.1:" + std::to_string(server.Port()));

    LoopbackClient client(server.Port());
    EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
    client.SendLine("USER alice");
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    client.SendLine("PASS secret");
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    client.SendLine("STAT");
    EXPECT_EQ(client.ReadLine(), "+OK 2 320\r\n");
    client.SendLine("QUIT");
    EXPECT_EQ(client.ReadUntilClosed(), "+OK bye\r\n");

    ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received(), "USER alice\r\nPASS secret\r\nSTAT\r\nQUIT\r\n");
}

TEST(ScriptedServer, JoinsPartialLinesAndKeepsBytesAfterALineQueued) {
    ScriptedServer server;
    server.Expect("USER alice").Expect("PASS secret").ExpectAnyLine().SendLine("+OK");
    server.Start();

    LoopbackClient client(server.Port());
    for (const char* piece : {"US", "ER al", "ice\r", "\nPASS secret\r\nNO", "OP\r\n"}) {
        client.Send(piece);
        std::this_thread::sleep_for(10ms);  // separate segments, so the server sees each piece alone
    }
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    ExpectScriptPlayed(server);
}

TEST(ScriptedServer, RecordsMismatchesWithControlBytesVisible) {
    ScriptedServer server;
    server.Expect("USER alice").Expect("PASS secret").ExpectAnyLine().Expect("STAT").SendLine("+OK");
    server.Start();

    LoopbackClient client(server.Port());
    client.Send("USER bob\r\n");
    client.Send("PASS secret\n");  // bare LF
    client.Send("anything\n");
    client.Send("ST\x01T\r\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");

    EXPECT_TRUE(server.WaitUntilPlayed());
    EXPECT_EQ(server.Mismatches(), (std::vector<std::string>{
                                       "expected \"USER alice\", got \"USER bob\"",
                                       "expected \"PASS secret\", got \"PASS secret\" ended by a bare LF",
                                       "expected any line, got \"anything\" ended by a bare LF",
                                       "expected \"STAT\", got \"ST\\x01T\\r\"",
                                   }));
    const auto failures = FailuresOfExpectScriptPlayed(server);
    ASSERT_EQ(failures.size(), 4u);
    EXPECT_NE(failures[0].find("expected \"USER alice\", got \"USER bob\""), std::string::npos) << failures[0];
}

TEST(ScriptedServer, ReportsAClientThatClosesInsteadOfSending) {
    ScriptedServer server;
    server.Pop3Greeting().Expect("QUIT").SendLine("+OK bye");
    server.Start();
    {
        LoopbackClient client(server.Port());
        EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
        client.Send("QU");
    }
    // Returns as soon as the script breaks off, without waiting out the time-out.
    EXPECT_FALSE(server.WaitUntilPlayed(60s));
    EXPECT_EQ(server.Mismatches(),
              std::vector<std::string>{"expected \"QUIT\", got the connection closed after \"QU\""});
    const auto failures = FailuresOfExpectScriptPlayed(server);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("did not run to its end; the client sent: \"QU\""), std::string::npos) << failures[0];
}

TEST(ScriptedServer, SendsRawBytesAndCloses) {
    ScriptedServer server;
    server.Send("+OK no line end").Send("\n.\r\n").Close();
    server.Start();
    LoopbackClient client(server.Port());
    EXPECT_EQ(client.ReadUntilClosed(), "+OK no line end\n.\r\n");
    ExpectScriptPlayed(server);
}

TEST(ScriptedServer, PauseDelaysTheNextStep) {
    ScriptedServer server;
    server.Pause(500ms).SendLine("+OK late");
    server.Start();
    LoopbackClient client(server.Port());
    EXPECT_FALSE(client.WaitReadable(100ms));
    EXPECT_EQ(client.ReadLine(), "+OK late\r\n");
    ExpectScriptPlayed(server);
}

TEST(ScriptedServer, StallKeepsTheConnectionOpenAndStillRecordsUntilDestroyed) {
    auto server = std::make_unique<ScriptedServer>();
    server->Pop3Greeting().Stall();
    server->Start();
    LoopbackClient client(server->Port());
    EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
    EXPECT_TRUE(server->WaitUntilPlayed());  // played once the stall begins
    EXPECT_FALSE(client.WaitReadable(200ms));  // neither data nor a close
    client.SendLine("QUIT");
    EXPECT_TRUE(ReceivedEventually(*server, "QUIT\r\n"));
    EXPECT_TRUE(server->Mismatches().empty());

    server.reset();
    EXPECT_EQ(client.ReadUntilClosed(), "");
}

TEST(ScriptedServer, AcceptNextServesASecondConnection) {
    ScriptedServer server;
    server.SendLine("+OK first").Pop3Quit().AcceptNext().SendLine("+OK second").Expect("NOOP").Close();
    server.Start();
    {
        LoopbackClient first(server.Port());
        EXPECT_EQ(first.ReadLine(), "+OK first\r\n");
        first.SendLine("QUIT");
        EXPECT_EQ(first.ReadUntilClosed(), "+OK bye\r\n");
    }
    LoopbackClient second(server.Port());
    EXPECT_EQ(second.ReadLine(), "+OK second\r\n");
    second.SendLine("NOOP");
    EXPECT_EQ(second.ReadUntilClosed(), "");
    ExpectScriptPlayed(server);
    EXPECT_EQ(server.Received(), "QUIT\r\nNOOP\r\n");
}

TEST(ScriptedServer, ALostConnectionSkipsToTheNextAccept) {
    ScriptedServer server;
    server.SendLine("+OK first").Expect("USER a").SendLine("+OK").AcceptNext().SendLine("+OK second").Close();
    server.Start();
    {
        LoopbackClient first(server.Port());
        EXPECT_EQ(first.ReadLine(), "+OK first\r\n");
    }
    LoopbackClient second(server.Port());
    EXPECT_EQ(second.ReadUntilClosed(), "+OK second\r\n");
    EXPECT_FALSE(server.WaitUntilPlayed());
    EXPECT_EQ(server.Mismatches(), std::vector<std::string>{"expected \"USER a\", got the connection closed"});
}

TEST(ScriptedServer, DestructionWakesEveryWait) {
    {
        ScriptedServer neverConnected;
        neverConnected.SendLine("+OK");
        neverConnected.Start();
    }
    const auto destroyWhileConnected = [](std::unique_ptr<ScriptedServer> server, std::string_view clientBytes) {
        server->Start();
        LoopbackClient client(server->Port());
        client.Send(clientBytes);
        EXPECT_FALSE(server->WaitUntilPlayed(50ms));
        server.reset();  // a hang here ends the test by its time-out
        EXPECT_EQ(client.ReadUntilClosed(), "");
    };
    auto pausing = std::make_unique<ScriptedServer>();
    pausing->Pause(std::chrono::hours(1)).SendLine("+OK");
    destroyWhileConnected(std::move(pausing), "");

    auto waitingForALine = std::make_unique<ScriptedServer>();
    waitingForALine->Expect("USER a");
    destroyWhileConnected(std::move(waitingForALine), "USER");
}

TEST(ScriptedServer, DestructionWakesASendToAClientThatNeverReads) {
    auto server = std::make_unique<ScriptedServer>();
    server->Send(std::string(32 * 1024 * 1024, 'x'));  // far more than both socket buffers hold
    server->Start();
    LoopbackClient client(server->Port());
    EXPECT_FALSE(server->WaitUntilPlayed(50ms));
    server.reset();
}

TEST(ScriptedServer, RejectsMalformedScripts) {
    ScriptedServer stallNotLast;
    stallNotLast.Stall().SendLine("+OK");
    EXPECT_THROW(stallNotLast.Start(), std::logic_error);

    ScriptedServer started;
    started.Close();
    started.Start();
    EXPECT_THROW(started.SendLine("+OK"), std::logic_error);
    EXPECT_THROW(started.Start(), std::logic_error);
}

}  // namespace
}  // namespace testsupport
