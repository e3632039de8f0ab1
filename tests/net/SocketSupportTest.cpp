#include "net/Exceptions.h"
#include "net/NthWord.h"
#include "net/ReplyCode.h"
#include "net/SocketErrorTable.h"
#include "net/ThreadTimer.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace net {
namespace {

TEST(NthWord, SplitsRepliesAtSpacesKeepingTheTerminatorInTheLastField)
{
    EXPECT_EQ(NthWord("+OK 2 320", ' ', 2), "2");
    EXPECT_EQ(NthWord("+OK 1 1200\r\n", ' ', 1), "+OK");
    EXPECT_EQ(NthWord("+OK 1 1200\r\n", ' ', 3), "1200\r\n");
    EXPECT_EQ(NthWord("+OK 1 1200\r\n", ' ', 4), "");
    EXPECT_EQ(NthWord("a  b", ' ', 2), "");
    EXPECT_EQ(NthWord("a  b", ' ', 3), "b");
    EXPECT_EQ(NthWord("", ' ', 1), "");
    EXPECT_EQ(NthWord("", ' ', 5), "");
    EXPECT_EQ(NthWord("word", ' ', 0), "");
}

TEST(ReplyCode, TheLeadingDigitsAreReadAsA32BitNumberThatMustFitIn16Bits)
{
    EXPECT_EQ(ReplyCode("250 ok\r\n"), 250);
    EXPECT_EQ(ReplyCode("00042-x"), 42);
    EXPECT_EQ(ReplyCode("32767 x"), 32767);
    EXPECT_EQ(ReplyCode("+OK 250\r\n"), 0);
    EXPECT_EQ(ReplyCode(""), 0);
    // Digits that make no 32-bit number do not convert.
    EXPECT_EQ(ReplyCode("9999999999 x"), 0);
    EXPECT_EQ(ReplyCode("2147483648 x"), 0);
    EXPECT_THROW(ReplyCode("32768 x"), Exception);
    EXPECT_THROW(ReplyCode("2147483647 x"), Exception);
    // Only ten digits are read: eleven nines stop at 9999999999, eleven digits from 1 at 1234567890.
    EXPECT_EQ(ReplyCode("99999999999"), 0);
    EXPECT_THROW(ReplyCode("12345678901"), Exception);
}

TEST(SocketErrorTable, MessagesCarryTheNumberAndTheText)
{
    EXPECT_EQ(LookupErrorMessage(10060), "10060:Connection timed out");
    EXPECT_EQ(LookupErrorMessage(10061), "10061:Connection refused");
    EXPECT_EQ(LookupErrorMessage(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(LookupErrorMessage(12345), "Unknown Error No. 12345");
    EXPECT_EQ(LookupErrorMessage(0), "");
    EXPECT_EQ(SocketErrorTable.back().number, 0);
}

TEST(SocketErrorTable, LinuxErrorsBecomeTheirWinsockNumbers)
{
    EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(SocketErrorFromErrno(EAGAIN), kWouldBlock);
    EXPECT_EQ(SocketErrorFromErrno(ENOTCONN), kNotConnected);
    EXPECT_EQ(SocketErrorFromErrno(EPIPE), kNotConnected);
    EXPECT_EQ(SocketErrorFromErrno(0), 0);
    // Without a twin the error must still count as an error and match no row.
    EXPECT_GT(SocketErrorFromErrno(ENOENT), 10000);
    EXPECT_EQ(LookupErrorMessage(SocketErrorFromErrno(ENOENT)).rfind("Unknown Error No. ", 0), 0u);
}

class FakeClock {
public:
    TThreadTimer::NowFunction Function()
    {
        return [this] { return now; };
    }
    void Advance(int milliseconds) { now += std::chrono::milliseconds(milliseconds); }
    TThreadTimer::Clock::time_point now{};
};

TEST(ThreadTimer, FiresOncePerPeriodOnlyWhenEnabledWithIntervalAndHandler)
{
    FakeClock clock;
    TThreadTimer timer(clock.Function());
    int ticks = 0;
    EXPECT_FALSE(timer.Running());  // no handler yet
    timer.SetOnTimer([&](TThreadTimer&) { ++ticks; });
    EXPECT_TRUE(timer.Running());
    EXPECT_EQ(timer.Interval(), 1000u);

    clock.Advance(999);
    timer.DeliverDue();
    EXPECT_EQ(ticks, 0);
    clock.Advance(1);
    timer.DeliverDue();
    timer.DeliverDue();
    EXPECT_EQ(ticks, 1);
    clock.Advance(1000);
    timer.DeliverDue();
    EXPECT_EQ(ticks, 2);

    timer.SetInterval(0);
    clock.Advance(5000);
    timer.DeliverDue();
    EXPECT_EQ(ticks, 2);
    EXPECT_FALSE(timer.Running());
}

TEST(ThreadTimer, SettingTheSameValueLeavesARunningPeriodAlone)
{
    FakeClock clock;
    TThreadTimer timer(clock.Function());
    int ticks = 0;
    timer.SetOnTimer([&](TThreadTimer&) { ++ticks; });
    timer.SetInterval(100);
    clock.Advance(60);
    timer.SetEnabled(true);
    timer.SetInterval(100);
    clock.Advance(40);
    timer.DeliverDue();
    EXPECT_EQ(ticks, 1);

    // A real change starts the period again.
    clock.Advance(60);
    timer.SetInterval(101);
    clock.Advance(60);
    timer.DeliverDue();
    EXPECT_EQ(ticks, 1);
}

TEST(ThreadTimer, AHandlerThatDisablesTheTimerMakesItOneShot)
{
    FakeClock clock;
    TThreadTimer timer(clock.Function());
    int ticks = 0;
    timer.SetInterval(10);
    timer.SetOnTimer([&](TThreadTimer& sender) {
        ++ticks;
        sender.SetEnabled(false);
    });
    for (int i = 0; i < 5; ++i) {
        clock.Advance(10);
        timer.DeliverDue();
    }
    EXPECT_EQ(ticks, 1);
}

TEST(ThreadTimer, APeriodThePlatformCannotKeepIsRefused)
{
    TThreadTimer timer;
    timer.SetEnabled(false);
    timer.SetOnTimer([](TThreadTimer&) {});
    timer.SetInterval(0x80000000u);
    try {
        timer.SetEnabled(true);
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "No Timer");
    }
}

}  // namespace
}  // namespace net
