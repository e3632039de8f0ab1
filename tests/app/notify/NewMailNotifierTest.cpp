#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/notify/NewMailNotifier.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"

namespace {

// A notifier over a private folder holding new.wav, "tail.wav " (ending in a blank), a file with a
// Japanese name and a folder; "@" in a text stands for the folder's path.
struct Notifier {
    TempFolder temp;
    FixedClock clock;
    app::DataFolder folder{temp.Path()};
    app::EventLog log{folder, clock};
    app::Settings settings;
    Journal journal;
    FakePlayer player{journal};
    FakeTray tray{journal};
    FakeNotice notice{journal};
    app::NewMailNotifier notifier{settings, player, tray, notice, log};
    const app::NewMail oneMail{1, {{"a@example.jp", "hello"}}};

    Notifier() {
        for (const char* name : {"new.wav", "tail.wav ", "\xe3\x81\x82.wav"}) WriteBytes(temp.Path() / name, "RIFF");
        std::filesystem::create_directory(temp.Path() / "folder");
    }
    std::string InFolder(std::string text) const {
        const std::string path = temp.Path().string();
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + path.size())) {
            text.replace(at, 1, path);
        }
        return text;
    }
    std::string Calls() const {
        std::string joined;
        for (const std::string& call : journal) joined += (joined.empty() ? "" : ", ") + call;
        return joined;
    }
};

TEST(NewMailNotifier, PlaysARegularFileNamedByTheFieldAsTypedAndLogsWhatThePlayerRefuses) {
    const struct {
        std::string field;
        bool openFails;
        std::string calls;
        std::string log;
    } rows[] = {
        {" \t\r\n", false, "", ""},
        {" @/new.wav", false, "", ""},  // as typed it names no file
        {"@/folder", false, "", ""},
        {"@/missing.wav", false, "", ""},
        {"@/new.wav", false, "is playing, close, open @/new.wav, play", ""},
        {"@/\x82\xa0.wav", false, "is playing, close, open @/\x82\xa0.wav, play", ""},  // Shift_JIS "a"
        {"@/tail.wav ", true, "is playing, close, open @/tail.wav",  // there as typed, opened trimmed
         "SoundFailed: @/tail.wav (2026/12/06 16:48:05)\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.field);
        Notifier n;
        n.settings.SoundFile = n.InFolder(row.field);
        n.player.openFails = row.openFails;
        n.notifier.PlayNewMailSound(n.oneMail);
        EXPECT_EQ(n.Calls(), n.InFolder(row.calls));
        EXPECT_EQ(ReadBytes(n.folder.LogFile()).value_or(""), n.InFolder(row.log));
    }
}

TEST(NewMailNotifier, CutsShortASoundStillPlayingAndStopsOnlyWhatRuns) {
    Notifier n;
    n.settings.SoundFile = n.InFolder("@/new.wav");
    n.notifier.StopSound();
    n.notifier.PlayNewMailSound(n.oneMail);
    n.notifier.PlayNewMailSound(n.oneMail);
    n.tray.animating = true;
    n.notifier.StopNotification();
    n.notifier.StopNotification();
    for (const int position : {-1, 64, 256}) n.notifier.ApplyVolume(position);
    EXPECT_EQ(n.Calls(), n.InFolder("is playing, is playing, close, open @/new.wav, play, is playing, stop, close, "
                                    "open @/new.wav, play, is playing, stop, stop animation, close notice, is playing, "
                                    "close notice, volume 0, volume 64, volume 255"));
    EXPECT_FALSE(std::filesystem::exists(n.folder.LogFile()));
}

TEST(NewMailNotifier, NotifiesTheDesktopUnlessTurnedOffAndListsFiveMailsAndCountsTheRest) {
    Notifier n;
    n.settings.DesktopNotify = true;
    n.notifier.PlayNewMailSound(n.oneMail);
    n.notifier.PlayNewMailSound({});
    n.settings.DesktopNotify = false;
    n.notifier.PlayNewMailSound(n.oneMail);
    EXPECT_EQ(n.Calls(), "notice 1");

    app::NewMail mail;
    const auto lines = [&] { return NoticeSummary(mail) + "|" + NoticeBody(mail); };
    mail.Add("a@x", "one");
    // "New mail 1"; the sender and subject held apart by a horizontal bar
    EXPECT_EQ(lines(), "\x90V\x92\x85\x83\x81\x81[\x83\x8b 1\x92\xca|a@x \x81\x5c one");
    for (const char* sender : {"b", "c", "d", "e", "f", "g"}) mail.Add(sender, "s");
    EXPECT_EQ(mail.First.size(), app::NewMail::kListed);
    // "... and 2 more"
    EXPECT_EQ(NoticeBody(mail).substr(NoticeBody(mail).rfind('\n')), "\n\x82\xd9\x82\xa9 2\x92\xca");
    EXPECT_EQ(std::ranges::count(NoticeBody(mail), '\n'), 5);
}

}  // namespace
