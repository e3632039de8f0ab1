#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "app/log/EventLog.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

namespace {

TEST(EventLog, AppendsPrefixSubjectAndTimeStampWithCrLf) {
    TempFolder temp;
    const app::DataFolder folder(temp.Path() / "quillonv");  // created by the first line
    FixedClock clock;
    const app::EventLog log(folder, clock);
    log.Record(app::LogEvent::InvalidHost, "pop.example.jp");
    clock.now = {2027, 1, 2, 3, 4, 5};
    log.Record(app::LogEvent::SoundFailed, " C:\\new.wav ");  // as typed, blanks included
    EXPECT_EQ(ReadBytes(folder.LogFile()),
              "InvalidHost: pop.example.jp(2026/12/06 16:48:05)\r\nSoundFailed:  C:\\new.wav (2027/01/02 03:04:05)\r\n");
    EXPECT_EQ(ModeOf(folder.LogFile()), 0600u);
}

TEST(EventLog, TimeStampsAreZeroPadded) {
    EXPECT_EQ(app::FormatTimeStamp({2026, 12, 6, 16, 48, 5}), "2026/12/06 16:48:05");
    EXPECT_EQ(app::FormatTimeStamp({999, 1, 1, 0, 0, 0}), "0999/01/01 00:00:00");
}

TEST(EventLog, IsOpenedAndClosedForEveryLine) {
    TempFolder temp;
    const app::DataFolder folder(temp.Path());
    FixedClock clock;
    const app::EventLog log(folder, clock);
    log.WriteLog("first");
    // Held open, the second line would go to the removed file and none would be seen.
    std::filesystem::remove(folder.LogFile());
    log.WriteLog("second");
    EXPECT_EQ(ReadBytes(folder.LogFile()), "second\r\n");
}

TEST(EventLog, ALogThatCannotBeWrittenDropsTheLineQuietly) {
    TempFolder temp;
    FixedClock clock;
    WriteBytes(temp.Path() / "file", "x");
    app::EventLog(app::DataFolder(temp.Path() / "file" / "quillonv"), clock).WriteLog("dropped");
    EXPECT_EQ(ReadBytes(temp.Path() / "file"), "x");  // the folder cannot be made under a file
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path()), {}), 1);

    const app::DataFolder folder(temp.Path());
    EXPECT_EQ(RunWithReadOnlyFolder(temp.Path(), [&] {
                  app::EventLog(folder, clock).Record(app::LogEvent::ConnectionFailed, "host");
                  return 0;
              }),
              0);
    EXPECT_FALSE(std::filesystem::exists(folder.LogFile()));
}

// What may stand in place of the log, made with `outside` at hand as a file beyond the data folder. Returns
// a descriptor that reads whatever reaches the entry, or -1.
struct HostileLog {
    std::string_view what;
    std::function<int(const std::filesystem::path& log, const std::filesystem::path& outside)> make;
};

TEST(EventLog, WritesOnlyToARegularFileOfItsOwnAndNeverWaits) {
    const HostileLog hostiles[] = {
        {"a link to a file",
         [](const auto& log, const auto& outside) {
             WriteBytes(outside, "not the log\n");
             std::filesystem::create_symlink(outside, log);
             return -1;
         }},
        {"a link to nothing yet", [](const auto& log, const auto& outside) {
             std::filesystem::create_symlink(outside, log);
             return -1;
         }},
        {"a FIFO no one reads", [](const auto& log, const auto&) {
             mkfifo(log.c_str(), 0600);
             return -1;
         }},
        {"a FIFO someone reads", [](const auto& log, const auto&) {
             mkfifo(log.c_str(), 0600);
             return open(log.c_str(), O_RDONLY | O_NONBLOCK);
         }},
    };
    for (const HostileLog& hostile : hostiles) {
        SCOPED_TRACE(hostile.what);
        TempFolder temp;
        const app::DataFolder folder(temp.Path() / "quillonv");
        ASSERT_TRUE(folder.Create());
        const auto outside = temp.Path() / "elsewhere";
        const int reader = hostile.make(folder.LogFile(), outside);
        const auto outsideBefore = ReadBytes(outside);
        const auto type = std::filesystem::symlink_status(folder.LogFile()).type();
        FixedClock clock;
        EXPECT_EQ(RunWithTimeLimit(10, [&] {
                      app::EventLog(folder, clock).Record(app::LogEvent::InvalidHost, "pop.example.jp");
                      return 0;
                  }),
                  0);
        EXPECT_EQ(ReadBytes(outside), outsideBefore);
        EXPECT_EQ(std::filesystem::symlink_status(folder.LogFile()).type(), type);
        if (reader >= 0) {
            char byte = 0;
            EXPECT_LE(read(reader, &byte, 1), 0);
            close(reader);
        }
    }
}

TEST(EventLog, AFieldWithALineBreakStaysOnItsLine) {
    TempFolder temp;
    const app::DataFolder folder(temp.Path());
    FixedClock clock;
    // A server field from an edited account file.
    app::EventLog(folder, clock).Record(app::LogEvent::InvalidHost, "pop.example.jp\r\nFailure: \x82\xa0\tx\x7f(y)");
    EXPECT_EQ(ReadBytes(folder.LogFile()),
              "InvalidHost: pop.example.jp??Failure: \x82\xa0?x?(y)(2026/12/06 16:48:05)\r\n");
}

TEST(EventLog, ALineThatDoesNotFitOnTheDiskLeavesNoPartOfIt) {
    TempFolder temp;
    const app::DataFolder folder(temp.Path());
    FixedClock clock;
    const app::EventLog log(folder, clock);
    log.WriteLog("first");
    // Room for 9 bytes more: the line is cut short, then a line that fits follows.
    EXPECT_EQ(RunWithFileSizeLimit(16, [&] {
                  log.Record(app::LogEvent::ConnectionFailed, "pop.example.jp");
                  log.WriteLog("fits");
                  log.WriteLog("too long");
                  return 0;
              }),
              0);
    EXPECT_EQ(ReadBytes(folder.LogFile()), "first\r\nfits\r\n");
}

}  // namespace
