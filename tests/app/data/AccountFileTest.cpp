#include <gtest/gtest.h>

#include "app/data/AccountFile.h"
#include "app/data/ScrambledFile.h"
#include "tests/app/TempFolder.h"

namespace {

const std::string kOn = "\x82\xb7\x82\xe9";           // suru
const std::string kOff = "\x82\xb5\x82\xc8\x82\xa2";  // shinai
const std::string kKanji = "\x96\xa2";                 // one double-byte character

app::AccountRecord Account(std::string address, std::string smtp = "smtp.example.jp") {
    return {address, "user", "pass", "pop.example.jp", kOn, kOff, std::move(smtp), kOn};
}

TEST(AccountFile, RecordLayoutIsRightAlignedFieldsAndFlagBytes) {
    const app::AccountRecord row{"a@b.jp", "u", "p" + kKanji, "pop", kOn, kOff, "", "on?"};
    const std::string expected = std::string(34, ' ') + "a@b.jp" + std::string(39, ' ') + "u" + std::string(37, ' ') +
                                 "p" + kKanji + std::string(37, ' ') + "pop" + "10" + std::string(40, ' ') + "0";
    ASSERT_EQ(expected.size(), 203u);
    EXPECT_EQ(app::BuildAccountFileContent(std::vector{row}), expected);
}

TEST(AccountFile, RoundTripsShortLongDoubleByteAndEmptyFieldsThroughTheFile) {
    TempFolder folder;
    const std::string longAscii(40, 'm');
    std::string longKanji;
    for (int i = 0; i < 20; ++i) longKanji += kKanji;
    const std::vector<app::AccountRecord> rows = {
        {"a", "u", "p", "h", kOn, kOn, "s", kOn},
        {longAscii, longKanji, longAscii, longKanji, kOff, kOff, "", kOff},
        {kKanji + "@example.jp", "user", "pa ss", "localhost:1110", kOn, kOff, longAscii, kOff},
    };
    const auto content = app::BuildAccountFileContent(rows);
    ASSERT_TRUE(content);
    ASSERT_TRUE(app::SaveScrambledFile(*content, folder.Path() / "quillon.dat"));
    EXPECT_EQ(app::LoadAccountFile(folder.Path() / "quillon.dat"), rows);
}

TEST(AccountFile, BlanksAroundATextAreLostOnTheWay) {
    const auto content = app::BuildAccountFileContent(std::vector{Account("  a@b.jp\t ")});
    EXPECT_EQ(app::ParseAccountFileContent(*content).at(0).MailAddress, "a@b.jp");
}

TEST(AccountFile, FourAccountsAre812BytesAndLoadAsFourRows) {
    const std::vector rows = {Account("1@x"), Account("2@x"), Account("3@x", ""), Account("4@x")};
    const auto content = app::BuildAccountFileContent(rows);
    ASSERT_TRUE(content);
    EXPECT_EQ(content->size(), 812u);
    EXPECT_EQ(app::ParseAccountFileContent(*content), rows);
}

TEST(AccountFile, ATrailingRemainderIsIgnored) {
    const auto content = app::BuildAccountFileContent(std::vector{Account("1@x"), Account("2@x")});
    EXPECT_EQ(app::ParseAccountFileContent(*content + std::string(202, 'z')).size(), 2u);
    EXPECT_TRUE(app::ParseAccountFileContent(content->substr(0, 202)).empty());
}

TEST(AccountFile, AnyFlagByteButOneIsOff) {
    std::string record = *app::BuildAccountFileContent(std::vector{Account("a@x")});
    record[160] = 'Y';
    record[161] = '1';
    const app::AccountRecord row = app::ParseAccountFileContent(record).at(0);
    EXPECT_EQ(row.CheckFlag, kOff);
    EXPECT_EQ(row.RejectFlag, kOn);
}

TEST(AccountFile, AFieldLongerThanItsSlotIsRefusedNotCut) {
    EXPECT_FALSE(app::BuildAccountFileContent(std::vector{Account(std::string(41, 'a'))}));
    EXPECT_FALSE(app::BuildAccountFileContent(std::vector{Account("a@x", std::string(41, 's'))}));
}

}  // namespace
