#include "net/NMSMTP.h"

#include "tests/support/SmtpReceiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace net {
namespace {

using testsupport::SmtpReceiver;

TEST(SmtpReceiverEndToEnd, ARealReceiverGetsEnvelopeAndMessageAsComposed)
{
    SmtpReceiver receiver;
    receiver.Start();
    TNMSMTP smtp;
    smtp.Host = receiver.Address();
    smtp.UserID = "quillonv.example.jp";
    smtp.TimeOut = 5000;
    smtp.Charset = "ISO-2022-JP";
    TPostMessage& message = smtp.PostMessage;
    message.FromAddress = "alice@example.jp";
    message.FromName = "alice@example.jp";
    message.ToAddress = {"Ad Sender <ad@spam.example>"};
    message.ToBlindCarbonCopy = {"archive@example.jp"};
    message.Subject = "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!";
    message.Body = {"\x1B$B9-9p%a!<%k$NAw?.$O$*CG$j$7$^$9!#\x1B(J", ".", "..more", "alice@example.jp"};
    std::vector<std::string> refused;
    smtp.OnRecipientNotFound = [&](const std::string& recipient) { refused.push_back(recipient); };

    smtp.Connect();
    smtp.SendMail();
    // The second message of the session: ClearParams emptied the recipients.
    message.ToAddress = {"bob@example.jp"};
    message.Subject = "second";
    message.Body = {"plain"};
    smtp.SendMail();
    smtp.Disconnect();
    EXPECT_TRUE(refused.empty());

    const std::vector<SmtpReceiver::Message> received = receiver.ReceivedMessages();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].mailFrom, "alice@example.jp");
    EXPECT_EQ(received[0].rcptTos, (std::vector<std::string>{"ad@spam.example", "archive@example.jp"}));
    EXPECT_EQ(received[0].data, "From: alice@example.jp<alice@example.jp>\r\n"
                                "To: Ad Sender <ad@spam.example>\r\n"
                                "Subject: =?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!\r\n"
                                "Mime-Version: 1.0\r\n"
                                "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                                "\r\n\r\n"
                                "\x1B$B9-9p%a!<%k$NAw?.$O$*CG$j$7$^$9!#\x1B(J\r\n"
                                ".\r\n"
                                "..more\r\n"
                                "alice@example.jp\r\n");
    EXPECT_EQ(received[1].rcptTos, (std::vector<std::string>{"bob@example.jp"}));
    EXPECT_EQ(received[1].data, "From: alice@example.jp<alice@example.jp>\r\nTo: bob@example.jp\r\nSubject: second\r\n"
                                "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\r\n"
                                "plain\r\n");
}

}  // namespace
}  // namespace net
