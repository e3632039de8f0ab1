#pragma once
// The entries of the content view's listing: who sent the mails waiting on the servers and what they are
// about, one entry per summary of the last check, in Shift_JIS with CR LF line ends. The listing itself is
// kept only where it is shown (the window's memo, the command line's output): a mailbox of many thousand
// messages is not held twice over.

#include <string>
#include <string_view>

namespace app {

class ContentView {
public:
    // Nine appends: server, empty, sender, empty, subject, empty, then with the header the header label
    // and the header text (which ends in CR LF, so an empty line follows), else one empty line, and a
    // last empty line. The texts are decoded already, and come from strangers: control bytes in the host,
    // sender and subject, and those in the header other than TAB and CR LF, are shown as "?". The entry
    // stays valid until the next one is made.
    std::string_view MakeEntry(std::string_view host, std::string_view sender, std::string_view subject,
                               std::string_view header, bool withHeader);

private:
    // One memo line: the text and CR LF, so an empty text gives an empty line.
    void Append(std::string_view text);
    // A labelled line whose value cannot add lines: every control byte in it shows as "?".
    void Append(std::string_view label, std::string_view value);
    // The header text, one memo line per header line, then CR LF.
    void AppendHeader(std::string_view header);

    std::string text_;
};

}  // namespace app
