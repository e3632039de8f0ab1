#include "net/ExStringList.h"

#include <gtest/gtest.h>

namespace net {
namespace {

TEST(ExStringList, LooksHeadersUpByNameWithoutRegardToCaseAndWithoutTrimming)
{
    TExStringList list;
    list.Add("Received: from a");
    list.Add("Subject : spaced");
    list.Add("no colon here");
    list.Add("Subject: Hello");
    EXPECT_EQ(list.IndexOfHeader("subject"), 3);
    EXPECT_EQ(list.IndexOfHeader("Subject "), 1);
    EXPECT_EQ(list.IndexOfHeader("RECEIVED"), 0);
    EXPECT_EQ(list.IndexOfHeader("From"), -1);
    EXPECT_EQ(list.IndexOfHeader(""), -1);
    EXPECT_EQ(TExStringList().IndexOfHeader("x"), -1);
}

TEST(ExStringList, SetHeaderAppendsReplacesWithTheLatestSpellingAndDeletes)
{
    TExStringList list;
    list.Add("From: a@example.jp");
    list.SetHeader("X-Test", "1");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "X-Test: 1");
    list.SetHeader("x-test", "2");
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], "x-test: 2");
    list.SetHeader("X-Test", "");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list[0], "From: a@example.jp");
    list.SetHeader("Absent", "");
    EXPECT_EQ(list.Count(), 1);
}

TEST(ExStringList, OnlyTheFirstOfTwoEqualNamesIsUpdated)
{
    TExStringList list;
    list.Add("Received: one");
    list.Add("Received: two");
    list.SetHeader("Received", "new");
    EXPECT_EQ(list[0], "Received: new");
    EXPECT_EQ(list[1], "Received: two");
}

TEST(ExStringList, SortedModeFindsEveryEntryByBinarySearchAndKeepsTheOrderOnUpdate)
{
    TExStringList list;
    for (const char* line : {"To: t", "Date: d", "subject: s", "From: f", "Cc: c", "X-Mailer: m", "Bcc: b"}) {
        list.Add(line);
    }
    list.SetSorted(true);
    for (const char* name : {"bcc", "CC", "date", "from", "Subject", "to", "x-mailer"}) {
        const int index = list.IndexOfHeader(name);
        ASSERT_GE(index, 0) << name;
        EXPECT_EQ(CompareText(list[index].substr(0, list[index].find(':')), name), 0);
    }
    EXPECT_EQ(list.IndexOfHeader("Aaa"), -1);
    EXPECT_EQ(list.IndexOfHeader("Zzz"), -1);
    EXPECT_EQ(list.IndexOfHeader("Reply-To"), -1);

    list.SetHeader("A-First", "1");
    list.SetHeader("date", "later");
    EXPECT_EQ(list[0], "A-First: 1");
    EXPECT_TRUE(std::is_sorted(list.Lines().begin(), list.Lines().end(),
                               [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; }));
    EXPECT_EQ(list[list.IndexOfHeader("Date")], "date: later");
}

TEST(ExStringList, SortedModeFindsANameThatALongerNameStartsWith)
{
    // "Received-SPF:" sorts before "Received:", since "-" comes before ":".
    TExStringList list;
    list.SetSorted(true);
    list.Add("Received: from a");
    list.Add("Received-SPF: pass");
    ASSERT_EQ(list[0], "Received-SPF: pass");
    EXPECT_EQ(list.IndexOfHeader("received"), 1);
    EXPECT_EQ(list.IndexOfHeader("Received-SPF"), 0);
    list.SetHeader("Received", "from b");
    EXPECT_EQ(list.Lines(), (std::vector<std::string>{"Received-SPF: pass", "Received: from b"}));
}

}  // namespace
}  // namespace net
