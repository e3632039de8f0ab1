// quillonv-cli check against a private Dovecot: two mailboxes of Japanese mail as it arrives in
// practice, the printed content view byte for byte, and the log lines of accounts that cannot be reached.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "app/data/Settings.h"
#include "jcode/DisplayText.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/cli/LogWithoutTimeStamps.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/LoopbackClient.h"
#include "tests/support/PipeliningHider.h"
#include "tests/support/ScriptedServer.h"

namespace {

// A header line as it is stored on the server and as the listing shows it in UTF-8 (the same when empty).
struct HeaderLine {
    HeaderLine(std::string raw, std::string shown = {}) : raw(std::move(raw)), shown(std::move(shown)) {}
    std::string raw;
    std::string shown;
};

struct Mail {
    std::vector<HeaderLine> header;
    std::string body;
    std::string sender;   // as listed, UTF-8
    std::string subject;  // as listed, UTF-8

    std::string Raw() const {
        std::string text;
        for (const HeaderLine& line : header) text += line.raw + "\r\n";
        return text + "\r\n" + body;
    }
    std::string ShownHeader() const {
        std::string text;
        for (const HeaderLine& line : header) text += (line.shown.empty() ? line.raw : line.shown) + "\r\n";
        return text + "\r\n.\r\n";
    }
};

const std::string kServerLabel =
    "\xe5\x8f\x97\xe4\xbf\xa1\xe3\x82\xb5\xe3\x83\xbc\xe3\x83\x90\xe3\x83\xbc\xe5\x90\x8d:\xe3\x80\x80";
const std::string kSenderLabel = "\xe9\x80\x81\xe4\xbf\xa1\xe8\x80\x85\xe3\x80\x80\xe3\x80\x80\xe3\x80\x80\xe3\x80\x80:\xe3\x80\x80";
const std::string kSubjectLabel =
    "\xe4\xbb\xb6\xe5\x90\x8d\xe3\x80\x80\xe3\x80\x80\xe3\x80\x80\xe3\x80\x80\xe3\x80\x80:\xe3\x80\x80";
const std::string kHeaderLabel =
    "\xe3\x83\x98\xe3\x83\x83\xe3\x83\x80\xe3\x83\xbc\xe6\x83\x85\xe5\xa0\xb1\xe3\x80\x80:\xe3\x80\x80";

const std::string kYamada = "\xe5\xb1\xb1\xe7\x94\xb0\xe5\xa4\xaa\xe9\x83\x8e";  // Yamada Taro
const std::string kMeeting = "\xe4\xbc\x9a\xe8\xad\xb0\xe3\x81\xae\xe4\xbb\xb6";  // about the meeting
const std::string kSato = "\xe4\xbd\x90\xe8\x97\xa4\xe8\x8a\xb1\xe5\xad\x90";     // Sato Hanako
const std::string kNotice =  // notice: our business hours over the new year (full-width colon)
    "\xe3\x81\x8a\xe7\x9f\xa5\xe3\x82\x89\xe3\x81\x9b\xef\xbc\x9a\xe5\xb9\xb4\xe6\x9c\xab\xe5\xb9\xb4\xe5\xa7\x8b\xe3"
    "\x81\xae\xe5\x96\xb6\xe6\xa5\xad\xe3\x81\xab\xe3\x81\xa4\xe3\x81\x84\xe3\x81\xa6";
const std::string kQuote =  // please send the quotation
    "\xe8\xa6\x8b\xe7\xa9\x8d\xe6\x9b\xb8\xe9\x80\x81\xe4\xbb\x98\xe3\x81\xae\xe3\x81\x8a\xe9\xa1\x98\xe3\x81\x84";
const std::string kTanaka = "\xe7\x94\xb0\xe4\xb8\xad";  // Tanaka
const std::string kJisBody = "\x1b$BK\\J8$G$9!#\x1b(B\r\n";  // "this is the body." in ISO-2022-JP

const Mail kMeetingMail{
    {{"Return-Path: <yamada@example.co.jp>"},
     {"Received: from mx.example.co.jp (mx.example.co.jp [192.0.2.1])"},
     {"\tby mail.example.jp with ESMTP id 4A1B2C3D; Mon, 7 Dec 2026 09:15:02 +0900"},
     {"From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.co.jp>", "From: " + kYamada + " <yamada@example.co.jp>"},
     {"To: taro@example.jp"},
     {"Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=", "Subject: " + kMeeting},
     {"Message-ID: <20261207091502.4A1B@example.co.jp>"},
     {"Date: Mon, 7 Dec 2026 09:15:02 +0900"},
     {"MIME-Version: 1.0"},
     {"Content-Type: text/plain; charset=ISO-2022-JP"},
     {"Content-Transfer-Encoding: 7bit"}},
    kJisBody,
    " " + kYamada + " <yamada@example.co.jp>",
    " " + kMeeting};

const Mail kNoticeMail{
    {{"From: =?UTF-8?B?5L2Q6Jek6Iqx5a2Q?= <sato@example.ne.jp>", "From: " + kSato + " <sato@example.ne.jp>"},
     {"To: taro@example.jp"},
     {"Subject: =?UTF-8?B?44GK55+l44KJ44Gb77ya5bm05pyr5bm05aeL44Gu5Za25qWt44Gr44Gk44GE44Gm?=", "Subject: " + kNotice},
     {"Message-ID: <a1b2c3.notice@example.ne.jp>"},
     {"Date: Mon, 7 Dec 2026 10:00:00 +0900"},
     {"MIME-Version: 1.0"},
     {"Content-Type: text/plain; charset=UTF-8"},
     {"Content-Transfer-Encoding: base64"}},
    "5pys5paH44Gn44GZ44CC\r\n",
    " " + kSato + " <sato@example.ne.jp>",
    " " + kNotice};

const Mail kRawJisMail{
    {{"From: suzuki@example.org"},
     {"To: taro@example.jp"},
     {"Subject: \x1b$B8+@Q=qAwIU$N$*4j$$\x1b(B", "Subject: " + kQuote},
     {"Message-ID: <raw-jis-0001@example.org>"},
     {"Date: Mon, 7 Dec 2026 11:30:00 +0900"}},
    kJisBody,
    " suzuki@example.org",
    " " + kQuote};

const Mail kDigestMail{
    {{"From: newsletter@example.com"}, {"To: hanako@example.jp"}, {"Subject: Weekly digest"},
     {"Date: Mon, 7 Dec 2026 06:00:00 +0000"}},
    "No Message-ID on this one.\r\n",
    " newsletter@example.com",
    " Weekly digest"};

const Mail kReplyMail{
    {{"From: =?ISO-2022-JP?B?GyRCRURDZhsoQg==?= <tanaka@example.jp>", "From: " + kTanaka + " <tanaka@example.jp>"},
     {"To: hanako@example.jp,"},
     {" taro@example.jp"},
     {"Subject: Re: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=", "Subject: Re: " + kMeeting},
     {"Message-ID: <re-meeting.77@example.jp>"},
     {"In-Reply-To: <20261207091502.4A1B@example.co.jp>"}},
    kJisBody,
    " " + kTanaka + " <tanaka@example.jp>",
    " Re: " + kMeeting};

std::string Entry(const std::string& host, const Mail& mail, bool withHeader) {
    std::string entry = kServerLabel + host + "\r\n\r\n" + kSenderLabel + mail.sender + "\r\n\r\n" + kSubjectLabel +
                        mail.subject + "\r\n\r\n";
    entry += withHeader ? kHeaderLabel + "\r\n" + mail.ShownHeader() + "\r\n" : "\r\n";
    return entry + "\r\n";
}

app::AccountRecord Account(const std::string& address, const std::string& user, const std::string& password,
                           const std::string& server) {
    const std::string on(app::kFlagOn);
    const std::string off(app::kFlagOff);
    return {address, user, password, server, on, off, "", off};
}


class CheckCommandWithDovecot : public testing::Test {
protected:
    void SetUp() override {
        dovecot.AddUser("taro", "taro-pw");
        dovecot.AddUser("hanako", "hanako-pw");
        for (const Mail* mail : {&kMeetingMail, &kNoticeMail, &kRawJisMail}) dovecot.AddMessage("taro", mail->Raw());
        for (const Mail* mail : {&kDigestMail, &kReplyMail}) dovecot.AddMessage("hanako", mail->Raw());
        dovecot.Start();
    }

    void WriteDataFolder(const std::vector<app::AccountRecord>& rows, bool headerAdd) {
        ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
        app::Settings settings = app::DefaultSettings();
        settings.HeaderAdd = headerAdd;
        ASSERT_TRUE(app::SaveSettings(settings, folder.Path() / "quillet.ini"));
    }
    std::vector<app::AccountRecord> TwoAccounts() const {
        return {Account("taro@example.jp", "taro", "taro-pw", dovecot.Address()),
                Account("hanako@example.jp", "hanako", "hanako-pw", dovecot.Address())};
    }
    std::string Listing(bool withHeader) const {
        std::string listing;
        for (const Mail* mail : {&kMeetingMail, &kNoticeMail, &kRawJisMail, &kDigestMail, &kReplyMail}) {
            listing += Entry(dovecot.Address(), *mail, withHeader);
        }
        return listing;
    }

    testsupport::DovecotServer dovecot;
    TempFolder folder;
};

TEST_F(CheckCommandWithDovecot, PrintsTheListingOfBothAccountsWithoutTheHeader) {
    WriteDataFolder(TwoAccounts(), false);
    const CliResult result = RunShell(std::string(QUILLONV_CLI_PATH) + " check --utf8 --data-dir '" +
                                      folder.Path().string() + "' 2>'" + (folder.Path() / "err").string() + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Listing(false));
    EXPECT_EQ(ReadBytes(folder.Path() / "err"), "checked 2 accounts, found 5 messages, 5 new\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Quillon.log"));
}

TEST_F(CheckCommandWithDovecot, AListingThatCannotBeWrittenFailsTheCheck) {
    WriteDataFolder(TwoAccounts(), false);
    const CliResult result = RunShell(std::string(QUILLONV_CLI_PATH) + " check --utf8 --data-dir '" +
                                      folder.Path().string() + "' 2>&1 >/dev/full");
    EXPECT_EQ(WIFEXITED(result.status) ? WEXITSTATUS(result.status) : -1, 3);
    EXPECT_EQ(result.out,
              "checked 2 accounts, found 5 messages, 5 new\nquillonv-cli: the output could not be written\n");
}

TEST_F(CheckCommandWithDovecot, PrintsEveryHeaderWhenTheHeaderBoxIsChecked) {
    WriteDataFolder(TwoAccounts(), true);
    const CliResult result = RunCli({"check", "--data-dir", folder.Path().string(), "--utf8"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Listing(true));

    // Without --utf8 the listing is the program's own Shift_JIS.
    const CliResult sjis = RunCli({"check", "--data-dir", folder.Path().string()});
    EXPECT_EQ(sjis.out.find(kServerLabel), std::string::npos);
    EXPECT_EQ(sjis.out.rfind(std::string(app::kLabelServer), 0), 0u);
    EXPECT_EQ(jcode::SjisToUtf8(sjis.out), Listing(true));
}

TEST_F(CheckCommandWithDovecot, WatchChecksAgainAndTheSecondCheckFetchesNoHeader) {
    WriteDataFolder(TwoAccounts(), true);
    const std::string err = (folder.Path() / "err").string();
    const CliResult result = RunShell(std::string(QUILLONV_CLI_PATH) + " watch --count 2 --every 0 --utf8 --data-dir '" +
                                      folder.Path().string() + "' 2>'" + err + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, Listing(true) + Listing(true));
    EXPECT_EQ(ReadBytes(err), "checked 2 accounts, found 5 messages, 5 new\n"
                              "checked 2 accounts, found 5 messages, 0 new\n");
    // Dovecot counts the TOP commands of each session as it logs out.
    const std::string log = dovecot.LogOnceItHolds("top=0/0");
    EXPECT_NE(log.find("top=3/"), std::string::npos) << log;
    EXPECT_NE(log.find("top=2/"), std::string::npos) << log;
    EXPECT_NE(log.find("top=0/0"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Quillon.log"));
}

TEST_F(CheckCommandWithDovecot, WatchEndsCleanlyOnSigterm) {
    WriteDataFolder(TwoAccounts(), false);
    // Whether the signal comes during the first check or while it waits for the next, the watch ends at once.
    const CliResult result = RunShell("timeout -s KILL 60 sh -c '" + std::string(QUILLONV_CLI_PATH) +
                                      " watch --every 3600 --data-dir \"" + folder.Path().string() +
                                      "\" >/dev/null 2>&1 & pid=$!; sleep 1; kill -TERM $pid; wait $pid; echo $?'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "0\n");
}

TEST_F(CheckCommandWithDovecot, UnreachableHostAndWrongPasswordLeaveTheirLogLines) {
    auto closed = std::make_unique<testsupport::ScriptedServer>();
    const std::string unreachable = closed->Address();
    closed.reset();  // nothing listens on its port any more
    WriteDataFolder({Account("gone@example.jp", "taro", "taro-pw", unreachable),
                     Account("hanako@example.jp", "hanako", "wrong-pw", dovecot.Address()),
                     Account("taro@example.jp", "taro", "taro-pw", dovecot.Address())},
                    false);
    const CliResult result = RunCli({"check", "--data-dir", folder.Path().string(), "--utf8"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "checked 3 accounts, found 3 messages, 3 new\n");
    EXPECT_EQ(result.out, Entry(dovecot.Address(), kMeetingMail, false) + Entry(dovecot.Address(), kNoticeMail, false) +
                              Entry(dovecot.Address(), kRawJisMail, false));
    EXPECT_EQ(WithoutTimeStamps(ReadBytes(folder.Path() / "Quillon.log").value_or("")),
              "ConnectionFailed: " + unreachable + "(time)\n" + "ConnectionFailed: " + unreachable + "(time)\n" +
                  "IDorPasswordFailed: " + dovecot.Address() + "(time)\n" + "ConnectionFailed: " + dovecot.Address() +
                  "(time)\n");
}

// Every CAPA line the server sends to a client that asks through `port`.
std::string CapabilitiesThrough(std::uint16_t port) {
    testsupport::LoopbackClient client(port);
    client.ReadLine();
    client.SendLine("CAPA");
    std::string lines;
    for (std::string line = client.ReadLine(); !line.empty() && line != ".\r\n"; line = client.ReadLine()) {
        lines += line;
    }
    return lines;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

TEST_F(CheckCommandWithDovecot, APipelinedCheckListsAndLogsWhatOneCommandAtATimeDoes) {
    const testsupport::PipeliningHider oneAtATime(dovecot.Port());
    ASSERT_NE(CapabilitiesThrough(dovecot.Port()).find("PIPELINING"), std::string::npos);
    ASSERT_EQ(CapabilitiesThrough(oneAtATime.Port()).find("PIPELINING"), std::string::npos);
    std::vector<std::string> listings;
    std::vector<std::string> logs;
    for (const std::string& server : {dovecot.Address(), oneAtATime.Address()}) {
        WriteDataFolder({Account("taro@example.jp", "taro", "taro-pw", server),
                         Account("hanako@example.jp", "hanako", "wrong-pw", server),
                         Account("hanako@example.jp", "hanako", "hanako-pw", server)},
                        true);
        std::filesystem::remove(folder.Path() / "Quillon.log");
        const CliResult result = RunCli({"check", "--data-dir", folder.Path().string(), "--utf8"});
        EXPECT_EQ(result.status, 0);
        listings.push_back(Replaced(result.out, server, "SERVER"));
        logs.push_back(Replaced(WithoutTimeStamps(ReadBytes(folder.Path() / "Quillon.log").value_or("")), server,
                                "SERVER"));
    }
    EXPECT_EQ(listings[0], Replaced(Listing(true), dovecot.Address(), "SERVER"));
    EXPECT_EQ(listings[1], listings[0]);
    EXPECT_EQ(logs[0], "IDorPasswordFailed: SERVER(time)\nConnectionFailed: SERVER(time)\n");
    EXPECT_EQ(logs[1], logs[0]);
}

TEST(CheckCommand, AFolderThatCannotBeReadIsAUsageError) {
    TempFolder folder;
    const CliResult missing = RunCli({"check", "--data-dir", (folder.Path() / "missing").string()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read the data folder"), std::string::npos);
    WriteBytes(folder.Path() / "file", "not a folder");
    EXPECT_EQ(RunCli({"check", "--data-dir", (folder.Path() / "file").string()}).status, 2);
    EXPECT_EQ(RunCli({"check", "--data-dir"}).status, 2);

    // An empty folder has no accounts: the check runs and finds nothing.
    const CliResult empty = RunCli({"check", "--data-dir", folder.Path().string()});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");
    EXPECT_EQ(empty.err, "checked 0 accounts, found 0 messages, 0 new\n");
    // A zero byte inside the account file: the file cannot be read whole, and is not taken for an empty one.
    WriteBytes(folder.Path() / "quillon.dat", app::ScrambleText(std::string(203, ' ') + std::string(1, '\0')));
    const CliResult corrupt = RunCli({"check", "--data-dir", folder.Path().string()});
    EXPECT_EQ(corrupt.status, 2);
    EXPECT_NE(corrupt.err.find("cannot read " + (folder.Path() / "quillon.dat").string()), std::string::npos);
}

TEST(CheckCommand, ControlCharactersInAHeaderNeverReachTheTerminal) {
    // Clears the screen, retitles the window, rings, and hides "a" behind a lone CR.
    testsupport::ScriptedServer server;
    server.Pop3Greeting().Pop3Login("taro", "taro-pw").Expect("STAT").SendLine("+OK 1 300").Pop3WithoutUidl();
    server.Expect("TOP 1 0").SendLine("+OK").Send(
        "From: x@example.jp\x07\r\nSubject: =?UTF-8?B?G1syShtdMDtwd25lZAcgYQ1i?=\r\n\tfolded\r\n\r\n.\r\n");
    server.Expect("LIST 1").SendLine("+OK 1 300").Pop3Quit();
    server.Start();
    TempFolder folder;
    ASSERT_TRUE(app::SaveScrambledFile(
        *app::BuildAccountFileContent(std::vector{Account("taro@example.jp", "taro", "taro-pw", server.Address())}),
        folder.Path() / "quillon.dat"));

    const CliResult result = RunCli({"check", "--utf8", "--data-dir", folder.Path().string()});
    testsupport::ExpectScriptPlayed(server);
    EXPECT_EQ(result.status, 0);
    const std::string header = "From: x@example.jp?\r\nSubject: ?[2J?]0;pwned? a?b\r\n\tfolded\r\n\r\n.\r\n";
    EXPECT_EQ(result.out, kServerLabel + server.Address() + "\r\n\r\n" + kSenderLabel + " x@example.jp?\r\n\r\n" +
                              kSubjectLabel + " ?[2J?]0;pwned? a?b\r\n\r\n" + kHeaderLabel + "\r\n" + header +
                              "\r\n\r\n");
}

}  // namespace
