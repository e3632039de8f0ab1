// quillonv-cli check whose advertisement pass sends its refusal mail to an SMTP receiver that wants TLS
// and authentication: over STARTTLS (submission://) and implicit TLS (smtps://) it arrives, with the
// wrong password it is refused and logged.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
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
#include "tests/support/SmtpReceiver.h"
#include "tests/support/TestCertificates.h"

namespace {

using testsupport::SmtpReceiver;
using testsupport::TestCertificates;

// Its subject holds the advertisement marker inside an ISO-2022-JP encoded-word.
const std::string kAdvertisement =
    "From: shop@example.com\r\nTo: taro@example.jp\r\n"
    "Subject: =?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoN2MwQiU7ITwlaxsoQg==?=\r\n"
    "Message-ID: <ad-1@example.com>\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\nsale\r\n";

enum class Mode { StartTls, Implicit };

struct Row {
    const char* what;
    Mode mode;
    std::string password;  // the receiver's; the account's is taro-pw
    bool delivered;
};

TEST(CheckCommandSendMailOverTls, RefusalMailAuthenticatesInsideTls) {
    ASSERT_EQ(::setenv("SSL_CERT_FILE", TestCertificates::Shared().Authority().c_str(), 1), 0);
    const TestCertificates::Pair& certificate = TestCertificates::Shared().Loopback();
    const Row rows[] = {
        {"STARTTLS", Mode::StartTls, "taro-pw", true},
        {"STARTTLS, wrong password", Mode::StartTls, "other-pw", false},
        {"implicit TLS", Mode::Implicit, "taro-pw", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::DovecotServer dovecot;
        dovecot.AddUser("taro", "taro-pw");
        dovecot.AddMessage("taro", kAdvertisement);
        dovecot.Start();
        SmtpReceiver receiver;
        if (row.mode == Mode::StartTls) {
            receiver.RequireStartTls(certificate.certificate, certificate.key);
        } else {
            receiver.UseImplicitTls(certificate.certificate, certificate.key);
        }
        receiver.RequireAuthentication("taro", row.password);
        receiver.Start();
        const std::string field = (row.mode == Mode::StartTls ? "submission://" : "smtps://") + receiver.Address();

        TempFolder folder;
        const std::string on(app::kFlagOn);
        const std::vector<app::AccountRecord> accounts = {
            {"taro@example.jp", "taro", "taro-pw", dovecot.Address(), on, on, field, on}};
        ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(accounts), folder.Path() / "quillon.dat"));
        ASSERT_TRUE(app::SaveSettings(app::DefaultSettings(), folder.Path() / "quillet.ini"));

        const CliResult result = RunCli({"check", "--data-dir", folder.Path().string()});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "checked 1 accounts, found 1 messages, 1 new\n");
        EXPECT_EQ(receiver.AuthAttempts().size(), 1u);
        for (const SmtpReceiver::AuthAttempt& attempt : receiver.AuthAttempts()) {
            EXPECT_EQ(attempt.user, "taro");
            EXPECT_EQ(attempt.accepted, row.delivered);
        }
        const std::vector<SmtpReceiver::Message> received = receiver.ReceivedMessages();
        if (row.delivered) {
            ASSERT_EQ(received.size(), 1u);
            EXPECT_EQ(received[0].mailFrom, "taro@example.jp");
            EXPECT_EQ(received[0].rcptTos, std::vector<std::string>{"shop@example.com"});
            EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Quillon.log"))
                << ReadBytes(folder.Path() / "Quillon.log").value_or("");
        } else {
            EXPECT_TRUE(received.empty());
            // Like a refused POP3 login, the refusal goes on to fail the connection.
            EXPECT_EQ(WithoutTimeStamps(ReadBytes(folder.Path() / "Quillon.log").value_or("")),
                      "IDorPasswordFailed(SendMail): " + field + "(time)\nConnectionFailed(SendMail): " + field +
                          "(time)\n");
        }
    }
    ::unsetenv("SSL_CERT_FILE");
}

}  // namespace
