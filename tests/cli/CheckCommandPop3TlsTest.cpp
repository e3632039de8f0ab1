// quillonv-cli check against a private Dovecot that takes logins only over TLS: the listing is the one
// a plain check prints, and a certificate that does not hold up ends the session before USER is sent.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "app/data/Settings.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/cli/LogWithoutTimeStamps.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/TestCertificates.h"

namespace {

using testsupport::TestCertificates;

const std::string kMeeting =  // Subject: about the meeting (ISO-2022-JP)
    "From: yamada@example.co.jp\r\nTo: taro@example.jp\r\nSubject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n"
    "Message-ID: <meeting@example.co.jp>\r\n\r\n\x1b$BK\\J8$G$9!#\x1b(B\r\n";
const std::string kMeetingSubject = "\xe4\xbc\x9a\xe8\xad\xb0\xe3\x81\xae\xe4\xbb\xb6";  // as listed, UTF-8
const std::string kNotice =  // From: Sato Hanako (UTF-8)
    "From: =?UTF-8?B?5L2Q6Jek6Iqx5a2Q?= <sato@example.ne.jp>\r\nTo: taro@example.jp\r\nSubject: Notice\r\n"
    "Message-ID: <notice@example.ne.jp>\r\n\r\nbody\r\n";

void WriteDataFolder(const std::filesystem::path& folder, const std::string& server) {
    const std::string on(app::kFlagOn);
    const std::string off(app::kFlagOff);
    const std::vector<app::AccountRecord> rows = {{"taro@example.jp", "taro", "taro-pw", server, on, off, "", off}};
    ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder / "quillon.dat"));
    app::Settings settings = app::DefaultSettings();
    settings.HeaderAdd = true;
    ASSERT_TRUE(app::SaveSettings(settings, folder / "quillet.ini"));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

class CheckCommandOverTls : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::setenv("SSL_CERT_FILE", TestCertificates::Shared().Authority().c_str(), 1), 0);
    }
    void TearDown() override { ::unsetenv("SSL_CERT_FILE"); }

    // A Dovecot with taro's two messages, plain or with TLS required under this certificate.
    static void StartWithMail(testsupport::DovecotServer& dovecot, const TestCertificates::Pair* tls) {
        dovecot.AddUser("taro", "taro-pw");
        if (tls != nullptr) dovecot.RequireTls(tls->certificate, tls->key);
        for (const std::string* mail : {&kMeeting, &kNotice}) dovecot.AddMessage("taro", *mail);
        dovecot.Start();
    }

    TempFolder folder;
};

TEST_F(CheckCommandOverTls, ListsWhatAPlainCheckOfTheSameMailboxLists) {
    testsupport::DovecotServer plain;
    StartWithMail(plain, nullptr);
    WriteDataFolder(folder.Path(), plain.Address());
    const CliResult plainCheck = RunCli({"check", "--utf8", "--data-dir", folder.Path().string()});
    ASSERT_EQ(plainCheck.err, "checked 1 accounts, found 2 messages, 2 new\n");

    testsupport::DovecotServer secured;
    StartWithMail(secured, &TestCertificates::Shared().Loopback());
    const std::string field = "pop3s://" + secured.TlsAddress();
    TempFolder tlsFolder;
    WriteDataFolder(tlsFolder.Path(), field);
    // The real binary, which has the test authority from its environment like any other program.
    const std::filesystem::path err = tlsFolder.Path() / "err";
    const CliResult result = RunShell(std::string(QUILLONV_CLI_PATH) + " check --utf8 --data-dir '" +
                                      tlsFolder.Path().string() + "' 2>'" + err.string() + "'");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(ReadBytes(err), plainCheck.err);
    EXPECT_EQ(result.out, Replaced(plainCheck.out, plain.Address(), field));
    EXPECT_NE(result.out.find("Subject: " + kMeetingSubject), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(tlsFolder.Path() / "Quillon.log"));
    EXPECT_NE(secured.LogOnceItHolds("Login: user=<taro>").find("Login: user=<taro>"), std::string::npos);
}

TEST_F(CheckCommandOverTls, ACertificateThatDoesNotHoldUpEndsTheSessionBeforeTheLogin) {
    const struct {
        const char* what;
        const TestCertificates::Pair& certificate;
        std::string reason;
    } cases[] = {
        {"made out to another name", TestCertificates::Shared().OtherName(),
         "certificate verify failed: IP address mismatch"},
        {"from an authority nobody trusts", TestCertificates::Shared().Untrusted(),
         "certificate verify failed: unable to get local issuer certificate"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        testsupport::DovecotServer dovecot;
        StartWithMail(dovecot, &row.certificate);
        const std::string field = "pop3s://" + dovecot.TlsAddress();
        WriteDataFolder(folder.Path(), field);
        std::filesystem::remove(folder.Path() / "Quillon.log");

        const CliResult result = RunCli({"check", "--utf8", "--data-dir", folder.Path().string()});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "quillonv-cli check: TLS with " + field + " failed: " + row.reason +
                                  "\nchecked 1 accounts, found 0 messages, 0 new\n");
        EXPECT_EQ(WithoutTimeStamps(ReadBytes(folder.Path() / "Quillon.log").value_or("")),
                  "TlsFailed: " + field + "(time)\n" + "ConnectionFailed: " + field + "(time)\n" +
                      "ConnectionFailed: " + field + "(time)\n");

        // Dovecot's line for the session: it ended in the handshake, and no user name ever reached it.
        const std::string log = dovecot.LogOnceItHolds("TLS handshaking");
        const std::regex handshakeOnly(R"(\(no auth attempts in \d+ secs\): user=<>, .*TLS handshaking)");
        EXPECT_TRUE(std::regex_search(log, handshakeOnly)) << log;
        EXPECT_EQ(log.find("user=<taro>"), std::string::npos) << log;
        EXPECT_EQ(dovecot.MessageFiles("taro").size(), 2u);
    }
}

}  // namespace
