#include <gtest/gtest.h>

#include "jcode/JapaneseConversion.h"
#include "jcode/PairConversion.h"
#include "jcode/SjisBytes.h"
#include "tests/jcode/Bytes.h"

using namespace jcode;

namespace {

struct Row {
    const char* name;
    std::string input;
    std::string expected;
};

void ExpectRows(std::string (*convert)(std::string_view), std::initializer_list<Row> rows) {
    for (const Row& row : rows) EXPECT_EQ(convert(row.input), row.expected) << row.name;
}

}  // namespace

TEST(JisToSjis, DecodesEveryModeOfIso2022Jp) {
    ExpectRows(&JisToSjis, {
        {"kanji in ESC $ B", "\x1B$B\x24\x22\x1B(B", kSjisA},
        {"1978 kanji in ESC $ @", "\x1B$@\x24\x22\x1B(B", kSjisA},
        {"roman out ESC ( J", "x\x1B$B\x24\x22\x1B(Jy", "x" + kSjisA + "y"},
        {"ESC ( I katakana", "\x1B(I\x31", Bytes({0x83, 0x41})},
        {"SO/SI katakana then back", "\x0E\x31\x0F" "A", Bytes({0x83, 0x41}) + "A"},
        {"SI returns to the state before SO", "\x1B$B\x0E\x31\x0F\x24\x22", Bytes({0x83, 0x41}) + kSjisA},
        {"SO in katakana mode is copied, SI then returns to ascii", "\x1B(I\x0E\x31\x0F\x31",
         Bytes({0x0E, 0x83, 0x41, 0x31})},
        {"ESC ( I inside SO keeps the state saved by SO", "\x1B$B\x0E\x1B(I\x31\x0F\x24\x22",
         Bytes({0x83, 0x41}) + kSjisA},
        {"ESC ( I saves nothing for SI", "\x1B$B\x1B(I\x31\x0F\x24\x22", Bytes({0x83, 0x41, 0x24, 0x22})},
        {"voiced mark stays separate", "\x1B(I\x36\x5E", Bytes({0x83, 0x4A, 0x81, 0x4A})},
        {"katakana mode copies other bytes", "\x1B(I\x60", "\x60"},
        {"lone byte at the end of a kanji run", "\x1B$B\x24", "\x24"},
        {"escape inside a pair is data", "\x1B$B\x24\x1B(B", Bytes({0x24, 0x1B, 0x84, 0xC0})},
        {"row 0x7F gives lead 0xF0", "\x1B$B\x7F\x21", Bytes({0xF0, 0x40})},
        {"bytes outside 0x21-0x7F copied as a pair", "\x1B$B\x0A\x0D", "\x0A\x0D"},
        {"incomplete escape is copied", "ab\x1B$", "ab\x1B$"},
        {"empty", "", ""},
    });
}

TEST(JisToSjis, LeavesShiftJisAndAsciiUnchanged) {
    const std::string sjis = "Re: " + kSjisA + Bytes({0x95, 0xB6, 0x8E, 0x9A, 0xB1});
    EXPECT_EQ(JisToSjis(sjis), sjis);
}

TEST(SjisToJis, EncodesRunsAndReplacesWhatIsNoCharacter) {
    ExpectRows(&SjisToJis, {
        {"one character", kSjisA, kJisA},
        {"ascii around a run", "a" + kSjisA + "b", "a" + kJisA + "b"},
        {"half-width katakana sent full-width", Bytes({0xB1}), "\x1B$B\x25\x22\x1B(J"},
        {"voiced mark not combined", Bytes({0xB6, 0xDE}), "\x1B$B\x25\x2B\x21\x2B\x1B(J"},
        {"lead byte at the end", "a\x82", "a?"},
        {"0x80 alone", "\x80", "?"},
        {"0xA0, 0xFD-0xFF", Bytes({0xA0, 0xFD, 0xFE, 0xFF}), "????"},
        {"invalid byte closes the run", kSjisA + "\xFF" + kSjisA, "\x1B$B\x24\x22\x1B(J?" + kJisA},
        {"lead with a non-trail byte", "\x82\x20" "x", "? x"},
        {"trail 0x7F reads like 0x80", Bytes({0x81, 0x7F}), "\x1B$B\x21\x60\x1B(J"},
        {"empty", "", ""},
    });
}

TEST(SjisToJis, DefaultRefusalSubjectAsSent) {
    const std::string subject = Bytes({0x8D, 0xC4, 0x91, 0x97, 0x90, 0x4D, 0x8B, 0xD6, 0x8E, 0x7E}) + "!";
    EXPECT_EQ(SjisToJis(subject), "\x1B$B\x3A\x46\x41\x77\x3F\x2E\x36\x58\x3B\x5F\x1B(J!");
}

TEST(PairConversion, RoundTripsTheWholeJisX0208Range) {
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            const BytePair sjis = JisPairToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
            ASSERT_TRUE(IsSjisLead(sjis.first) && IsSjisTrail(sjis.second)) << j1 << "," << j2;
            EXPECT_EQ(SjisPairToJis(sjis.first, sjis.second), (BytePair{static_cast<unsigned char>(j1),
                                                                        static_cast<unsigned char>(j2)}));
        }
    }
}

TEST(PairConversion, RowBoundariesAndFolding) {
    EXPECT_EQ(JisPairToSjis(0x21, 0x21).first, 0x81);
    EXPECT_EQ(JisPairToSjis(0x5E, 0x21).first, 0x9F);
    EXPECT_EQ(JisPairToSjis(0x5F, 0x21).first, 0xE0);
    EXPECT_EQ(JisPairToSjis(0x7E, 0x21).first, 0xEF);
    EXPECT_EQ(JisPairToSjis(0x7F, 0x21).first, 0xF0);
    EXPECT_EQ(JisPairToSjis(0x20, 0x21), (BytePair{0x20, 0x21}));
    EXPECT_EQ(SjisPairToJis(0x81, 0x7F), SjisPairToJis(0x81, 0x80));
    // User-defined lead bytes fold above row 0x7E into 7 bits.
    EXPECT_EQ(SjisPairToJis(0xF0, 0x40).first, 0x7F);
    EXPECT_EQ(SjisPairToJis(0xFC, 0xFC).first, 0x18);
}

TEST(ByteClasses, Boundaries) {
    EXPECT_FALSE(IsSjisLead(0x80));
    EXPECT_TRUE(IsSjisLead(0x81));
    EXPECT_TRUE(IsSjisLead(0x9F));
    EXPECT_FALSE(IsSjisLead(0xA0));
    EXPECT_TRUE(IsSjisLead(0xE0));
    EXPECT_TRUE(IsSjisLead(0xFC));
    EXPECT_FALSE(IsSjisLead(0xFD));
    EXPECT_TRUE(IsSjisTrail(0x7F));
    EXPECT_FALSE(IsSjisTrail(0x3F));
    EXPECT_FALSE(IsSjisTrail(0xFD));
    EXPECT_FALSE(IsHalfKana(0xA0));
    EXPECT_TRUE(IsHalfKana(0xA1));
    EXPECT_TRUE(IsHalfKana(0xDF));
    EXPECT_FALSE(IsHalfKana(0xE0));
}

TEST(HalfKanaToFull, EveryByteGivesItsFullWidthCharacter) {
    EXPECT_EQ(HalfKanaToFull(0xA1), (BytePair{0x81, 0x42}));  // ideographic full stop
    EXPECT_EQ(HalfKanaToFull(0xB1), (BytePair{0x83, 0x41}));  // a
    EXPECT_EQ(HalfKanaToFull(0xC4), (BytePair{0x83, 0x67}));  // to
    EXPECT_EQ(HalfKanaToFull(0xC5), (BytePair{0x83, 0x69}));  // na
    EXPECT_EQ(HalfKanaToFull(0xDD), (BytePair{0x83, 0x93}));  // n
    EXPECT_EQ(HalfKanaToFull(0xDE), (BytePair{0x81, 0x4A}));
    EXPECT_EQ(HalfKanaToFull(0xDF), (BytePair{0x81, 0x4B}));
}

TEST(EucToJis, ConvertsPairsAndDropsStrayHighBytes) {
    ExpectRows(&EucToJis, {
        {"one character", Bytes({0xA4, 0xA2}), kJisA},
        {"ascii around it", "x" + Bytes({0xA4, 0xA2}) + "y", "x" + kJisA + "y"},
        {"single-shift katakana", Bytes({0x8E, 0xB1}), "\x1B$B\x0E\x31\x1B(J"},
        {"lone byte at the end dropped", Bytes({0xA4, 0xA2, 0xA4}), kJisA},
        {"0x80 dropped, mode unchanged", Bytes({0xA4, 0xA2, 0x80, 0xA4, 0xA2}), "\x1B$B\x24\x22\x24\x22\x1B(J"},
        {"empty", "", ""},
    });
    EXPECT_EQ(JisToSjis(EucToJis(Bytes({0x8E, 0xB1}))), Bytes({0x83, 0x41}));
}

TEST(Utf8ToSjis, ConvertsMappedCharactersAndKeepsTheRest) {
    ExpectRows(&Utf8ToSjis, {
        {"hiragana a", Bytes({0xE3, 0x81, 0x82}), kSjisA},
        {"half-width katakana is one byte", Bytes({0xEF, 0xBD, 0xB1}), "\xB1"},
        {"unmapped wave dash stays raw", Bytes({0xE3, 0x80, 0x9C}), Bytes({0xE3, 0x80, 0x9C})},
        {"cut-off sequence stays raw", "a" + Bytes({0xE3, 0x81}), "a" + Bytes({0xE3, 0x81})},
        {"two-byte section sign", Bytes({0xC2, 0xA7}), Bytes({0x81, 0x98})},
        {"ascii", "plain", "plain"},
        {"nul", std::string(1, '\0'), std::string(1, '\0')},
        {"empty", "", ""},
    });
}

TEST(Utf8ToSjis, CharactersBeyondSixteenBitsBecomeTheGetaMark) {
    const std::string geta = Bytes({0x81, 0xAC});
    EXPECT_EQ(Utf8ToSjis("ok " + Bytes({0xF0, 0x9F, 0x98, 0x80}) + "!"), "ok " + geta + "!");  // emoji
    // Malformed sequences keep their bytes rather than swallowing the text after them.
    EXPECT_EQ(Utf8ToSjis(Bytes({0xF0}) + "abc"), Bytes({0xF0}) + "abc");
    EXPECT_EQ(Utf8ToSjis(Bytes({0xF4, 0x90, 0x80, 0x80})), Bytes({0xF4, 0x90, 0x80, 0x80}));  // above U+10FFFF
    EXPECT_EQ(Utf8ToSjis(Bytes({0x80}) + "abcde"), Bytes({0x80}) + "abcde");
}

TEST(Utf8CharToSjis, ReportsBytesConsumed) {
    EXPECT_EQ(Utf8CharToSjis(Bytes({0xE3, 0x81, 0x82}) + "x").consumed, 3u);
    EXPECT_EQ(Utf8CharToSjis(Bytes({0xF8, 0x80, 0x80, 0x80, 0x80, 0x80})).consumed, 5u);
    EXPECT_EQ(Utf8CharToSjis(Bytes({0xFC, 1, 2, 3, 4, 5, 6})).consumed, 6u);
    const Utf8Piece cut = Utf8CharToSjis(Bytes({0xF0, 0x9F, 0x98}));
    EXPECT_EQ(cut.consumed, 3u);
    EXPECT_EQ(cut.bytes, Bytes({0xF0, 0x9F, 0x98}));
}
