#include <gtest/gtest.h>

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

}  // namespace
