#include "net/Exceptions.h"
#include "net/MemoryStream.h"
#include "net/Powersock.h"

#include "tests/net/MessageOf.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace net {
namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedServer;

// Records the socket events in the order they fire.
struct EventLog {
    explicit EventLog(TPowersock& socket)
    {
        socket.OnConnect = [this](TPowersock&) { events.push_back("Connect"); };
        socket.OnDisconnect = [this](TPowersock&) { events.push_back("Disconnect"); };
        socket.OnHostResolved = [this](TPowersock&) { events.push_back("HostResolved"); };
        socket.OnConnectionFailed = [this](TPowersock&) { events.push_back("ConnectionFailed"); };
    }
    std::vector<std::string> events;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// A listener on 127.0.0.1 that never accepts; the kernel still completes handshakes while its backlog
// has room and queues what fits in the receive buffer, then nothing more is read.
int ListenerThatNeverAccepts(int backlog, sockaddr_in& address)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int smallBuffer = 4096;
    ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &smallBuffer, sizeof smallBuffer);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ::listen(listener, backlog);
    return listener;
}

// A listener whose backlog is full, so that it leaves further connection attempts unanswered.
class ListenerThatAnswersNoConnection {
public:
    ListenerThatAnswersNoConnection() : listener_(ListenerThatNeverAccepts(0, address_))
    {
        for (int i = 0; i < 4; ++i) {
            const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr*>(&address_), sizeof address_);
            fillers_.push_back(filler);
        }
        std::this_thread::sleep_for(50ms);
    }
    ~ListenerThatAnswersNoConnection()
    {
        for (int fd : fillers_) {
            ::close(fd);
        }
        ::close(listener_);
    }
    ListenerThatAnswersNoConnection(const ListenerThatAnswersNoConnection&) = delete;
    ListenerThatAnswersNoConnection& operator=(const ListenerThatAnswersNoConnection&) = delete;

    std::string Host() const { return "127.0.0.1:" + std::to_string(ntohs(address_.sin_port)); }

private:
    sockaddr_in address_{};
    int listener_;
    std::vector<int> fillers_;
};

// Shuts a socket down from a thread of its own once the bound has passed, so that a send the time-out
// fails to end makes the test fail instead of hanging it.
class SendWatchdog {
public:
    SendWatchdog(int fd, std::chrono::milliseconds bound)
        : thread_([this, fd, bound] {
              std::unique_lock lock(mutex_);
              if (!releasedChanged_.wait_for(lock, bound, [this] { return released_; })) {
                  ::shutdown(fd, SHUT_RDWR);
              }
          })
    {
    }
    ~SendWatchdog()
    {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        releasedChanged_.notify_one();
        thread_.join();
    }
    SendWatchdog(const SendWatchdog&) = delete;
    SendWatchdog& operator=(const SendWatchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable releasedChanged_;
    bool released_ = false;
    std::thread thread_;
};

class Powersock : public testing::Test {
protected:
    void ConnectTo(ScriptedServer& server)
    {
        server.Start();
        socket.Host = server.Address();
        socket.Connect();
        ASSERT_TRUE(socket.Connected());
    }

    TPowersock socket;
    EventLog log{socket};
};

TEST_F(Powersock, ADottedAddressConnectsWithoutLookupAndTransactionTakesTheReplyCode)
{
    ScriptedServer server;
    server.Expect("EHLO x").SendLine("250 hello").Expect("NOOP").SendLine("+OK fine")
        .Expect("HUGE").SendLine("9999999999 x").Expect("BIG").SendLine("12345678901 too long").Close();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_EQ(log.events, (std::vector<std::string>{"Connect"}));

    EXPECT_EQ(socket.Transaction("EHLO x"), "250 hello\r\n");
    EXPECT_EQ(socket.ReplyNumber(), 250);
    EXPECT_EQ(socket.Transaction("NOOP"), "+OK fine\r\n");
    EXPECT_EQ(socket.ReplyNumber(), 0);
    EXPECT_EQ(socket.LastReply(), "+OK fine\r\n");
    EXPECT_EQ(socket.Transaction("HUGE"), "9999999999 x\r\n");
    EXPECT_EQ(socket.ReplyNumber(), 0);
    EXPECT_THROW(socket.Transaction("BIG"), Exception);
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Already connected");
}

TEST_F(Powersock, AHostNameIsLookedUpOnceAndItsPortTakenFromTheField)
{
    ScriptedServer server;
    server.SendLine("+OK ready").Close();
    server.Start();
    socket.Host = "localhost:" + std::to_string(server.Port());
    socket.Port = 1;
    socket.TimeOut = 2000;
    socket.Connect();
    EXPECT_EQ(socket.ReadLn(), "+OK ready\r\n");
    EXPECT_EQ(log.events, (std::vector<std::string>{"HostResolved", "Connect"}));
    EXPECT_EQ(socket.RemoteAddress(), htonl(INADDR_LOOPBACK));
}

TEST(PowersockLookup, AnUnknownHostGetsOneHandledRetryThenNullRemoteAddress)
{
    std::atomic<int> lookups = 0;
    TPowersock socket({}, [&](const std::string& name) -> std::optional<std::uint32_t> {
        ++lookups;
        if (name == "mail.example.jp") {
            return htonl(INADDR_LOOPBACK);
        }
        return std::nullopt;
    });
    EventLog log(socket);
    socket.Host = "nowhere.invalid";
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Null Remote Address");
    EXPECT_EQ(lookups, 1);

    int asked = 0;
    socket.OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Null Remote Address");
    EXPECT_EQ(lookups, 3);
    EXPECT_EQ(asked, 1);

    // A handler that corrects the host gets through to the connection attempt.
    ScriptedServer server;
    server.Close();
    server.Start();
    socket.OnInvalidHost = [&](bool& handled) {
        socket.Host = "mail.example.jp:" + std::to_string(server.Port());
        handled = true;
    };
    socket.Host = "nowhere.invalid";
    socket.TimeOut = 2000;
    socket.Connect();
    EXPECT_TRUE(socket.Connected());
    EXPECT_EQ(log.events, (std::vector<std::string>{"HostResolved", "Connect"}));
}

TEST(PowersockLookup, ASlowLookupTimesOutOrIsCanceledWhileTheWaitKeepsPumping)
{
    int pumps = 0;
    bool cancelFromPump = false;
    TPowersock* self = nullptr;
    TPowersock socket(
        [&] {
            ++pumps;
            if (cancelFromPump && pumps == 5) {
                self->Cancel();
            }
        },
        [](const std::string&) -> std::optional<std::uint32_t> {
            // Far longer than the time-out, so only a wait that gives up on time passes.
            std::this_thread::sleep_for(1500ms);
            return std::nullopt;
        });
    self = &socket;
    EventLog log(socket);
    socket.Host = "slow.example.jp";
    socket.TimeOut = 100;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Host Lookup Timed Out");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_TRUE(socket.TimedOut());
    // The timer stands in for the lookup result that never came.
    EXPECT_TRUE(socket.AsyncDone());
    EXPECT_GT(pumps, 5);

    cancelFromPump = true;
    pumps = 0;
    socket.TimeOut = 0;
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Host Lookup Canceled");
    EXPECT_EQ(pumps, 5);
    EXPECT_FALSE(socket.AsyncDone());
    EXPECT_TRUE(log.events.empty());
}

TEST_F(Powersock, ARefusedConnectionFailsAfterOnConnectionFailedAndLeavesTheComponentUsable)
{
    socket.Host = "127.0.0.1:" + std::to_string(ClosedPort());
    socket.TimeOut = 2000;
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Connection Failed");
    EXPECT_EQ(log.events, (std::vector<std::string>{"ConnectionFailed"}));
    EXPECT_EQ(socket.LastErrorNo(), 10061);
    EXPECT_FALSE(socket.AsyncOk());
    EXPECT_FALSE(socket.Connected());

    ScriptedServer server;
    server.SendLine("+OK again").Close();
    ConnectTo(server);
    EXPECT_TRUE(socket.AsyncOk());
    EXPECT_EQ(socket.ReadLn(), "+OK again\r\n");
    socket.Disconnect();

    // The platform refuses a multicast address at once, as it refuses every address of an offline machine.
    log.events.clear();
    socket.Host = "224.0.0.1:110";
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Connection Failed");
    EXPECT_EQ(log.events, (std::vector<std::string>{"ConnectionFailed"}));
    EXPECT_EQ(socket.LastErrorNo(), 10051);
}

TEST_F(Powersock, AConnectionNobodyAcceptsTimesOut)
{
    ListenerThatAnswersNoConnection listener;
    socket.Host = listener.Host();
    socket.TimeOut = 200;
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Connection Timed out");
    EXPECT_TRUE(socket.TimedOut());
    EXPECT_EQ(log.events, (std::vector<std::string>{"ConnectionFailed"}));
}

TEST(PowersockPump, ACancelFromThePumpEndsAConnectAfterOnConnectionFailed)
{
    int pumps = 0;
    TPowersock* self = nullptr;
    TPowersock socket([&] {
        if (++pumps == 20) {
            self->Cancel();
        }
    });
    self = &socket;
    EventLog log(socket);
    ListenerThatAnswersNoConnection listener;
    socket.Host = listener.Host();
    socket.TimeOut = 5000;
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Connect(); }), "Connection Canceled");
    EXPECT_EQ(pumps, 20);
    EXPECT_FALSE(socket.TimedOut());
    EXPECT_EQ(log.events, (std::vector<std::string>{"ConnectionFailed"}));
}

TEST_F(Powersock, ReadLnTakesOnlyTheLineAndJoinsPieces)
{
    ScriptedServer server;
    server.Send("abc\r\nxyz").Pause(50ms).Send("\nbare\n").Send("ab").Pause(50ms).Send("c\r\n").Close();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_EQ(socket.ReadLn(), "abc\r\n");
    EXPECT_TRUE(socket.DataAvailable());
    EXPECT_EQ(socket.ReadLn(), "xyz\n");
    EXPECT_EQ(socket.ReadLn(), "bare\n");
    EXPECT_EQ(socket.ReadLn(), "abc\r\n");
    EXPECT_EQ(socket.ReadLn(), "");
    EXPECT_FALSE(socket.Connected());
    EXPECT_EQ(log.events, (std::vector<std::string>{"Connect", "Disconnect"}));
}

TEST_F(Powersock, APeerThatClosesWhileReadLnWaitsYieldsTheEmptyTextAndAFreshSocket)
{
    ScriptedServer server;
    server.Pause(100ms).Close();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_EQ(socket.ReadLn(), "");
    EXPECT_FALSE(socket.Connected());
    EXPECT_EQ(log.events, (std::vector<std::string>{"Connect", "Disconnect"}));
    EXPECT_GE(socket.SocketHandle(), 0);
    EXPECT_EQ(socket.ReadLn(), "");  // the fresh socket is not connected
}

TEST_F(Powersock, ASilentServerTimesOutEachLineWithTheFullTimeOut)
{
    ScriptedServer server;
    server.SendLine("first").Stall();
    socket.TimeOut = 150;
    ConnectTo(server);
    EXPECT_EQ(socket.ReadLn(), "first\r\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.ReadLn(); }), "Socket readln aborted");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 140ms);
    EXPECT_LT(waited, 1000ms);
    EXPECT_TRUE(socket.TimedOut());
    EXPECT_FALSE(socket.Canceled());
}

TEST_F(Powersock, ACancelWhileIdleAbortsTheNextReadLnAndLeavesTheLineQueued)
{
    ScriptedServer server;
    server.SendLine("waiting").Stall();
    socket.TimeOut = 2000;
    ConnectTo(server);
    std::this_thread::sleep_for(50ms);
    socket.Cancel();
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.ReadLn(); }), "Socket readln aborted");
    EXPECT_EQ(socket.ReadLn(), "waiting\r\n");

    socket.Cancel();
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.Writeln("NOOP"); }), "Socket send aborted");
    EXPECT_FALSE(socket.Canceled());
}

TEST_F(Powersock, ClearInputDropsWhatWasWaitingEvenAfterPartOfItWasRead)
{
    ScriptedServer server;
    server.Send("one\r\ntwo\r\nthree\r\n").Expect("NEXT").SendLine("four").Stall();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_EQ(socket.ReadLn(), "one\r\n");
    socket.ClearInput();
    EXPECT_FALSE(socket.DataAvailable());
    EXPECT_EQ(socket.Transaction("NEXT"), "four\r\n");
}

TEST_F(Powersock, ANegativeTimeOutIsRefusedBeforeAnyWaitAndLeavesTheComponentUsable)
{
    const std::string refused = "TimeOut must not be negative";
    socket.TimeOut = -1;
    EXPECT_EQ(MessageOf<Exception>([&] { socket.ReadLn(); }), refused);
    // Not taken for a host that does not resolve.
    socket.Host = "localhost:1";
    EXPECT_EQ(MessageOf<Exception>([&] { socket.Connect(); }), refused);
    ScriptedServer server;
    server.SendLine("+OK").Stall();
    server.Start();
    socket.Host = server.Address();
    EXPECT_EQ(MessageOf<Exception>([&] { socket.Connect(); }), refused);
    EXPECT_TRUE(log.events.empty());

    socket.TimeOut = 2000;
    socket.Connect();
    EXPECT_EQ(socket.ReadLn(), "+OK\r\n");
}

TEST(PowersockPump, WithoutTimeOutOnlyAnAbortFromThePumpEndsTheWait)
{
    int pumps = 0;
    TPowersock* self = nullptr;
    TPowersock socket([&] {
        if (++pumps == 50) {
            self->Abort();
        }
    });
    self = &socket;
    ScriptedServer server;
    server.Stall();
    server.Start();
    socket.Host = server.Address();
    socket.Connect();
    pumps = 0;
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.ReadLn(); }), "Socket readln aborted");
    EXPECT_EQ(pumps, 50);
    EXPECT_FALSE(socket.TimedOut());
}

TEST_F(Powersock, LinesAreLimitedTo65536BytesWithTheirTerminator)
{
    const std::string longest = std::string(65534, 'a') + "\r\n";
    ScriptedServer server;
    server.Send(longest).Send(std::string(70000, 'b') + "\r\n").Stall();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_EQ(socket.ReadLn(), longest);
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.ReadLn(); }), "Line longer than 65,536 bytes");
    EXPECT_FALSE(socket.Connected());
}

TEST_F(Powersock, DisconnectAlwaysClosesAndLeavesAFreshSocket)
{
    const int before = socket.SocketHandle();
    ASSERT_GE(before, 0);
    socket.Disconnect();
    EXPECT_EQ(log.events, (std::vector<std::string>{"Disconnect"}));
    EXPECT_GE(socket.SocketHandle(), 0);
    EXPECT_FALSE(socket.DataAvailable());
    EXPECT_EQ(MessageOf<ESockError>([&] { socket.Writeln("NOOP"); }), "10057:Socket is not connected");
    EXPECT_EQ(socket.LastErrorNo(), 10057);
}

TEST_F(Powersock, CheckConnectionAsksItsHandlerOnce)
{
    EXPECT_EQ(MessageOf<Exception>([&] { socket.CheckConnection(); }), "Not Connected");
    int asked = 0;
    socket.OnConnectionRequired = [&](bool& handled) {
        ++asked;
        handled = true;
    };
    EXPECT_EQ(MessageOf<Exception>([&] { socket.CheckConnection(); }), "Not Connected");
    EXPECT_EQ(asked, 1);

    ScriptedServer server;
    server.Stall();
    server.Start();
    socket.Host = server.Address();
    socket.TimeOut = 2000;
    socket.OnConnectionRequired = [&](bool& handled) {
        socket.Connect();
        handled = true;
    };
    socket.CheckConnection();
    EXPECT_TRUE(socket.Connected());
}

TEST_F(Powersock, SendingRefusesTextsThatCannotBeSentWhole)
{
    ScriptedServer server;
    server.Expect("HELO a").Stall();
    socket.TimeOut = 2000;
    ConnectTo(server);
    EXPECT_THROW(socket.Writeln(std::string("US\0ER", 5)), ESockError);
    // A line break inside one command line would send a second command of the caller's making.
    for (const char* line : {"PASS x\r\nDELE 1", "PASS x\nDELE 1", "PASS x\rDELE 1"}) {
        EXPECT_EQ(MessageOf<ESockError>([&] { socket.Writeln(line); }), "Line to send holds a line break or zero byte");
    }
    EXPECT_THROW(socket.Write(std::string(65536, 'x')), ESockError);
    socket.Write(std::string("HELO a\r\n\0ignored", 16));
    EXPECT_TRUE(server.WaitUntilPlayed());
    EXPECT_EQ(server.Received(), "HELO a\r\n");
}

TEST_F(Powersock, SendStreamSendsTheWholeStreamFromItsStart)
{
    std::string body;
    for (int i = 0; i < 3000; ++i) {
        body += "line " + std::to_string(i) + " of the message body\r\n";
    }
    MemoryStream stream(body + ".\r\n");
    stream.SetPosition(100);
    ScriptedServer server;
    for (int i = 0; i < 3000; ++i) {
        server.Expect("line " + std::to_string(i) + " of the message body");
    }
    server.Expect(".").SendLine("250 ok").Stall();
    socket.TimeOut = 5000;
    int packets = 0;
    socket.OnPacketSent = [&](TPowersock&) { ++packets; };
    ConnectTo(server);
    socket.SendStream(stream);
    EXPECT_EQ(socket.BytesSent(), static_cast<std::int32_t>(body.size() + 3));
    EXPECT_EQ(socket.BytesTotal(), socket.BytesSent());
    EXPECT_GE(packets, 2);
    EXPECT_EQ(socket.ReadLn(), "250 ok\r\n");
    EXPECT_TRUE(server.WaitUntilPlayed());
    EXPECT_TRUE(server.Mismatches().empty());
}

TEST(PowersockSend, APeerThatStopsReadingEndsSendStreamAfterTheTimeOut)
{
    // Without a time-out only this guard would end the send, and the test would fail instead of hanging.
    const auto start = std::chrono::steady_clock::now();
    TPowersock* self = nullptr;
    TPowersock socket([&] {
        if (std::chrono::steady_clock::now() - start > 3s) {
            self->Cancel();
        }
    });
    self = &socket;
    sockaddr_in address{};
    const int listener = ListenerThatNeverAccepts(1, address);
    socket.Host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    socket.TimeOut = 200;
    socket.Connect();
    const int smallBuffer = 4096;
    ::setsockopt(socket.SocketHandle(), SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer);
    MemoryStream stream(std::string(4 << 20, 'x'));
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.SendStream(stream); }), "Socket send aborted");
    EXPECT_TRUE(socket.TimedOut());
    EXPECT_LT(socket.BytesSent(), socket.BytesTotal());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    ::close(listener);
}

TEST(PowersockSend, APeerThatStopsReadingEndsAWriteOnceAfterTheTimeOut)
{
    TPowersock socket;
    sockaddr_in address{};
    const int listener = ListenerThatNeverAccepts(1, address);
    socket.Host = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    socket.TimeOut = 1000;
    socket.Connect();
    const int smallBuffer = 4096;
    ::setsockopt(socket.SocketHandle(), SOL_SOCKET, SO_SNDBUF, &smallBuffer, sizeof smallBuffer);
    int timeOuts = 0;
    socket.ReportLevel = 8;
    socket.OnStatus = [&](TPowersock&, const std::string& status) { timeOuts += status == "Timer Triggered"; };
    SendWatchdog watchdog(socket.SocketHandle(), 5s);

    // Far more than both small buffers hold, yet short enough for one Write.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<EAbortError>([&] { socket.Write(std::string(60000, 'x')); }), "Socket send aborted");
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 950ms);
    EXPECT_LT(waited, 2000ms);
    EXPECT_TRUE(socket.TimedOut());
    EXPECT_EQ(timeOuts, 1);
    ::close(listener);
}

TEST_F(Powersock, StatusIsReportedUpToTheReportLevelAndAFailingWatcherIsIgnored)
{
    ScriptedServer server;
    server.Expect("NOOP").SendLine("+OK").Stall();
    socket.TimeOut = 2000;
    ConnectTo(server);
    std::vector<std::string> reported;
    socket.OnStatus = [&](TPowersock&, const std::string& status) {
        reported.push_back(status);
        throw std::runtime_error("watcher failed");
    };
    socket.ReportLevel = 4;
    socket.Transaction("NOOP");
    EXPECT_EQ(reported, (std::vector<std::string>{"Sending Buffer", "+OK\r\n"}));
    EXPECT_EQ(socket.Status(), "+OK\r\n");

    reported.clear();
    socket.ReportLevel = 0;
    socket.Disconnect();
    EXPECT_TRUE(reported.empty());
}

}  // namespace
}  // namespace net
