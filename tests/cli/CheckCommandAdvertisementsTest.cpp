// quillonv-cli check against a private Dovecot and a real SMTP receiver: the unsolicited advertisements
// leave the Maildir, everything else stays, and each advertiser gets one refusal mail.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/Texts.h"
#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "app/data/Settings.h"
#include "jcode/DisplayText.h"
#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "tests/app/TempFolder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/SmtpReceiver.h"

namespace {

// UTF-8 texts.
const std::string kDoNotSendAgain = "\xe5\x86\x8d\xe9\x80\x81\xe4\xbf\xa1\xe7\xa6\x81\xe6\xad\xa2!";
const std::string kPleaseDoNotSend =  // "Please do not send mail to the following address."
    "\xe4\xbb\xa5\xe4\xb8\x8b\xe3\x81\xae\xe3\x82\xa2\xe3\x83\x89\xe3\x83\xac\xe3\x82\xb9\xe3\x81\xab\xe3\x83\xa1\xe3"
    "\x83\xbc\xe3\x83\xab\xe3\x81\xae\xe9\x80\x81\xe4\xbf\xa1\xe3\x82\x92\xe8\xa1\x8c\xe3\x82\x8f\xe3\x81\xaa\xe3\x81"
    "\x84\xe3\x81\xa7\xe4\xb8\x8b\xe3\x81\x95\xe3\x81\x84\xe3\x80\x82";

std::string Mail(const std::string& from, const std::string& subject, const std::string& messageId) {
    return "Return-Path: <bounce@example.com>\r\nFrom: " + from + "\r\nTo: taro@example.jp\r\nSubject: " + subject +
           "\r\nMessage-ID: " + messageId + "\r\nDate: Mon, 7 Dec 2026 09:15:02 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\n\x1b$BK\\J8$G$9!#\x1b(B\r\n";
}

// "[unsolicited advertisement] bargain sale": the marker inside an ISO-2022-JP encoded-word.
const std::string kAdInWord = Mail("=?ISO-2022-JP?B?GyRCN2MwQiU3JWclQyVXGyhC?= <shop@example.com>",
                                   "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cCIoN2MwQiU7ITwlaxsoQg==?=", "<ad-1@example.com>");
// The marker after a bracket.
const std::string kAdAfterBracket =
    Mail("deals@example.net", "[=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cBsoQg==?=] big sale", "<ad-2@example.net>");
const std::string kMeeting = Mail("yamada@example.co.jp", "=?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=", "<meeting@example.co.jp>");
const std::string kNewsletter = Mail("news@example.org", "Weekly digest", "<digest@example.org>");
const std::string kOrder = Mail("order@example.jp", "Your order", "<order@example.jp>");
// Spelled "Message-Id:", which the check does not read: the advertisement is queued without an identifier.
const std::string kAdWithMessageIdInLowerCase = [] {
    std::string mail =
        Mail("sale@example.org", "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cBsoQg==?= spring", "<ad-3@example.org>");
    mail.replace(mail.find("Message-ID:"), 11, "Message-Id:");
    return mail;
}();

// The Message-IDs of the messages a user's Maildir still holds.
std::set<std::string> MessageIdsLeft(const testsupport::DovecotServer& dovecot, const std::string& user) {
    std::set<std::string> ids;
    for (const std::filesystem::path& file : dovecot.MessageFiles(user)) {
        const std::string text = ReadBytes(file).value_or("");
        std::size_t start = text.find("Message-ID: ");
        if (start == std::string::npos) start = text.find("Message-Id: ");
        if (start != std::string::npos) ids.insert(text.substr(start + 12, text.find("\r\n", start) - start - 12));
    }
    return ids;
}

// The decoded value of a header line of a received message, in UTF-8.
std::string HeaderValue(const std::string& data, const std::string& name) {
    const std::size_t start = data.find("\r\n" + name + ": ");
    if (start == std::string::npos) return "(no " + name + " line)";
    const std::size_t valueStart = start + name.size() + 4;
    const std::string value = data.substr(valueStart, data.find("\r\n", valueStart) - valueStart);
    return jcode::SjisToUtf8(jcode::DecodeHeaderForDisplay(value));
}

std::string BodyText(const std::string& data) {
    const std::size_t end = data.find("\r\n\r\n");
    return jcode::SjisToUtf8(jcode::JisToSjis(data.substr(end == std::string::npos ? 0 : end + 4)));
}

TEST(CheckCommandAdvertisements, DeletesExactlyTheAdvertisementsAndSendsOneRefusalEach) {
    testsupport::DovecotServer dovecot;
    dovecot.AddUser("taro", "taro-pw");
    for (const std::string* mail : {&kMeeting, &kAdInWord, &kNewsletter, &kAdAfterBracket, &kOrder,
                                    &kAdWithMessageIdInLowerCase}) {
        dovecot.AddMessage("taro", *mail);
    }
    dovecot.Start();
    testsupport::SmtpReceiver receiver;
    receiver.Start();

    TempFolder folder;
    const std::string on(app::kFlagOn);
    const std::vector<app::AccountRecord> rows = {
        {"taro@example.jp", "taro", "taro-pw", dovecot.Address(), on, on, receiver.Address(), on}};
    ASSERT_TRUE(app::SaveScrambledFile(*app::BuildAccountFileContent(rows), folder.Path() / "quillon.dat"));
    ASSERT_TRUE(app::SaveSettings(app::DefaultSettings(), folder.Path() / "quillet.ini"));

    const CliResult result = RunCli({"check", "--data-dir", folder.Path().string()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "checked 1 accounts, found 6 messages, 6 new\n");
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Quillon.log"))
        << ReadBytes(folder.Path() / "Quillon.log").value_or("");

    EXPECT_EQ(MessageIdsLeft(dovecot, "taro"),
              (std::set<std::string>{"<meeting@example.co.jp>", "<digest@example.org>", "<order@example.jp>"}));

    const std::vector<testsupport::SmtpReceiver::Message> refusals = receiver.ReceivedMessages();
    ASSERT_EQ(refusals.size(), 3u);
    EXPECT_EQ(refusals[0].rcptTos, std::vector<std::string>{"shop@example.com"});
    EXPECT_EQ(refusals[1].rcptTos, std::vector<std::string>{"deals@example.net"});
    EXPECT_EQ(refusals[2].rcptTos, std::vector<std::string>{"sale@example.org"});
    for (const testsupport::SmtpReceiver::Message& refusal : refusals) {
        EXPECT_EQ(refusal.mailFrom, "taro@example.jp");
        EXPECT_EQ(HeaderValue("\r\n" + refusal.data, "Subject"), kDoNotSendAgain);
        EXPECT_EQ(BodyText(refusal.data), "\r\n" + kPleaseDoNotSend + "\r\nMailAddress:taro@example.jp\r\n");
    }

    // The advertisements are gone, so a second check finds only the rest and answers nobody.
    const CliResult again = RunCli({"check", "--data-dir", folder.Path().string()});
    EXPECT_EQ(again.err, "checked 1 accounts, found 3 messages, 3 new\n");
    EXPECT_EQ(receiver.ReceivedMessages().size(), 3u);
}

}  // namespace
