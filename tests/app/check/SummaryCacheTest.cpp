#include <gtest/gtest.h>

#include <string>

#include "app/check/SummaryCache.h"

namespace {

app::CheckedSummary Summary(const std::string& uid, std::size_t headerBytes) {
    app::CheckedSummary summary{"sender", "subject", "<" + uid + "@x>", std::string(headerBytes, 'h'), {}};
    summary.Identity.UniqueId = uid;
    summary.Identity.Bytes = 100;
    return summary;
}

TEST(SummaryCache, KeepsWhatTheLastSessionListedWithinItsBudgetAndForgetsAccountsNoLongerChecked) {
    app::SummaryCache cache;
    cache.StartCheck();
    cache.StartAccount("pop.example.jp\nalice");
    int stored = 0;
    while (cache.Store(Summary(std::to_string(stored), 1 << 20))) ++stored;
    EXPECT_EQ(stored, 63);  // 64 MiB hold 63 headers of 1 MiB and what goes with them
    EXPECT_LE(cache.Bytes(), app::SummaryCache::kBudgetBytes);
    cache.EndAccount();
    cache.EndCheck();

    cache.StartCheck();
    cache.StartAccount("pop.example.jp\nalice");
    EXPECT_EQ(cache.Find("0", 100, true)->MessageId, "<0@x>");
    EXPECT_EQ(cache.Find("1", 101, false), nullptr);  // another size: another message
    EXPECT_EQ(cache.Find("1", 100, false)->MessageId, "<1@x>");
    cache.EndAccount();  // every other message is gone from the server
    EXPECT_NE(cache.Find("0", 100, false), nullptr);
    EXPECT_EQ(cache.Find("2", 100, false), nullptr);
    cache.StartAccount("pop.example.jp\nalice");
    app::CheckedSummary withoutHeader = Summary("0", 0);
    withoutHeader.Header.reset();
    EXPECT_TRUE(cache.Store(withoutHeader));
    EXPECT_EQ(cache.Find("0", 100, true), nullptr);  // the header box wants what was not kept
    EXPECT_EQ(cache.Find("", 100, false), nullptr);
    cache.EndCheck();

    cache.StartCheck();
    cache.EndCheck();
    EXPECT_EQ(cache.Bytes(), 0u);
}

}  // namespace
