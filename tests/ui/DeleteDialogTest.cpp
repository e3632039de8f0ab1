// The deletion dialog with the real program offscreen: the list's menu lists a scripted mailbox in the
// dialog, the user picks rows with Ctrl and deletes them, and the dialog shows the mailbox afresh.

#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "tests/support/ScriptedServer.h"
#include "tests/ui/WindowFixture.h"

namespace {

using testsupport::ScriptedServer;

void Summary(ScriptedServer& server, int n, const std::string& subject) {
    const std::string number = std::to_string(n);
    server.Expect("TOP " + number + " 0")
        .SendLine("+OK")
        .Send("From: shop" + number + "@example.jp\r\nSubject: " + subject + "\r\nMessage-ID: <" + number +
              "@x>\r\n\r\n.\r\n")
        .Expect("LIST " + number)
        .SendLine("+OK " + number + " 3000");
}

QPoint RowCentre(QTreeWidget& list, int row) {
    return list.visualItemRect(list.topLevelItem(row)).center();
}

class DeleteDialogTest : public WindowFixture {
protected:
    void SetUp() override {
        program.Start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Form1()));
    }
    template <typename Widget>
    Widget& Dialog(const char* name) {
        return Find<Widget>(program.FrmDelete(), name);
    }
};

TEST_F(DeleteDialogTest, TheListMenuListsTheMailboxAndCtrlPickedRowsAreDeleted) {
    ScriptedServer server;
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 9000").Pop3WithoutUidl();
    Summary(server, 1, "=?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=");  // "meeting" in ISO-2022-JP
    Summary(server, 2, "two");
    Summary(server, 3, "three");
    server.Pop3Quit().AcceptNext();
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 3 9000").Pop3WithoutUidl();
    Summary(server, 1, "=?ISO-2022-JP?B?GyRCMnE1RBsoQg==?=");
    server.Expect("DELE 1").SendLine("+OK");
    Summary(server, 3, "three");
    server.Expect("DELE 3").SendLine("+OK").Pop3Quit().AcceptNext();
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine("+OK 1 3000").Pop3WithoutUidl();
    Summary(server, 1, "two");
    server.Pop3Quit();
    server.Start();
    program.Model().Accounts().Assign({{"a@x", "alice", "secret", server.Address(), "", "", "", ""}});
    program.Form1().AccountsChanged();
    QTreeWidget& accounts = Main<QTreeWidget>("ListView1");
    accounts.setCurrentItem(accounts.topLevelItem(0));

    // The right button opens the menu; its one command lists the mailbox.
    emit accounts.customContextMenuRequested(RowCentre(accounts, 0));
    QMenu& menu = Main<QMenu>("PopupMenu2");
    ASSERT_TRUE(menu.isVisible());
    menu.hide();
    QAction& command = *menu.findChild<QAction*>(QStringLiteral("N3"));
    EXPECT_EQ(command.text(),
              QStringLiteral(u"\u4e00\u89a7\u304b\u3089\u30e1\u30fc\u30eb\u3092\u524a\u9664\u3059\u308b"));
    command.trigger();

    ui::DeleteDialog& dialog = program.FrmDelete();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(dialog.isModal());
    EXPECT_EQ(Dialog<QLabel>("Label2").text(), QStringLiteral(u"\u53d7\u4fe1\u30b5\u30fc\u30d0\u30fc\u540d:\u3000") +
                                                   QString::fromStdString(server.Address()));
    QTreeWidget& list = Dialog<QTreeWidget>("ListView1");
    ASSERT_EQ(list.topLevelItemCount(), 3);
    EXPECT_EQ(list.topLevelItem(0)->text(0), " shop1@example.jp");
    EXPECT_EQ(list.topLevelItem(0)->text(1), QStringLiteral(u" \u4f1a\u8b70"));
    EXPECT_EQ(list.topLevelItem(2)->text(3), "3");
    EXPECT_EQ(list.columnWidth(0), 200);
    EXPECT_EQ(list.columnWidth(1), 360);
    EXPECT_TRUE(list.isColumnHidden(2));
    EXPECT_TRUE(list.isColumnHidden(3));
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_TRUE(Main<QPushButton>("BitBtn9").isEnabled());
    QDir().mkpath(QUILLONV_SCREENSHOT_DIR);
    dialog.grab().save(QStringLiteral(QUILLONV_SCREENSHOT_DIR "/delete-dialog.png"));

    // Tab order: the list, close, delete.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget(), &Dialog<QPushButton>("BitBtn1"));
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget(), &Dialog<QPushButton>("BitBtn2"));

    // Rows 1 and 3 with Ctrl; the user confirms, the rows are deleted and the mailbox listed afresh.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(list, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(list, 2));
    EXPECT_EQ(program.FrmDelete().SelectedRows(), (std::vector<std::size_t>{0, 2}));
    BoxAnswerer yes(QMessageBox::Yes);
    QTest::mouseClick(&Dialog<QPushButton>("BitBtn2"), Qt::LeftButton);
    testsupport::ExpectScriptPlayed(server);
    ASSERT_EQ(yes.texts.size(), 2u);
    EXPECT_EQ(yes.texts[0].count(u'\n'), 1);
    EXPECT_EQ(yes.texts[1], QStringLiteral(u"\u30e1\u30fc\u30eb\u3092\u524a\u9664\u3057\u307e\u3057\u305f\u3002"));
    ASSERT_EQ(list.topLevelItemCount(), 1);
    EXPECT_EQ(list.topLevelItem(0)->text(1), " two");

    // Resizing keeps the controls where they are; closing hides the dialog with its rows.
    const QRect listPlace = list.geometry();
    dialog.resize(800, 500);
    EXPECT_EQ(list.geometry(), listPlace);
    QTest::mouseClick(&Dialog<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(list.topLevelItemCount(), 1);
}

}  // namespace
