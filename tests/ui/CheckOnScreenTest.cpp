#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "tests/support/ScriptedServer.h"
#include "tests/ui/WindowFixture.h"
#include "ui/ContentWindow.h"

namespace {

using namespace std::chrono_literals;
using testsupport::ScriptedServer;

ScriptedServer& ServeSummary(ScriptedServer& server, int number, const std::string& subject) {
    const std::string n = std::to_string(number);
    return server.Expect("TOP " + n + " 0")
        .SendLine("+OK")
        .Send("From: sender@example.jp\r\nSubject: " + subject + "\r\nMessage-ID: <" + n + "@example.jp>\r\n\r\n.\r\n")
        .Expect("LIST " + n)
        .SendLine("+OK " + n + " 1000");
}

// The entry of a message without its header, as the memo shows it.
QString Entry(const QString& host, const QString& subject) {
    return QStringLiteral(u"\u53d7\u4fe1\u30b5\u30fc\u30d0\u30fc\u540d:\u3000") + host +
           QStringLiteral(u"\n\n\u9001\u4fe1\u8005\u3000\u3000\u3000\u3000:\u3000 sender@example.jp\n\n"
                          u"\u4ef6\u540d\u3000\u3000\u3000\u3000\u3000:\u3000 ") +
           subject + QStringLiteral("\n\n\n\n");
}

TEST(ContentWindowBudget, ABudgetSpentSaysSoOnceAndTheNextListingStartsAfresh) {
    ui::ContentWindow window(100);
    window.show();
    const std::string entry = "x\r\n" + std::string(38, 'e') + "\r\n";  // 44 bytes
    QPlainTextEdit& memo = *window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    for (int round = 0; round < 2; ++round) {
        window.Clear();
        for (int n = 0; n < 5; ++n) window.Append(entry);
        window.Flush();
        // Two entries of two lines each fit, then the one line that says the rest is not shown.
        const QStringList lines = memo.toPlainText().split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 5) << memo.toPlainText().toStdString();
        EXPECT_EQ(lines[2], QStringLiteral("x"));
        EXPECT_TRUE(lines[4].startsWith(QStringLiteral(u"\uff08\u4e00\u89a7")));
    }
}

class CheckOnScreenTest : public WindowFixture {
protected:
    explicit CheckOnScreenTest(int timeOut = 5000) : WindowFixture(timeOut) {}

    void SetUp() override {
        program.Start();
        WriteBytes(folder.Path() / "chime.wav", "RIFF");
        Main<QLineEdit>("Edit6").setText(QString::fromStdString((folder.Path() / "chime.wav").string()));
    }
    void AddAccount(const std::string& server) {
        program.Model().Accounts().Append(
            {"alice@example.jp", "alice", "secret", server, std::string(app::kFlagOn), std::string(app::kFlagOff), "",
             std::string(app::kFlagOff)});
    }
    void CheckNow() { QTest::mouseClick(&Main<QPushButton>("BitBtn9"), Qt::LeftButton); }
};

TEST_F(CheckOnScreenTest, ACheckFillsTheOpenContentViewEntryByEntryAndPlaysTheSound) {
    ScriptedServer server;
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 2000").Pop3WithoutCapa().Pop3WithoutUidl();
    ServeSummary(server, 1, "first").Pause(500ms);
    ServeSummary(server, 2, "second").Pop3Quit();
    server.Start();
    AddAccount(server.Address());
    Main<QCheckBox>("CheckBox3").click();  // no header in the entries

    // Opening the content view stops the sound still playing from an earlier check.
    player.playing = true;
    sounds.clear();
    QTest::mouseClick(&Main<QPushButton>("BitBtn8"), Qt::LeftButton);
    EXPECT_EQ(sounds, (Journal{"is playing", "stop"}));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Form2()));

    QPlainTextEdit& memo = Find<QPlainTextEdit>(program.Form2(), "Memo1");
    struct Seen {
        QString listing;
        bool checkNowEnabled;
    };
    std::vector<Seen> seen;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout,
                     [&] { seen.push_back({memo.toPlainText(), Main<QPushButton>("BitBtn9").isEnabled()}); });
    watcher.start(20);
    CheckNow();
    watcher.stop();

    const QString host = QString::fromStdString(server.Address());
    const QString first = Entry(host, QStringLiteral("first"));
    EXPECT_TRUE(std::ranges::any_of(seen, [&](const Seen& s) { return s.listing == first && !s.checkNowEnabled; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return memo.toPlainText() == first + Entry(host, QStringLiteral("second")); }))
        << memo.toPlainText().toStdString();
    EXPECT_TRUE(Main<QPushButton>("BitBtn9").isEnabled());
    EXPECT_TRUE(server.WaitUntilPlayed());
    EXPECT_EQ(server.Mismatches(), std::vector<std::string>{});
    const Journal sound = {"is playing", "stop", "is playing", "close", "open " + (folder.Path() / "chime.wav").string(),
                           "play"};
    EXPECT_EQ(sounds, sound);
}

class EndDuringCheckTest : public CheckOnScreenTest {
protected:
    // Long enough that only the abort can end the wait in time.
    EndDuringCheckTest() : CheckOnScreenTest(60000) {}
};

TEST_F(EndDuringCheckTest, EndingDuringAStalledCheckReturnsPromptlyWithoutSoundOrLog) {
    ScriptedServer stalled;
    stalled.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 2 2000").Pop3WithoutCapa().Pop3WithoutUidl();
    ServeSummary(stalled, 1, "first").Expect("TOP 2 0").Stall();
    stalled.Start();
    ScriptedServer untouched;
    untouched.Start();
    AddAccount(stalled.Address());
    AddAccount(untouched.Address());

    QTimer::singleShot(300ms, [&] { QTest::mouseClick(&Main<QPushButton>("BitBtn2"), Qt::LeftButton); });
    QElapsedTimer elapsed;
    elapsed.start();
    CheckNow();
    EXPECT_LT(elapsed.elapsed(), 10000);
    EXPECT_FALSE(program.Form1().isVisible());
    EXPECT_EQ(std::ranges::count(sounds, "play"), 0);
    EXPECT_EQ(untouched.Received(), "");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Quillon.log"));
}

}  // namespace
