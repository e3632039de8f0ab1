// The deletion by hand against scripted POP3 servers: the listing, the deletion with its identity check,
// the texts and log lines of every failure, and the guards that keep it from running twice or beside an
// advertisement pass.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/deletion/IndividualDeletion.h"
#include "tests/app/AppFakes.h"
#include "tests/app/LoggedFolder.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/ScriptedServer.h"

namespace {

using testsupport::ScriptedServer;
using Outcome = app::DeletionResult::Outcome;

// Shift_JIS texts, written out here rather than taken from the program.
const std::string kServerLine = "\x8e\xf3\x90M\x83T\x81[\x83o\x81[\x96\xbc:\x81@";  // "receiving server name:"
const std::string kConnecting = ")\x82\xc9\x90\xda\x91\xb1\x92\x86\x81" "E\x81" "E\x81" "E";  // ")connecting..."
const std::string kServerLead = "\x83T\x81[\x83o\x81[(";  // "server("
const std::string kNotConnected =  // ")could not be connected to."
    ")\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B";
const std::string kFetching =  // "fetching the message information for ..."
    "\x82\xd6\x82\xcc\x83\x81\x83" "b\x83Z\x81[\x83W\x8f\xee\x95\xf1\x82\xf0\x8e\xe6\x93\xbe\x82\xb5\x82\xc4\x82\xa2"
    "\x82\xdc\x82\xb7\x81" "E\x81" "E\x81" "E";
const std::string kNoMail =  // "there is not a single mail that can be shown."
    "\x95\x5c\x8e\xa6\x82\xc5\x82\xab\x82\xe9\x83\x81\x81[\x83\x8b\x82\xcd\x88\xea\x8c\x8f\x82\xe0\x82\xa0\x82\xe8"
    "\x82\xdc\x82\xb9\x82\xf1\x81" "B";
const std::string kNoneSelected =  // "no mail to delete is selected."
    "\x8d\xed\x8f\x9c\x82\xb7\x82\xe9\x83\x81\x81[\x83\x8b\x82\xaa\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xdc"
    "\x82\xb9\x82\xf1\x81" "B";
const std::string kConfirm =  // "all the selected mails will be deleted." CR "are you really sure?"
    "\x91I\x91\xf0\x82\xb3\x82\xea\x82\xc4\x82\xa2\x82\xe9\x83\x81\x81[\x83\x8b\x82\xaa\x82\xb7\x82\xd7\x82\xc4\x8d\xed"
    "\x8f\x9c\x82\xb3\x82\xea\x82\xdc\x82\xb7\x81" "B\r\x96{\x93\x96\x82\xc9\x82\xe6\x82\xeb\x82\xb5\x82\xa2\x82\xc5"
    "\x82\xb7\x82\xa9\x81H";
const std::string kDeleted = "\x83\x81\x81[\x83\x8b\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
const std::string kDeletionFailed =  // "deleting the mails failed."
    "\x83\x81\x81[\x83\x8b\x82\xcc\x8d\xed\x8f\x9c\x82\xc9\x8e\xb8\x94s\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81" "B";
// " do not send again" in ISO-2022-JP on the wire, and in Shift_JIS as listed (the blank kept).
const std::string kEncodedSubject = "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=";
const std::string kDecodedSubject = " \x8d\xc4\x91\x97\x90M\x8b\xd6\x8e~";
const std::string kStamp = "(2026/12/06 16:48:05)\r\n";

// Deletion dialog that records what it was asked in the shared journal and answers as told.
struct FakeDeletionView : app::DeletionView {
    explicit FakeDeletionView(Journal& journal) : journal(journal) {}
    Journal& journal;
    std::vector<std::size_t> selection;
    bool answerYes = true;
    std::vector<std::string> rows;  // "number sender|subject|id" of each row shown

    void SetServerLine(std::string_view text) override { journal.push_back("server line " + std::string(text)); }
    void ClearRows() override {
        rows.clear();
        journal.push_back("clear rows");
    }
    void AppendRow(const app::ListedMail& row) override {
        rows.push_back(std::to_string(row.MessageNo) + " " + row.Sender + "|" + row.Subject + "|" + row.MessageId);
    }
    void ClearSelection() override {
        selection.clear();
        journal.push_back("clear selection");
    }
    std::vector<std::size_t> SelectedRows() const override { return selection; }
    void SetProgressText(std::string_view text) override { journal.push_back("progress " + std::string(text)); }
    void ShowDialog() override { journal.push_back("show"); }
    void ShowInformation(std::string_view text) override { journal.push_back("information " + std::string(text)); }
    void ShowError(std::string_view text) override { journal.push_back("error " + std::string(text)); }
    bool ConfirmYesNo(std::string_view text) override {
        journal.push_back("confirm " + std::string(text));
        return answerYes;
    }
};

ScriptedServer& Pop3Session(ScriptedServer& server, int messageCount) {
    server.Pop3Greeting().Pop3Login("alice", "secret").Expect("STAT").SendLine(
        "+OK " + std::to_string(messageCount) + " 9000");
    return messageCount > 0 ? server.Pop3WithoutUidl() : server;
}

// TOP and LIST of message n; without an id the Message-ID line is left out and `received` makes the header
// unique.
ScriptedServer& Summary(ScriptedServer& server, int n, const std::string& id, const std::string& received = "mx") {
    const std::string number = std::to_string(n);
    std::string header = "Received: " + received + "\r\nFrom: shop" + number + "@example.jp\r\nSubject: " +
                         kEncodedSubject + "\r\n";
    if (!id.empty()) header += "Message-ID: " + id + "\r\n";
    return server.Expect("TOP " + number + " 0")
        .SendLine("+OK")
        .Send(header + "\r\n.\r\n")
        .Expect("LIST " + number)
        .SendLine("+OK " + number + " 3000");
}

// A whole listing session of these Message-IDs.
ScriptedServer& Listing(ScriptedServer& server, const std::vector<std::string>& ids) {
    Pop3Session(server, static_cast<int>(ids.size()));
    for (std::size_t i = 0; i < ids.size(); ++i) Summary(server, static_cast<int>(i + 1), ids[i]);
    return server.Pop3Quit();
}

std::string Row(int n, const std::string& id) {
    return std::to_string(n) + "  shop" + std::to_string(n) + "@example.jp|" + kDecodedSubject + "|" +
           id;
}

class IndividualDeletionTest : public testing::Test, protected LoggedFolder {
protected:
    IndividualDeletionTest() { mainWindow.journal = &journal; }
    app::ClientSetup ClientSetup() {
        app::ClientSetup setup;
        setup.pump = [this] {
            if (between) between();
        };
        setup.timeOut = 2000;
        return setup;
    }
    void SelectAccount(const std::string& popServer) {
        accounts.Assign({{"a@x", "alice", "secret", popServer, "", "", "", ""}});
        accounts.Select(0);
    }

    app::AccountList accounts;
    app::RunState run;
    Journal journal;
    FakeView mainWindow;
    FakeDeletionView dialog{journal};
    // Runs whenever the deletion serves pending work: in network waits and after each summary and DELE.
    std::function<void()> between;
    app::SharedPop3Client pop3{log, ClientSetup()};
    app::IndividualDeletion deletion{{accounts, run, mainWindow, dialog, log, pop3}, ClientSetup().pump};
};

TEST_F(IndividualDeletionTest, ListsTheMailboxThenDeletesTheSelectedInOneSessionAndListsItAfresh) {
    ScriptedServer server;
    Listing(server, {"<1@x>", "<2@x>", "<3@x>"});
    server.AcceptNext();
    Pop3Session(server, 3);
    Summary(server, 1, "<1@x>").Expect("DELE 1").SendLine("+OK");
    Summary(server, 3, "<3@x>").Expect("DELE 3").SendLine("+OK");
    server.Pop3Quit().AcceptNext();
    Listing(server, {"<2@x>"});
    server.Start();
    SelectAccount(server.Address());
    const std::string host = server.Address();

    EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::Listed);
    EXPECT_EQ(dialog.rows, (std::vector<std::string>{Row(1, "<1@x>"), Row(2, "<2@x>"), Row(3, "<3@x>")}));
    EXPECT_EQ(journal, (Journal{"check now off", "server line " + kServerLine + host, "clear rows", "show",
                                "progress a@x" + kFetching, "clear selection", "progress ", "check now on"}));
    EXPECT_EQ(mainWindow.statusTexts, (std::vector<std::string>{kServerLead + host + kConnecting, ""}));

    journal.clear();
    dialog.selection = {0, 2};
    const app::DeletionResult result = deletion.BitBtn2Click();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(result.outcome, Outcome::Deleted);
    EXPECT_EQ(result.deleted.size(), 2u);
    EXPECT_EQ(dialog.rows, (std::vector<std::string>{Row(1, "<2@x>")}));
    EXPECT_EQ(std::vector<std::string>(journal.begin(), journal.begin() + 6),
              (std::vector<std::string>{"confirm " + kConfirm, "check now off",
                                        "progress \x8c\x8f\x96\xbc\x81" "F" + kDecodedSubject +
                                            "\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B",
                                        "progress \x8c\x8f\x96\xbc\x81" "F" + kDecodedSubject +
                                            "\x82\xf0\x8d\xed\x8f\x9c\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7\x81" "B",
                                        "progress ", "check now on"}));
    EXPECT_EQ(journal[6], "information " + kDeleted);
    EXPECT_EQ(Log(), "");
}

TEST_F(IndividualDeletionTest, AMessageWhoseNumberNowHoldsAnotherIsLeftAloneAndTheRunStillSucceeds) {
    // Between the listing and the deletion another program removes message 1: the rest move up by one.
    ScriptedServer server;
    Pop3Session(server, 3);
    Summary(server, 1, "", "by mx at 09:00:01");
    Summary(server, 2, "", "by mx at 09:00:02");
    Summary(server, 3, "<3@x>");
    server.Pop3Quit().AcceptNext();
    Pop3Session(server, 2);
    Summary(server, 1, "", "by mx at 09:00:02");  // no Message-ID either, but not the listed header
    Summary(server, 2, "<3@x>");
    server.Pop3Quit().AcceptNext();
    Pop3Session(server, 2);
    Summary(server, 1, "", "by mx at 09:00:02");
    Summary(server, 2, "<3@x>");
    server.Pop3Quit();
    server.Start();
    SelectAccount(server.Address());

    deletion.N3Click();
    dialog.selection = {0, 1, 2};
    const app::DeletionResult result = deletion.BitBtn2Click();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(result.outcome, Outcome::Deleted);
    EXPECT_TRUE(result.deleted.empty());
    EXPECT_EQ(result.leftAlone.size(), 3u);
    EXPECT_EQ(server.Received().find("DELE"), std::string::npos);
    EXPECT_EQ(dialog.rows.size(), 2u);
}

TEST_F(IndividualDeletionTest, NothingSelectedOrNoAnsweredContactsNoServer) {
    ScriptedServer server;
    Listing(server, {"<1@x>"});
    server.Start();
    SelectAccount(server.Address());
    deletion.N3Click();
    testsupport::ExpectScriptPlayed(server);
    const std::size_t listed = server.Received().size();

    journal.clear();
    EXPECT_EQ(deletion.BitBtn2Click().outcome, Outcome::NothingSelected);
    dialog.selection = {0};
    dialog.answerYes = false;
    EXPECT_EQ(deletion.BitBtn2Click().outcome, Outcome::Declined);
    EXPECT_EQ(journal, (Journal{"error " + kNoneSelected, "confirm " + kConfirm}));
    EXPECT_EQ(server.Received().size(), listed);
}

TEST_F(IndividualDeletionTest, FailedConnectionsAreLoggedAndBoxedAndAnEmptyMailboxIsSaidSo) {
    std::optional<ScriptedServer> server(std::in_place);
    Pop3Session(*server, 0).Pop3Quit().AcceptNext();
    Listing(*server, {"<1@x>"});
    server->Start();
    const std::string host = server->Address();
    SelectAccount(host);
    EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::Listed);
    EXPECT_EQ(journal.back(), "information " + kNoMail);
    EXPECT_TRUE(dialog.rows.empty());
    deletion.N3Click();
    testsupport::ExpectScriptPlayed(*server);
    // The server is gone before the deletion: the box says so and nothing is listed again.
    server.reset();
    journal.clear();
    dialog.selection = {0};
    EXPECT_EQ(deletion.BitBtn2Click().outcome, Outcome::ConnectFailed);
    EXPECT_EQ(journal.back(), "error " + kDeletionFailed);
    EXPECT_EQ(dialog.rows.size(), 1u);
    // And the listing of an unreachable host: the dialog is not shown, the status line comes back empty.
    journal.clear();
    mainWindow.statusTexts.clear();
    EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::ConnectFailed);
    EXPECT_EQ(journal, (Journal{"check now off", "server line " + kServerLine + host, "clear rows", "check now on",
                                "error " + kServerLead + host + kNotConnected}));
    EXPECT_EQ(mainWindow.statusTexts, (std::vector<std::string>{kServerLead + host + kConnecting, ""}));
    EXPECT_FALSE(run.ListingConnecting);
    const std::string failed = "ConnectionFailed: " + host + kStamp;
    EXPECT_EQ(Log(), failed + failed + failed + failed);
}

TEST_F(IndividualDeletionTest, ARefusalInsideASessionIsLoggedTheSessionQuitAndTheUserTold) {
    ScriptedServer server;
    // The listing breaks off at its third summary: the rows fetched stay, and QUIT closes the session.
    Pop3Session(server, 3);
    Summary(server, 1, "<1@x>");
    Summary(server, 2, "<2@x>");
    server.Expect("TOP 3 0").SendLine("-ERR unreadable").Pop3Quit().AcceptNext();
    // A refused DELE: QUIT carries out the deletion accepted before it, then the mailbox is listed afresh.
    Pop3Session(server, 3);
    Summary(server, 1, "<1@x>").Expect("DELE 1").SendLine("+OK");
    Summary(server, 2, "<2@x>").Expect("DELE 2").SendLine("-ERR locked");
    server.Pop3Quit().AcceptNext();
    Listing(server, {"<2@x>", "<3@x>"});
    server.Start();
    const std::string host = server.Address();
    SelectAccount(host);

    EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::CutShort);
    EXPECT_EQ(dialog.rows, (std::vector<std::string>{Row(1, "<1@x>"), Row(2, "<2@x>")}));
    EXPECT_EQ(journal.back(), "error " + kServerLead + host +
                                  ")\x82\xa9\x82\xe7\x83\x81\x81[\x83\x8b\x82\xcc\x88\xea\x97\x97\x82\xf0\x8e\xe6"
                                  "\x93\xbe\x82\xc5\x82\xab\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B");
    EXPECT_EQ(mainWindow.checkNowEnabled.back(), true);

    dialog.selection = {0, 1};
    journal.clear();
    const app::DeletionResult refused = deletion.BitBtn2Click();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(refused.outcome, Outcome::FailedInSession);
    EXPECT_EQ(refused.deleted.size(), 1u);
    EXPECT_NE(std::find(journal.begin(), journal.end(), "error " + kDeletionFailed), journal.end());
    EXPECT_EQ(dialog.rows.size(), 2u);
    EXPECT_EQ(Log(), "ListingFailed: " + host + kStamp + "Failure: " + host + kStamp + "SelectedDeletionFailed: " +
                         host + kStamp);
}

TEST_F(IndividualDeletionTest, NothingRunsTwiceAtOnceNorBesideAnAdvertisementPass) {
    // While an advertisement pass holds the client the command changes nothing and says why.
    {
        std::optional<app::SharedPop3Client::Claim> pass = pop3.TryClaim(app::Pop3ClientUser::AdvertisementDeletion);
        SelectAccount("127.0.0.1:1");
        EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::ClientHeld);
        ASSERT_EQ(journal.size(), 1u);
        EXPECT_EQ(journal[0].rfind("information ", 0), 0u);
    }
    ScriptedServer server;
    Listing(server, {"<1@x>", "<2@x>"});
    server.Start();
    SelectAccount(server.Address());
    // From the pending work of the listing: a second command, the delete button and a check that starts.
    std::vector<app::ListingOutcome> nested;
    std::vector<Outcome> nestedDeletions;
    between = [&] {
        if (nested.empty()) {
            run.CheckRunning = true;
            nested.push_back(deletion.N3Click());
            dialog.selection = {0};
            nestedDeletions.push_back(deletion.BitBtn2Click().outcome);
        }
    };
    deletion.N3Click();
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(nested, std::vector<app::ListingOutcome>{app::ListingOutcome::AlreadyRunning});
    EXPECT_EQ(nestedDeletions, std::vector<Outcome>{Outcome::AlreadyRunning});
    EXPECT_EQ(dialog.rows.size(), 2u);
    // The check still runs, so the button stays off.
    EXPECT_EQ(mainWindow.checkNowEnabled, (std::vector<bool>{false, false}));
    EXPECT_FALSE(run.DeletionByHandRunning);
}

TEST_F(IndividualDeletionTest, AnAbortEndsAListingAtOnceWithNothingShownOrLogged) {
    ScriptedServer server;
    Pop3Session(server, 2);
    Summary(server, 1, "<1@x>");
    server.Expect("TOP 2 0").Stall();
    server.Start();
    SelectAccount(server.Address());
    between = [&] {
        if (dialog.rows.size() == 1) deletion.Abort();
    };
    EXPECT_EQ(deletion.N3Click(), app::ListingOutcome::Aborted);
    EXPECT_EQ(journal.back(), "check now on");
    EXPECT_FALSE(deletion.Running());
    EXPECT_EQ(Log(), "");
}

TEST_F(IndividualDeletionTest, WithDovecotARowWhoseMessageWasRemovedElsewhereDeletesNothingElse) {
    testsupport::DovecotServer dovecot;
    dovecot.AddUser("alice", "secret");
    std::vector<std::filesystem::path> files;
    for (const char* id : {"<1@x>", "<2@x>", "<3@x>"}) {
        files.push_back(dovecot.AddMessage("alice", "From: a@x\r\nSubject: s\r\nMessage-ID: " + std::string(id) +
                                                        "\r\n\r\nbody\r\n"));
    }
    dovecot.Start();
    SelectAccount(dovecot.Address());
    ASSERT_EQ(deletion.N3Click(), app::ListingOutcome::Listed);
    ASSERT_EQ(deletion.Rows().size(), 3u);
    // Another program removes the first message: the second now answers to number 1.
    ASSERT_TRUE(std::filesystem::remove(dovecot.MessageFiles("alice").front()));
    dialog.selection = {0, 1};
    const app::DeletionResult result = deletion.BitBtn2Click();
    ASSERT_EQ(result.leftAlone.size(), 1u);
    EXPECT_EQ(result.leftAlone[0].MessageId, "<1@x>");
    ASSERT_EQ(result.deleted.size(), 1u);
    EXPECT_EQ(result.deleted[0].MessageId, "<2@x>");  // found under its unique-id
    const std::vector<std::filesystem::path> kept = dovecot.MessageFiles("alice");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_NE(ReadBytes(kept.front()).value_or("").find("<3@x>"), std::string::npos);
    // "Of the mails chosen, those that changed on the server after the listing were not deleted."
    const std::string leftAlone =
        "\x91I\x91\xf0\x82\xb5\x82\xbd\x83\x81\x81[\x83\x8b\x82\xcc\x82\xa4\x82\xbf\x81" "A\x88\xea\x97\x97\x82\xf0"
        "\x8e\xe6\x93\xbe\x82\xb5\x82\xbd\x8c\xe3\x82\xc9\x83T\x81[\x83o\x81[\x8f\xe3\x82\xc5\x95\xcf\x82\xed\x82\xc1"
        "\x82\xbd\x82\xe0\x82\xcc\x82\xcd\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd\x81" "B";
    EXPECT_NE(std::find(journal.begin(), journal.end(), "information " + leftAlone), journal.end());
    EXPECT_EQ(dialog.rows.size(), 1u);
}

}  // namespace
