#include <gtest/gtest.h>

#include "jcode/JapaneseConversion.h"
#include "jcode/MimeHeader.h"
#include "tests/jcode/Bytes.h"

using namespace jcode;

namespace {

std::string Display(std::string_view raw) { return JisToSjis(DecodeMimeHeader(raw)); }

const std::string kWordA = "=?ISO-2022-JP?B?GyRCJCIbKEI=?=";
const std::string kUtf8A = Bytes({0xE3, 0x81, 0x82});

struct DisplayRow {
    const char* name;
    std::string raw;
    std::string display;
};

void ExpectDisplayed(std::initializer_list<DisplayRow> rows) {
    for (const DisplayRow& row : rows) EXPECT_EQ(Display(row.raw), row.display) << row.name;
}

}  // namespace

TEST(DecodeMimeHeader, RealWorldHeaderValues) {
    ExpectDisplayed({
        {"iso-2022-jp B word", kWordA, kSjisA},
        {"charset and letter in lower case", "=?iso-2022-jp?b?GyRCJCIbKEI=?=", kSjisA},
        {"blanks around and between words kept", "Re: " + kWordA + " " + kWordA, "Re: " + kSjisA + " " + kSjisA},
        {"folded header keeps its line break", kWordA + "\r\n " + kWordA, kSjisA + "\r\n " + kSjisA},
        {"latin-1 stays verbatim", "=?ISO-8859-1?Q?caf=E9?=", "=?ISO-8859-1?Q?caf=E9?="},
        {"shift_jis Q word", "=?SHIFT_JIS?Q?=82=A0?=", kSjisA},
        {"lower-case hex not decoded", "=?SHIFT_JIS?Q?=82=a0?=", "\x82=a0"},
        {"utf-8 Q keeps the underscore", "=?UTF-8?Q?a_b?=", "a_b"},
        {"utf-8 B word", "=?UTF-8?B?44GC?=", kSjisA},
        {"euc-jp B word", "=?EUC-JP?B?pKI=?=", kSjisA},
        {"raw iso-2022-jp without words", kJisA + "x", kSjisA + "x"},
        {"two charsets in one header", "=?UTF-8?B?44GC?= " + kWordA, kSjisA + " " + kSjisA},
        {"hyphenated SHIFT-JIS not recognised", "=?SHIFT-JIS?B?gqA=?=", "=?SHIFT-JIS?B?gqA=?="},
        {"RFC 2231 language suffix not recognised", "=?ISO-2022-JP*ja?B?GyRCJCIbKEI=?=",
         "=?ISO-2022-JP*ja?B?GyRCJCIbKEI=?="},
        {"empty", "", ""},
    });
}

TEST(DecodeMimeHeader, ConvertersSeeTheWholeTextAsTheEarlierStagesLeftIt) {
    ExpectDisplayed({
        {"raw EUC-JP beside an EUC-JP word", Bytes({0xA4, 0xA2}) + " =?EUC-JP?B?pKI=?=", kSjisA + " " + kSjisA},
        // 0x82 0xA0 read as an EUC-JP pair gives JIS bytes 0x02 0x20, which JisToSjis copies.
        {"raw Shift_JIS beside an EUC-JP word", kSjisA + " =?EUC-JP?B?pKI=?=", "\x02\x20 " + kSjisA},
        {"raw UTF-8 beside a UTF-8 word", Bytes({0xE3, 0x81, 0x82}) + " =?UTF-8?B?44GC?=", kSjisA + " " + kSjisA},
        // The half-width katakana 0xC2 0xA7 from the Shift_JIS word read as UTF-8 are the section sign.
        {"shift_jis word output read by the UTF-8 stage", "=?SHIFT_JIS?Q?=C2=A7?= =?UTF-8?Q?x?=",
         Bytes({0x81, 0x98}) + " x"},
    });
}

TEST(DecodeMimeHeader, LeavesJisInItsEscapedForm) {
    EXPECT_EQ(DecodeMimeHeader(kWordA), "\x1B$B\x24\x22\x1B(B");
}

TEST(DecodeEncodedWords, MalformedWords) {
    struct Row {
        const char* name;
        std::string text;
        std::string decoded;
    } rows[] = {
        {"word without closing decoded to the end", "x =?utf-8?B?44GC", "x " + Bytes({0xE3, 0x81, 0x82})},
        {"second opening drops the first payload", "=?utf-8?B?QUJD=?utf-8?B?44GC?=", Bytes({0xE3, 0x81, 0x82})},
        {"empty payload yields nothing", "a=?utf-8?B?" "?=b", "ab"},
        {"unknown letter copies the payload", "=?utf-8?X?abc?=", "abc"},
        {"letter not followed by ? is text", "=?utf-8?Babc?=", "=?utf-8?Babc?="},
        {"closing outside a word is text", "a?=b", "a?=b"},
        {"opening cut by the end is text", "=?utf-8?B", "=?utf-8?B"},
    };
    for (const Row& row : rows) EXPECT_EQ(DecodeEncodedWords(row.text, "utf-8"), row.decoded) << row.name;
}

TEST(Base64DecodeText, SkipsForeignBytesAndDropsASingleLeftOver) {
    EXPECT_EQ(Base64DecodeText("QUJD"), "ABC");
    EXPECT_EQ(Base64DecodeText("QU\r\nJ D-_"), "ABC");
    EXPECT_EQ(Base64DecodeText("QQ=="), "A");
    EXPECT_EQ(Base64DecodeText("QUI="), "AB");
    EXPECT_EQ(Base64DecodeText("QUJDR"), "ABC");
    EXPECT_EQ(Base64DecodeText("////"), Bytes({0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Base64DecodeText("===="), "");
}

TEST(QDecodeText, OnlyUpperCaseHexPairsAreDecoded) {
    EXPECT_EQ(QDecodeText("a=3Db"), "a=b");
    EXPECT_EQ(QDecodeText("=3d"), "=3d");
    EXPECT_EQ(QDecodeText("a=\r\n"), "a=\r\n");
    EXPECT_EQ(QDecodeText("line="), "line=");
    EXPECT_EQ(QDecodeText("=4"), "=4");
    EXPECT_EQ(QDecodeText("==41"), "=A");
    EXPECT_EQ(QDecodeText("a_b c"), "a_b c");
}

TEST(EncodeJisHeader, EveryKanjiRunBecomesOneWord) {
    const std::string refusal = "\x1B$B\x3A\x46\x41\x77\x3F\x2E\x36\x58\x3B\x5F\x1B(J!";
    EXPECT_EQ(EncodeJisHeader(refusal), "=?ISO-2022-JP?B?GyRCOkZBdz8uNlg7XxsoSg==?=!");
    EXPECT_EQ(EncodeJisHeader("no escapes at all"), "no escapes at all");
    EXPECT_EQ(EncodeJisHeader("abc" + kJisA + "def"), "abc" + EncodeJisWord(kJisA) + "def");
    EXPECT_EQ(EncodeJisHeader(kJisA + " and " + kJisA),
              EncodeJisWord(kJisA) + " and " + EncodeJisWord(kJisA));
    // A run reaching the end is encoded through the last byte, with or without its closing escape.
    EXPECT_EQ(EncodeJisHeader(kJisA), EncodeJisWord(kJisA));
    EXPECT_EQ(EncodeJisHeader("x\x1B$B\x24\x22"), "x" + EncodeJisWord("\x1B$B\x24\x22"));
    EXPECT_EQ(EncodeJisHeader(""), "");
}

TEST(EncodeJisWord, PadsLikeRfc2045) {
    EXPECT_EQ(EncodeJisWord("A"), "=?ISO-2022-JP?B?QQ==?=");
    EXPECT_EQ(EncodeJisWord("AB"), "=?ISO-2022-JP?B?QUI=?=");
    EXPECT_EQ(EncodeJisWord("ABC"), "=?ISO-2022-JP?B?QUJD?=");
    EXPECT_EQ(EncodeJisWord(Bytes({0xFF, 0xFE, 0x00, 0x80})), "=?ISO-2022-JP?B?//4AgA==?=");
}

TEST(HeaderRoundTrip, EncodedSubjectDecodesToTheSameText) {
    const std::string subject = "[" + Bytes({0x96, 0xA2, 0x8F, 0xB3, 0x91, 0xF8, 0x8D, 0x4C, 0x8D, 0x90}) + "] sale";
    EXPECT_EQ(Display(EncodeJisHeader(SjisToJis(subject))), subject);
}

TEST(DecodeHeaderLinesForDisplay, WhatAWordYieldsStaysInsideItsLine) {
    struct Row {
        const char* name;
        std::string lines;
        std::string shown;
    } rows[] = {
        {"CR LF from a Q word", "Subject: a=?UTF-8?Q?=0D=0A?=b\r\nTo: c\r\n", "Subject: a??b\r\nTo: c\r\n"},
        {"forged entry from a B word", "From: =?UTF-8?B?eA0KDQp5?=\r\n", "From: x????y\r\n"},
        {"lone LF from a JIS word", "Subject: =?ISO-2022-JP?Q?=0A?=\r\n", "Subject: ?\r\n"},
        {"CR from an overlong UTF-8 form", "Subject: =?UTF-8?Q?=C0=8D?=\r\n", "Subject: ?\r\n"},
        {"plain lines unchanged", "From: a\r\n\tb\r\n\r\n", "From: a\r\n\tb\r\n\r\n"},
        {"words in each line", "From: " + kWordA + "\r\nSubject: " + kWordA,
         "From: " + kSjisA + "\r\nSubject: " + kSjisA},
        {"JIS run going on across a line end", "Subject: \x1B$B\x24\x22\r\n\x24\x22\x1B(B",
         "Subject: " + kSjisA + "\r\n" + kSjisA},
        {"empty", "", ""},
        // The stages are decided over the whole header and applied to every line.
        {"raw UTF-8 line beside a UTF-8 word", "From: " + kUtf8A + "\r\nSubject: =?UTF-8?B?44GC?=",
         "From: " + kSjisA + "\r\nSubject: " + kSjisA},
        {"raw EUC-JP line beside an EUC-JP word", "Subject: =?EUC-JP?B?pKI=?=\r\nFrom: \xA4\xA2",
         "Subject: " + kSjisA + "\r\nFrom: " + kSjisA},
        // E3 CR LF read as one UTF-8 sequence would be a character and take the line end with it.
        {"UTF-8 cut off at a line end", "Subject: =?UTF-8?B?44GC?=\xE3\r\nTo: c",
         "Subject: " + kSjisA + "\xE3\r\nTo: c"},
    };
    for (const Row& row : rows) EXPECT_EQ(DecodeHeaderLinesForDisplay(row.lines), row.shown) << row.name;
}
