#include <gtest/gtest.h>

#include <string>

#include "app/Texts.h"
#include "app/check/ContentView.h"

namespace {

const std::string kServerLabel(app::kLabelServer);
const std::string kSenderLabel(app::kLabelSender);
const std::string kSubjectLabel(app::kLabelSubject);
const std::string kHeaderLabel(app::kLabelHeader);

std::string Entry(const std::string& sender, const std::string& subject, const std::string& headerBlock) {
    return kServerLabel + "pop.example.jp\r\n\r\n" + kSenderLabel + sender + "\r\n\r\n" + kSubjectLabel + subject +
           "\r\n\r\n" + kHeaderLabel + "\r\n" + headerBlock + "\r\n\r\n";
}

}  // namespace

TEST(ContentView, DecodedTextsCannotAddLinesToTheListing) {
    const std::string forged = "x\r\n\r\n" + kServerLabel + "evil.example\r\n\r\n" + kSenderLabel + "boss";
    const std::string forgedShown = "x????" + kServerLabel + "evil.example????" + kSenderLabel + "boss";
    struct Row {
        const char* name;
        std::string sender, subject, header;
        std::string shownSender, shownSubject, shownHeader;
    } rows[] = {
        {"forged entry in the subject", "a", forged, "H: v\r\n", "a", forgedShown, "H: v\r\n"},
        {"forged entry in the sender", forged, "s", "H: v\r\n", forgedShown, "s", "H: v\r\n"},
        {"lone CR, lone LF, TAB, ESC, DEL", "a\rb\nc", "d\te\x1B[2Jf\x7F", "", "a?b?c", "d?e?[2Jf?", ""},
        {"lone LF and CR inside header lines", "a", "s", "H: 1\n2\r3\r\r\nI: \x1B\r\n", "a", "s",
         "H: 1?2?3?\r\nI: ?\r\n"},
        {"header keeps its lines and folds", "a", "s", "From: a\r\n\tb\r\nTo: c\r\n", "a", "s",
         "From: a\r\n\tb\r\nTo: c\r\n"},
        {"Shift_JIS and katakana unchanged", "\x82\xa0\xb1", "\x83\x5c\x95\x5c", "S: \x82\xa0\r\n", "\x82\xa0\xb1",
         "\x83\x5c\x95\x5c", "S: \x82\xa0\r\n"},
    };
    for (const Row& row : rows) {
        app::ContentView view;
        const std::string_view entry = view.MakeEntry("pop.example.jp", row.sender, row.subject, row.header, true);
        EXPECT_EQ(std::string(entry), Entry(row.shownSender, row.shownSubject, row.shownHeader)) << row.name;
    }
}

TEST(ContentView, EntriesWithoutTheHeaderStayNineLinesEach) {
    app::ContentView view;
    const std::string first(view.MakeEntry("h", "a\r\nb", "c\nd", "ignored\r\n", false));
    EXPECT_EQ(first, kServerLabel + "h\r\n\r\n" + kSenderLabel + "a??b\r\n\r\n" + kSubjectLabel + "c?d\r\n\r\n\r\n\r\n");
    // The next entry is made afresh, nothing of the first kept.
    EXPECT_EQ(view.MakeEntry("h", "e", "f", "", false),
              kServerLabel + "h\r\n\r\n" + kSenderLabel + "e\r\n\r\n" + kSubjectLabel + "f\r\n\r\n\r\n\r\n");
}
