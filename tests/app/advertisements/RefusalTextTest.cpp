#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/advertisements/RefusalText.h"

namespace {

TEST(RefusalText, BodyLinesAreCutAtCrLfAndEveryKanjiRunIsClosedBeforeTheLineEnds) {
    // "refusal" in Shift_JIS on the first line; a body ending in CR LF gives a last empty line.
    EXPECT_EQ(app::RefusalBodyLines("\x8b\x91\x94\xdb\r\nMailAddress:a@x\r\n"),
              (std::vector<std::string>{"\x1b$B5qH]\x1b(J", "MailAddress:a@x", ""}));
    EXPECT_EQ(app::RefusalBodyLines(""), std::vector<std::string>{""});
    // A lone CR or LF stays inside its line; the mail client turns it into a line end of its own.
    EXPECT_EQ(app::RefusalBodyLines("a\rb\nc"), std::vector<std::string>{"a\rb\nc"});
}

TEST(RefusalText, PlaceholdersAreReplacedFromLeftToRightWithoutSearchingTheReplacement) {
    EXPECT_EQ(app::ReplaceMailPlaceholders("%mail and %mail%mail.", "a@x"), "a@x and a@xa@x.");
    EXPECT_EQ(app::ReplaceMailPlaceholders("%ma%mailil", "%mail"), "%ma%mailil");
    EXPECT_EQ(app::ReplaceMailPlaceholders("no placeholder", "a@x"), "no placeholder");
}

TEST(RefusalText, TheSubjectIsTrimmedAndEmptyStaysEmpty) {
    EXPECT_EQ(app::RefusalSubject(" \t"), "");
    EXPECT_EQ(app::RefusalSubject("  Stop  "), "Stop");
    // "refusal" then "!": the kanji run becomes one encoded-word, escapes included.
    EXPECT_EQ(app::RefusalSubject("\x8b\x91\x94\xdb!"), "=?ISO-2022-JP?B?GyRCNXFIXRsoSg==?=!");
}

}  // namespace
