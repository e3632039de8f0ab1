#include "tests/support/SmtpReceiver.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "tests/support/LoopbackClient.h"
#include "tests/support/TestCertificates.h"

namespace testsupport {
namespace {

// Sends one command and returns the first three characters of the reply (its code).
std::string Code(LoopbackClient& client, const std::string& command) {
    client.SendLine(command);
    return client.ReadLine().substr(0, 3);
}

TEST(SmtpReceiverTest, KeepsEnvelopeAndDataOfEveryMessageInOrder) {
    SmtpReceiver receiver;
    receiver.Start();
    EXPECT_EQ(receiver.Address(), "127.0.0.1:" + std::to_string(receiver.Port()));
    EXPECT_TRUE(receiver.ReceivedMessages().empty());

    LoopbackClient client(receiver.Port());
    EXPECT_EQ(client.ReadLine().substr(0, 4), "220 ");
    EXPECT_EQ(Code(client, "HELO test"), "250");
    for (const std::string subject : {"one", "two"}) {
        EXPECT_EQ(Code(client, "MAIL FROM:<a@example.jp>"), "250");
        EXPECT_EQ(Code(client, "RCPT TO:<b@example.jp>"), "250");
        EXPECT_EQ(Code(client, "RCPT TO:<c@example.jp>"), "250");
        EXPECT_EQ(Code(client, "DATA"), "354");
        client.Send("Subject: " + subject + "\r\n\r\n..stuffed\r\n\x1B$B$\"\x1B(B\r\n");
        EXPECT_EQ(Code(client, "."), "250");
    }
    EXPECT_EQ(Code(client, "QUIT"), "221");

    const std::vector<SmtpReceiver::Message> messages = receiver.ReceivedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].mailFrom, "a@example.jp");
    EXPECT_EQ(messages[0].rcptTos, (std::vector<std::string>{"b@example.jp", "c@example.jp"}));
    EXPECT_EQ(messages[0].data, "Subject: one\r\n\r\n.stuffed\r\n\x1B$B$\"\x1B(B\r\n");
    EXPECT_EQ(messages[1].data, "Subject: two\r\n\r\n.stuffed\r\n\x1B$B$\"\x1B(B\r\n");

    receiver.Stop();
    EXPECT_THROW(LoopbackClient{receiver.Port()}, std::system_error);
}

TEST(SmtpReceiverTest, WithStartTlsAndAuthenticationRequiredTakesNothingInPlainText) {
    const TestCertificates::Pair& certificate = TestCertificates::Shared().Loopback();
    SmtpReceiver receiver;
    receiver.RequireStartTls(certificate.certificate, certificate.key);
    EXPECT_THROW(receiver.UseImplicitTls(certificate.certificate, certificate.key), std::logic_error);
    receiver.RequireAuthentication("alice", "secret");
    receiver.Start();

    LoopbackClient client(receiver.Port());
    EXPECT_EQ(client.ReadLine().substr(0, 4), "220 ");
    client.SendLine("EHLO test");
    std::string offered;
    for (std::string line; (line = client.ReadLine()).rfind("250-", 0) == 0;) offered += line;
    EXPECT_NE(offered.find("250-STARTTLS\r\n"), std::string::npos) << offered;
    EXPECT_EQ(offered.find("AUTH"), std::string::npos) << offered;
    EXPECT_EQ(Code(client, "AUTH PLAIN AGFsaWNlAHNlY3JldA=="), "530");
    EXPECT_EQ(Code(client, "MAIL FROM:<a@example.jp>"), "530");
    EXPECT_TRUE(receiver.AuthAttempts().empty());
    EXPECT_TRUE(receiver.ReceivedMessages().empty());
}

}  // namespace
}  // namespace testsupport
