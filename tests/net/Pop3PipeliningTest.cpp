// GetSummaries against scripted servers: one command at a time where the server does not list PIPELINING,
// windows of commands ahead of their replies where it does, the same summaries and events either way, and a
// failure in the middle of a window that ends the batch where GetSummary would have failed.

#include "net/Exceptions.h"
#include "net/NMPOP3.h"

#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace net {
namespace {

using testsupport::ScriptedServer;

enum class Capa { Refused, WithoutPipelining, WithPipelining };

// Greeting, login, STAT with `count` messages, and CAPA as the row says when there are two or more.
ScriptedServer& LoggedIn(ScriptedServer& server, int count, Capa capa)
{
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK " + std::to_string(count) + " 9");
    if (count < 2) {
        return server;
    }
    server.Expect("CAPA");
    switch (capa) {
    case Capa::Refused:
        return server.SendLine("-ERR unknown command");
    case Capa::WithoutPipelining:
        return server.Send("+OK\r\nTOP\r\nUSER\r\nUIDL\r\n.\r\n");
    case Capa::WithPipelining:
        return server.Send("+OK\r\nTOP\r\npipelining\r\nUSER\r\n.\r\n");
    }
    return server;
}

// TOP n 0 and LIST n with their replies; a client that waits for every reply gets ExpectAlone.
ScriptedServer& Summary(ScriptedServer& server, int n, bool alone)
{
    const std::string number = std::to_string(n);
    const auto expect = [&](const std::string& line) -> ScriptedServer& {
        return alone ? server.ExpectAlone(line) : server.Expect(line);
    };
    expect("TOP " + number + " 0").SendLine("+OK").Send("Message-ID: <" + number + "@x>\r\n\r\n.\r\n");
    return expect("LIST " + number).SendLine("+OK " + number + " " + std::to_string(100 + n));
}

struct Batch {
    std::vector<std::string> handed;  // "number id bytes" of every summary, in the order handed over
    int starts = 0;
    std::string failure;
    bool connectedAfter = false;
};

Batch RunBatch(ScriptedServer& server, int count)
{
    Batch batch;
    TNMPOP3 pop;
    pop.UserID = "alice";
    pop.Password = "secret";
    pop.TimeOut = 2000;
    pop.Host = server.Address();
    pop.OnRetrieveStart = [&](TPowersock&) { ++batch.starts; };
    pop.OnRetrieveEnd = [&](TPowersock&) {
        std::string id = pop.Summary().MessageId;
        std::erase_if(id, [](char byte) { return byte == '\r' || byte == '\n'; });
        batch.handed.push_back(std::to_string(pop.SummaryNumber()) + " " + id + " " +
                               std::to_string(pop.Summary().Bytes));
    };
    server.Start();
    pop.Connect();
    try {
        pop.GetSummaries(1, count);
        batch.connectedAfter = pop.Connected();
        pop.Disconnect();
    } catch (const Exception& error) {
        batch.failure = error.Message();
        batch.connectedAfter = pop.Connected();
    }
    return batch;
}

std::vector<std::string> Expected(int count)
{
    std::vector<std::string> handed;
    for (int n = 1; n <= count; ++n) {
        handed.push_back(std::to_string(n) + " <" + std::to_string(n) + "@x> " + std::to_string(100 + n));
    }
    return handed;
}

TEST(Pop3Pipelining, EverySummaryComesInOrderWhetherTheCommandsWaitOrGoAhead)
{
    struct Row {
        Capa capa;
        int count;
    };
    const int window = TNMPOP3::kPipelineWindow;
    for (const Row row : {Row{Capa::Refused, 3}, Row{Capa::WithoutPipelining, 3}, Row{Capa::WithPipelining, 1},
                          Row{Capa::WithPipelining, 2}, Row{Capa::WithPipelining, window},
                          Row{Capa::WithPipelining, window + 1}, Row{Capa::WithPipelining, 3 * window + 5}}) {
        ScriptedServer server;
        LoggedIn(server, row.count, row.capa);
        for (int n = 1; n <= row.count; ++n) Summary(server, n, row.capa != Capa::WithPipelining);
        server.Pop3Quit();
        const Batch batch = RunBatch(server, row.count);
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(batch.handed, Expected(row.count)) << row.count;
        EXPECT_EQ(batch.starts, row.count);
        EXPECT_EQ(batch.failure, "");
    }
}

TEST(Pop3Pipelining, AFailureInTheMiddleOfAWindowEndsTheBatchThereAndDropsTheConnection)
{
    for (const bool refused : {true, false}) {
        ScriptedServer server;
        LoggedIn(server, 5, Capa::WithPipelining);
        Summary(server, 1, false);
        Summary(server, 2, false);
        if (refused) {
            server.Expect("TOP 3 0").SendLine("-ERR message 3 is gone").Stall();
        } else {
            server.Expect("TOP 3 0").SendLine("+OK").Send("Message-ID: <3@x>\r\n").Close();
        }
        const Batch batch = RunBatch(server, 5);
        testsupport::ExpectScriptPlayed(server);
        EXPECT_EQ(batch.handed, Expected(2));
        EXPECT_EQ(batch.starts, 3);
        EXPECT_EQ(batch.failure, refused ? "-ERR message 3 is gone\r\n" : "Connection closed while reading the header");
        // The replies still under way would be taken for QUIT's: the connection goes without it.
        EXPECT_FALSE(batch.connectedAfter);
        EXPECT_EQ(server.Received().find("QUIT"), std::string::npos);
    }
}

}  // namespace
}  // namespace net
