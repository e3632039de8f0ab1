#include <gtest/gtest.h>

#include "app/data/AccountEditor.h"
#include "tests/app/AppFakes.h"

namespace {

using app::EditorField;

const std::string kOn = "\x82\xb7\x82\xe9";
const std::string kOff = "\x82\xb5\x82\xc8\x82\xa2";
const std::string kMailAddressMissing =
    "\x83\x81\x81[\x83\x8b\x83" "A\x83h\x83\x8c\x83X\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb9\x82\xf1\x81" "B";
const std::string kUserIdMissing =
    "\x83\x86\x81[\x83U\x81[ID\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81" "B";
const std::string kPasswordMissing =
    "\x83p\x83X\x83\x8f\x81[\x83h\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1\x81" "B";
const std::string kPopServerMissing =
    "\x82o\x82n\x82o\x83T\x81[\x83o\x81[\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82"
    "\xf1\x81" "B";
const std::string kSmtpServerMissing =
    "\x82r\x82l\x82s\x82o\x83T\x81[\x83o\x81[\x82\xaa\x93\xfc\x97\xcd\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9"
    "\x82\xf1\x81" "B";
const std::string kConfirmDelete =
    "\x8c\xbb\x8d\xdd\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x8f\xee\x95\xf1\x82\xf0\x8d\xed\x8f\x9c\x82"
    "\xb5\x82\xdc\x82\xb7\x81" "B\r\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5\x82\xb7\x82\xa9?";

class AccountEditorTest : public testing::Test {
protected:
    void Type(std::string address, std::string user, std::string password, std::string pop, std::string smtp = "") {
        editor.SetText(EditorField::MailAddress, address);
        editor.SetText(EditorField::UserId, user);
        editor.SetText(EditorField::Password, password);
        editor.SetText(EditorField::PopServer, pop);
        editor.SetText(EditorField::SmtpServer, smtp);
    }
    void AddAccount(const std::string& address) {
        Type(address, "u", "p", "pop", "smtp");
        editor.Add();
    }
    bool EditorEmpty() const {
        for (EditorField field : {EditorField::MailAddress, EditorField::UserId, EditorField::Password,
                                  EditorField::PopServer, EditorField::SmtpServer}) {
            if (!editor.Text(field).empty()) return false;
        }
        return true;
    }

    FakeView view;
    app::AccountList accounts;
    app::AccountEditor editor{accounts, view};
};

TEST_F(AccountEditorTest, ValidationReportsTheFirstMissingFieldAndFocusesIt) {
    struct Row {
        std::vector<std::string> typed;  // address, user, password, pop
        std::string message;
        EditorField focus;
    };
    const std::vector<Row> rows = {
        {{"", "", "", ""}, kMailAddressMissing, EditorField::MailAddress},
        {{"a", "", "", ""}, kUserIdMissing, EditorField::UserId},
        {{"a", "u", "", "pop"}, kPasswordMissing, EditorField::Password},
        {{"a", "u", "p", ""}, kPopServerMissing, EditorField::PopServer},
        {{"a", "u", "p", "pop"}, kSmtpServerMissing, EditorField::SmtpServer},  // auto-reply is checked at start
    };
    for (const Row& row : rows) {
        view = FakeView{};
        Type(row.typed[0], row.typed[1], row.typed[2], row.typed[3]);
        editor.Add();
        EXPECT_EQ(view.information, std::vector{row.message});
        EXPECT_EQ(view.focused, std::vector{row.focus});
        EXPECT_EQ(accounts.Count(), 0u);
    }
}

TEST_F(AccountEditorTest, BlanksCountAsInputAndSmtpIsOnlyNeededForAutoReply) {
    Type(" ", " ", " ", " ");
    editor.SetAutoReplyFlag(false);
    EXPECT_TRUE(editor.ValidateAccountInput());
    EXPECT_TRUE(view.information.empty());
}

TEST_F(AccountEditorTest, AddAppendsFromTheEditorAndEmptiesOnlyTheTextFields) {
    editor.SetCheckFlag(false);
    editor.SetAutoReplyFlag(false);
    Type("a@x", "user", "pw", "pop:1110");
    editor.Add();
    AddAccount("a@x");  // no duplicate check
    ASSERT_EQ(accounts.Count(), 2u);
    EXPECT_EQ(accounts.Rows()[0], (app::AccountRecord{"a@x", "user", "pw", "pop:1110", kOff, kOn, "", kOff}));
    EXPECT_TRUE(EditorEmpty());
    EXPECT_FALSE(editor.CheckFlag());
    EXPECT_TRUE(editor.RejectFlag());
    EXPECT_FALSE(accounts.Selected());
}

TEST_F(AccountEditorTest, AddLeavesTheSelectionWhereItWas) {
    AddAccount("a@x");
    AddAccount("b@x");
    editor.SelectRow(1);
    AddAccount("c@x");
    ASSERT_EQ(accounts.Count(), 3u);
    EXPECT_EQ(accounts.Selected(), 1u);
    EXPECT_TRUE(EditorEmpty());  // the selected row is not shown again
}

TEST_F(AccountEditorTest, DeleteAsksFirstAndNeedsASelection) {
    AddAccount("a@x");
    AddAccount("b@x");
    editor.Delete();
    EXPECT_TRUE(view.confirmations.empty());
    EXPECT_EQ(accounts.Count(), 2u);

    editor.SelectRow(0);
    view.answerOk = false;
    editor.Delete();
    EXPECT_EQ(view.confirmations, std::vector{kConfirmDelete});
    EXPECT_EQ(accounts.Count(), 2u);

    view.answerOk = true;
    editor.Delete();
    ASSERT_EQ(accounts.Count(), 1u);
    EXPECT_EQ(accounts.Rows()[0].MailAddress, "b@x");
    EXPECT_FALSE(accounts.Selected());
    EXPECT_EQ(editor.Text(EditorField::MailAddress), "a@x");  // the editor keeps what it showed
}

TEST_F(AccountEditorTest, SelectingARowFillsTheEditor) {
    accounts.Assign({{"a@x", "u", "p", "pop", kOff, kOn, "smtp", kOn}, {"b@x", "u2", "p2", "pop2", kOn, kOff, "", kOff}});
    editor.SelectRow(0);
    EXPECT_EQ(editor.Text(EditorField::MailAddress), "a@x");
    EXPECT_EQ(editor.Text(EditorField::Password), "p");
    EXPECT_EQ(editor.Text(EditorField::SmtpServer), "smtp");
    EXPECT_FALSE(editor.CheckFlag());
    EXPECT_TRUE(editor.AutoReplyFlag());

    editor.SelectRow(1);  // reject "shinai": the auto-reply box goes off and grey
    EXPECT_EQ(editor.Text(EditorField::PopServer), "pop2");
    EXPECT_TRUE(editor.CheckFlag());
    EXPECT_FALSE(editor.RejectFlag());
    EXPECT_FALSE(editor.AutoReplyFlag());
    EXPECT_FALSE(editor.AutoReplyEnabled());
    EXPECT_EQ(view.editorChanged, 2);  // once per row, when the editor is filled
}

TEST_F(AccountEditorTest, TheRejectBoxGovernsTheAutoReplyBox) {
    editor.SetRejectFlag(false);
    EXPECT_FALSE(editor.AutoReplyFlag());
    EXPECT_FALSE(editor.AutoReplyEnabled());
    EXPECT_EQ(view.editorChanged, 1);  // the window has to uncheck and grey the auto-reply box
    editor.SetRejectFlag(false);
    EXPECT_EQ(view.editorChanged, 1);
    editor.SetAutoReplyFlag(true);  // a grey box cannot be ticked
    EXPECT_FALSE(editor.AutoReplyFlag());

    editor.SetRejectFlag(true);
    EXPECT_TRUE(editor.AutoReplyEnabled());
    EXPECT_FALSE(editor.AutoReplyFlag());
    EXPECT_EQ(view.editorChanged, 2);
    editor.SetAutoReplyFlag(true);
    EXPECT_TRUE(editor.AutoReplyFlag());
}

TEST_F(AccountEditorTest, RewritingTheOnlyRowKeepsItSelectedWithTheNewValuesShown) {
    AddAccount("old@x");
    editor.SelectRow(0);
    editor.SetText(EditorField::MailAddress, "new@x");
    editor.SetCheckFlag(false);
    editor.Rewrite();
    ASSERT_EQ(accounts.Count(), 1u);
    EXPECT_EQ(accounts.Rows()[0].MailAddress, "new@x");
    EXPECT_EQ(accounts.Rows()[0].CheckFlag, kOff);
    EXPECT_EQ(accounts.Selected(), 0u);
    EXPECT_EQ(editor.Text(EditorField::MailAddress), "new@x");
    EXPECT_EQ(editor.Text(EditorField::SmtpServer), "smtp");
}

TEST_F(AccountEditorTest, RewriteKeepsThePositionAndNeedsValidInputAndASelection) {
    AddAccount("a@x");
    AddAccount("b@x");
    AddAccount("c@x");
    Type("z@x", "", "p", "pop", "smtp");
    editor.Rewrite();  // the input is judged before the missing selection
    EXPECT_EQ(view.information, std::vector{kUserIdMissing});
    EXPECT_EQ(view.focused, std::vector{EditorField::UserId});

    view = FakeView{};
    Type("z@x", "u", "p", "pop", "smtp");
    editor.Rewrite();  // nothing selected
    EXPECT_TRUE(view.information.empty());
    EXPECT_EQ(accounts.Rows()[1].MailAddress, "b@x");

    editor.SelectRow(1);
    editor.SetText(EditorField::UserId, "");
    editor.Rewrite();
    EXPECT_EQ(view.information, std::vector{kUserIdMissing});
    EXPECT_EQ(accounts.Rows()[1].MailAddress, "b@x");

    editor.SetText(EditorField::UserId, "u");
    editor.SetText(EditorField::MailAddress, "m@x");
    editor.Rewrite();
    ASSERT_EQ(accounts.Count(), 3u);
    EXPECT_EQ(accounts.Rows()[0].MailAddress, "a@x");
    EXPECT_EQ(accounts.Rows()[1].MailAddress, "m@x");
    EXPECT_EQ(accounts.Rows()[2].MailAddress, "c@x");
    EXPECT_EQ(accounts.Selected(), 1u);
}

TEST_F(AccountEditorTest, ClearEmptiesTheTextsOnly) {
    AddAccount("a@x");
    editor.SelectRow(0);
    editor.SetRejectFlag(false);
    editor.Clear();
    EXPECT_TRUE(EditorEmpty());
    EXPECT_FALSE(editor.RejectFlag());
    EXPECT_EQ(accounts.Count(), 1u);
    EXPECT_EQ(accounts.Selected(), 0u);
}

TEST_F(AccountEditorTest, FieldsHoldFortyBytesWithoutSplittingACharacter) {
    std::string kanji;
    for (int i = 0; i < 21; ++i) kanji += "\x96\xa2";
    editor.SetText(EditorField::UserId, kanji);
    EXPECT_EQ(editor.Text(EditorField::UserId), kanji.substr(0, 40));
    editor.SetText(EditorField::Password, "x" + kanji);
    EXPECT_EQ(editor.Text(EditorField::Password), "x" + kanji.substr(0, 38));
    EXPECT_EQ(view.editorChanged, 2);  // the window has to show the cut text
    editor.SetText(EditorField::PopServer, std::string(40, 'p'));
    EXPECT_EQ(editor.Text(EditorField::PopServer).size(), 40u);
}

}  // namespace
