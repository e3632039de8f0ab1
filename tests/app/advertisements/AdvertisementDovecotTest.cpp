// A check with the real advertisement passes against a private Dovecot and a real SMTP receiver, where
// another mail program removes a message between the check and the deletion pass, so every later message
// moves down a number.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "app/advertisements/AdvertisementHandler.h"
#include "app/check/CheckCycle.h"
#include "tests/app/AppFakes.h"
#include "tests/app/TempFolder.h"
#include "tests/support/DovecotServer.h"
#include "tests/support/SmtpReceiver.h"

namespace {

// "[unsolicited advertisement]" as an ISO-2022-JP encoded-word.
const std::string kAdSubject = "=?ISO-2022-JP?B?GyRCTCQ+NUJ6OS05cBsoQg==?= sale";

std::string Mail(const std::string& subject, const std::string& messageId) {
    return "From: sender@example.com\r\nSubject: " + subject + "\r\nMessage-ID: " + messageId + "\r\n\r\nbody\r\n";
}

// Runs something (another mail program) before the real deletion pass.
class SomethingFirst final : public app::AdvertisementPasses {
public:
    SomethingFirst(app::AdvertisementPasses& passes, std::function<void()> first)
        : passes_(passes), first_(std::move(first)) {}
    std::vector<app::AdCandidate> DeleteAdvertisements(const std::vector<app::AdCandidate>& queue,
                                                       const std::vector<app::AccountRecord>& accounts) override {
        first_();
        return passes_.DeleteAdvertisements(queue, accounts);
    }
    void SendRefusalMails(const std::vector<app::AdCandidate>& deleted,
                          const std::vector<app::AccountRecord>& accounts) override {
        passes_.SendRefusalMails(deleted, accounts);
    }
    void Abort() override { passes_.Abort(); }

private:
    app::AdvertisementPasses& passes_;
    std::function<void()> first_;
};

std::set<std::string> MessageIdsLeft(const testsupport::DovecotServer& dovecot) {
    std::set<std::string> ids;
    for (const std::filesystem::path& file : dovecot.MessageFiles("taro")) {
        const std::string text = ReadBytes(file).value_or("");
        const std::size_t start = text.find("Message-ID: ") + 12;
        ids.insert(text.substr(start, text.find("\r\n", start) - start));
    }
    return ids;
}

TEST(AdvertisementDovecotTest, AdvertisementsThatMovedAreDeletedByTheirUniqueIdAndTheMailNowAtTheirNumberIsKept) {
    testsupport::DovecotServer dovecot;
    dovecot.AddUser("taro", "taro-pw");
    dovecot.AddMessage("taro", Mail("hello", "<first@x>"));
    dovecot.AddMessage("taro", Mail(kAdSubject, "<ad-1@x>"));
    dovecot.AddMessage("taro", Mail(kAdSubject, "<ad-2@x>"));
    dovecot.AddMessage("taro", Mail("bye", "<last@x>"));
    dovecot.Start();
    testsupport::SmtpReceiver receiver;
    receiver.Start();

    TempFolder temp;
    FixedClock clock;
    const app::EventLog log(app::DataFolder(temp.Path()), clock);
    app::AccountList accounts;
    const std::string on(app::kFlagOn);
    accounts.Append({"taro@example.jp", "taro", "taro-pw", dovecot.Address(), on, on, receiver.Address(), on});
    const app::Settings settings = app::DefaultSettings();
    const std::string replyBody(app::kDefaultReplyBody);
    app::RunState run;
    FakeTimer checkTimer;
    FakeTimer countdownTimer;
    FakeView view;
    Journal journal;
    FakeTray tray(journal);
    FakeSound sound(journal);
    app::SharedPop3Client pop3(log, {});
    app::AdvertisementHandler handler({settings, replyBody, view, log, pop3});
    // Removes the first message: the queued numbers 2 and 3 now hold the second advertisement and an
    // ordinary mail.
    bool removed = false;
    SomethingFirst passes(handler, [&] {
        if (!removed) removed = std::filesystem::remove(dovecot.MessageFiles("taro").front());
    });

    app::CheckCycle cycle({accounts, settings, run, checkTimer, view, tray, sound, passes, log}, countdownTimer);
    cycle.RunCheck();
    ASSERT_EQ(run.AdQueue.size(), 2u);
    EXPECT_EQ(run.AdQueue[0].MessageNumber, "2");
    EXPECT_EQ(run.AdQueue[1].MessageNumber, "3");
    EXPECT_EQ(MessageIdsLeft(dovecot), std::set<std::string>{"<last@x>"});
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "Quillon.log"));
    EXPECT_EQ(view.checkNowEnabled.back(), true);
    EXPECT_EQ(receiver.ReceivedMessages().size(), 2u);

    // Nothing is queued, deleted or answered twice.
    cycle.RunCheck();
    EXPECT_TRUE(run.AdQueue.empty());
    EXPECT_EQ(MessageIdsLeft(dovecot), std::set<std::string>{"<last@x>"});
    EXPECT_EQ(receiver.ReceivedMessages().size(), 2u);
}

}  // namespace
