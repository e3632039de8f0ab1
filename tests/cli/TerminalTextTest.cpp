#include <gtest/gtest.h>

#include "cli/TerminalText.h"
#include "tests/jcode/Bytes.h"

namespace {
const std::string kKatakanaSo = Bytes({0x83, 0x5C});  // its trail byte is the backslash
const std::string kDegree = Bytes({0x81, 0x8B});      // trail byte in the 8-bit control range
}  // namespace

TEST(TerminalText, OnlyShiftJisCharactersAndLayoutReachTheTerminal) {
    struct Row {
        const char* name;
        std::string text;
        std::string listing;  // WithoutTerminalControls
        std::string field;    // AsTerminalField
    } rows[] = {
        {"valid text unchanged", "Re: " + kSjisA + kKatakanaSo + "\xB1\xDF" + kDegree,
         "Re: " + kSjisA + kKatakanaSo + "\xB1\xDF" + kDegree, "Re: " + kSjisA + kKatakanaSo + "\xB1\xDF" + kDegree},
        {"lone 8-bit CSI", "a\x9B" "2Jb", "a?2Jb", "a?2Jb"},
        {"CSI before a control byte", "\x9B\x1B", "??", "??"},
        {"CSI as a lead with a trail", "\x9B\x40", "\x9B\x40", "\x9B\x40"},
        {"lone lead byte at the end", "a\x82", "a?", "a?"},
        {"lead byte before a line end", "\x82\r\n", "?\r\n", "???"},
        {"lead byte before DEL", "\x82\x7F", "??", "??"},
        {"bytes that are no character", Bytes({0x80, 0xA0, 0xFD, 0xFE, 0xFF}), "?????", "?????"},
        {"ESC, lone CR, DEL", "\x1B[2Ja\rb\x7F", "?[2Ja?b?", "?[2Ja?b?"},
        {"layout", "a\tb\r\nc\nd", "a\tb\r\nc\nd", "a?b??c?d"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cli::WithoutTerminalControls(row.text), row.listing) << row.name;
        EXPECT_EQ(cli::AsTerminalField(row.text), row.field) << row.name;
    }
}
