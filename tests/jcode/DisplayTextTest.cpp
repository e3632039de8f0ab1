#include <gtest/gtest.h>

#include "jcode/DisplayText.h"
#include "tests/jcode/Bytes.h"

using namespace jcode;

namespace {
const std::string kReplacement = Bytes({0xEF, 0xBF, 0xBD});
}

TEST(SjisToUtf8, ShowsCodePage932Text) {
    EXPECT_EQ(SjisToUtf8("Re: " + kSjisA), "Re: " + Bytes({0xE3, 0x81, 0x82}));
    EXPECT_EQ(SjisToUtf8("\xB1"), Bytes({0xEF, 0xBD, 0xB1}));                         // half-width katakana
    EXPECT_EQ(SjisToUtf8(Bytes({0x87, 0x40})), Bytes({0xE2, 0x91, 0xA0}));            // circled one
    EXPECT_EQ(SjisToUtf8(Bytes({0x81, 0x60})), Bytes({0xEF, 0xBD, 0x9E}));            // wave dash as U+FF5E
    EXPECT_EQ(SjisToUtf8(Bytes({0xF0, 0x40})), Bytes({0xEE, 0x80, 0x80}));            // user-defined area
    EXPECT_EQ(SjisToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(SjisToUtf8, ReplacesWhatIsNoCharacter) {
    EXPECT_EQ(SjisToUtf8("a\x82"), "a" + kReplacement);                           // lead byte at the end
    EXPECT_EQ(SjisToUtf8("\x82 x"), kReplacement + " x");                          // lead without trail
    EXPECT_EQ(SjisToUtf8(Bytes({0x85, 0x40})), kReplacement);                      // unassigned pair
    EXPECT_EQ(SjisToUtf8(Bytes({0xFD})), Bytes({0xEF, 0xA3, 0xB1}));               // decodes to U+F8F1
}

TEST(Utf8ToSjisStrict, ConvertsWhatShiftJisHoldsAndMarksTheRest) {
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xE3, 0x81, 0x82}) + "x"), kSjisA + "x");
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xEF, 0xBD, 0xB1})), "\xB1");
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xE3, 0x80, 0x9C})), "?");                  // no code in code page 932
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xF0, 0x9F, 0x98, 0x80})), "?");            // emoji
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xC0, 0x80})), "??");                        // overlong
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xED, 0xA0, 0x80})), "???");                // surrogate
    EXPECT_EQ(Utf8ToSjisStrict(Bytes({0xE3, 0x81})), "??");                        // cut off
    EXPECT_EQ(Utf8ToSjisStrict(std::string("\0", 1)), std::string("\0", 1));
}

TEST(DisplayText, ShiftJisSurvivesTheRoundTripThroughUtf8) {
    const std::string sjis = "[" + Bytes({0x96, 0xA2, 0x8F, 0xB3, 0x91, 0xF8, 0x8D, 0x4C, 0x8D, 0x90}) + "] \xB1" +
                             Bytes({0x87, 0x54, 0xEE, 0xEF});
    EXPECT_EQ(Utf8ToSjisStrict(SjisToUtf8(sjis)), sjis);
}
